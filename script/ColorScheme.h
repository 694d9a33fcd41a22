#pragma once
// The script's three colours, red, green, blue each. A new record is all
// black; the demo core starts from its own colours.

struct TColor
{
    float r = 0.0f;
    float g = 0.0f;
    float b = 0.0f;
};

struct TColorScheme
{
    TColor GlobalColor;
    TColor SupportColor;
    TColor FlowColor;
};

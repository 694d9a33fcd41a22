#pragma once
// The script's three colours, red, green, blue each.

struct TColor
{
    float r, g, b;
};

struct TColorScheme
{
    TColor GlobalColor{1.0f, 0.0f, 0.0f};
    TColor SupportColor{0.0f, 1.0f, 0.0f};
    TColor FlowColor{0.0f, 0.0f, 1.0f};
};

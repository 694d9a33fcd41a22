#pragma once
// The timeline's records: an effect's span on a layer, and a message due at a
// time. The demo core owns both lists; the layer sort and the frame observers
// read them.
#include <cstdint>

class IEffect;

struct TEffect
{
    float StartTime;
    float StopTime;  // inclusive
    int32_t LayerID; // compared as unsigned when sorting
    IEffect* Effect;
};

struct TMessage
{
    float ActivationTime;
    int32_t MessageID;
    IEffect* TargetEffect;
    float* Parameters; // owned by the core
    int32_t ParameterCount;
};

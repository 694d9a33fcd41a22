#pragma once
// Event queue of the program: quit requests and the one-event-per-call pump.
//
// A quit request is queued like any other event and only takes effect when a
// later pump retrieves it. Works without a window: the event subsystem is
// started on first use.

namespace platform
{

// Key codes, numbered as the original's virtual keys.
enum Key
{
    KeyNone = 0,
    KeyTab = 9,
    KeyReturn = 13,
    KeyEscape = 27,
    KeySpace = 32,
    KeyPageUp = 0x21,
    KeyPageDown = 0x22,
    KeyHome = 0x24,
    KeyLeft = 0x25,
    KeyRight = 0x27,
    KeyI = 0x49,
    KeyL = 0x4C,
    KeyO = 0x4F,
    KeyR = 0x52,
    KeyF1 = 0x70,
    KeyF2 = 0x71,
    KeyComma = 0xBC,
    KeyPeriod = 0xBE,
    KeyLeftBracket = 0xDB,
    KeyRightBracket = 0xDD,
    KeyOther = 0x1000
};

enum class EventKind
{
    None,
    Quit,
    KeyDown,
    MouseDown, // left button; x, y in window pixels
    Other
};

struct Event
{
    EventKind kind = EventKind::None;
    int key = KeyNone;
    int x = 0;
    int y = 0;
    unsigned windowId = 0;
};

// Queues a quit request (the original's quit message with exit code 0).
// failure marks a request that follows a fatal report: the program then exits
// with status 1 instead of 0.
void PostQuitRequest(bool failure = false);

// Live editing keeps running through reports: while off, a failure's quit
// request is only remembered (FailureQuitWasRequested) and never queued, so no
// pump ends the run for it. Other quit requests are queued as always. On at start.
void SetFailureQuitsQueued(bool on);

// Takes at most one pending event without waiting. False when none was pending.
// After SIGINT or SIGTERM (platform/Interrupt.h) every call answers Quit.
bool PollOneEvent(Event& out);

// Drops every pending event. For tests and for a fresh start.
void FlushEvents();

// True when a quit request has been posted since the last FlushEvents, whether
// or not a pump has retrieved it yet. The program's exit status reads it.
bool QuitWasRequested();
bool FailureQuitWasRequested();
void ClearQuitRequested();

// Test hook: queues a key press as if the user had pressed it.
void InjectKeyDown(int key);

} // namespace platform

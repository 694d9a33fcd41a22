#pragma once
// The program's command line. Without arguments the program behaves as the
// original did: the start-up dialog, then the demo.
#include <cstdint>
#include <string>

struct CommandLine
{
    bool help = false;
    bool version = false;
    bool windowed = false;          // skip the dialog, play in a window
    bool fullscreen = false;        // skip the dialog, play full screen
    bool desktopFullscreen = false; // --fullscreen=desktop: cover the desktop, no mode switch
    bool batch = false;             // no dialog, no message boxes
    bool hasStart = false;
    uint32_t startMs = 0;
    std::string dataDir;
    bool check = false;
    std::string checkScript; // empty: the data folder's script.txt
    bool strict = false;     // --check: a warning makes the status 1
    bool load = false;       // --check: load the effects in a headless GL context
    std::string reportFile;
    std::string traceFile; // --trace: one line per frame
    // --capture OUT and its settings (app/CaptureMode.h checks OUT itself).
    std::string captureOut;
    bool hasFps = false;
    int fps = 60;
    bool hasUntil = false;
    uint32_t untilMs = 0;
    int videoWidth = 0; // 0: the window's size
    int videoHeight = 0;
    bool edit = false; // live editing of the script while the demo plays
    // Live play (also --edit): the player's switches.
    bool loop = false; // play from 0 again at the end until Escape
    bool hasVolume = false;
    int volume = 100; // percent
    bool hasAudioOffset = false;
    int audioOffsetMs = 0; // positive: the picture later
    bool hasVsync = false;
    bool vsync = true;
};

// False with a one-line reason in error when an option is unknown or a value is bad.
bool ParseCommandLine(int argc, char** argv, CommandLine& out, std::string& error);

const char* UsageLine();
const char* HelpText();

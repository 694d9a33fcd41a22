#pragma once
// Program order: start-up (dialog, objects, registration, window, core
// initialisation), script, main loop, clean-up.
#include <cstdint>
#include <string>

class DemoCore;
class OGLWindow;
class EffectInterface;

struct StartupOptions
{
    bool askWithDialog = true; // false: use fullscreen as given
    bool fullscreen = true;
    bool desktopFullscreen = false; // full screen covers the desktop, no mode switch
    bool vsync = true;              // swaps wait for the display's refresh
    bool hasStart = false;          // true: startMs overrides the start-position file
    uint32_t startMs = 0;
    // Another mode's own core and window (the capture's); Startup takes them
    // over and Cleanup deletes them. Null: the usual ones.
    DemoCore* core = nullptr;
    OGLWindow* window = nullptr;
};

// The start-position file beside the program's working directory: one decimal
// number of milliseconds. False when it is missing or holds no number.
bool ReadStartPositionFile(const std::string& path, uint32_t& ms);
extern const char* const kStartPositionFile;

// The start position handed to the core: options.startMs when given, else the
// value of the start-position file, else 0.
uint32_t ChooseStartPosition(const StartupOptions& options, const std::string& file);

// Creates the process-wide objects and opens the window. False when the user
// left the dialog or the window failed to open (windowFailed tells which).
bool Startup(const StartupOptions& options, bool& windowFailed);
void Cleanup();

// --loop: the next pass of the demo from 0 in the open window, on a fresh core
// with fresh effect instances (those of the pass before the last are freed),
// initialised without a loading screen (the textures are cached). The caller
// loads and runs it; the finished core is deleted here.
DemoCore* StartNextPass();

DemoCore* GetDemoCore();
OGLWindow* GetDemoWindow();
EffectInterface* GetEffectRegistry();

// What was printed must have reached standard output: a full disk or a closed
// pipe turns a success into status 1 (with a line on stderr).
int FinishOutput(int status);

// The data-folder candidates as a user reads them: absolute paths, in order,
// joined by separator.
std::string DataFolderSearchList(const char* separator);
// Says on stderr which data folder a run uses when the search found one other
// than the working directory's Data (an installed demo is never taken for the
// author's own).
void SayDataFolder();

class TraceWriter;
struct CommandLine;
// The start of a mode that plays the demo: the data folder must be there
// (said as above) and the trace, when one is asked for, must open. 0 to go
// on, else the run's status.
int OpenDataFolderAndTrace(const CommandLine& cmd, TraceWriter& trace);

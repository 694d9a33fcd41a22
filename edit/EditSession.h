#pragma once
// Live editing: the demo plays, and restarts at the time it has reached
// whenever the script changes, the author seeks, or R is pressed. A restart is
// a fresh core with fresh effect instances and the script loaded whole; the
// core replays the timeline from 0 up to the restart's time at 60 steps a
// second without drawing it (exact seek, DemoCore::SetExactSeek), so the first
// frame after a restart is the frame a run from 0 shows at that time. The
// window, the texture cache and the sound layer stay. Each restart is a new
// call of the core's Run: the frames are the main loop's own.
//
// A script that raises reports (anywhere in it, also before the current time)
// is not played: its reports go to stderr, a red line of the overlay shows the
// first until a good save, and the last good timeline plays on (the very first
// script plays whatever loads, as there is nothing else). The data files the
// demo read (core/DataFiles.h) are watched too: a picture is loaded again
// behind the same Texture, a shader relinked, and a model file, a parameter
// file or the music restart the demo at the current time; a file that fails
// keeps its last good version, with the same red line. Reports never end the
// run; Escape or a closed window does, and without holdAtEnd the end of the
// timeline does too.
//
// Keys: Space pauses and resumes the clock and the music (a paused demo keeps
// drawing the frozen moment; at the held end it plays again from 0); Left and
// Right restart 5 s earlier or later, Page Up and Page Down 30 s, Home at 0
// (positions stay within 0 and the script's end, and quick presses add up);
// comma and period step one 60 Hz frame back (an exact seek) and forward,
// pausing first; [ and ] halve and double the speed between 0.25x and 4x (the
// music is silent away from 1x); I and O set the loop's in and out points, L
// loops between them; R reloads now; Tab shows or hides the overlay.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/DataFiles.h"
#include "core/FrameRecord.h"
#include "framework/IEffect.h"

class EditCore;
class EditOverlay;
class EffectInterface;
class ILoadingScreen;
class OGLWindow;
namespace platform
{
class FileWatch;
}

struct OverlayView;

struct EditSetup
{
    OGLWindow* window = nullptr;          // open; not owned
    std::string scriptPath;               // read again on every reload
    platform::FileWatch* watch = nullptr; // null: only R reloads; not owned
    // Watches for the data files the demo reads; empty, or a null watch: the
    // file is not watched.
    std::function<std::unique_ptr<platform::FileWatch>(const std::string& path)> watchFile;
    bool holdAtEnd = true;          // false: the run ends with the timeline
    EditOverlay* overlay = nullptr; // null: no overlay is drawn; not owned
    // The core for a script text (tests hand one with a fake music player).
    std::function<EditCore*(const std::string& text)> makeCore;
    // Registers fresh instances of every effect kind; the session owns them.
    std::function<std::vector<std::unique_ptr<IEffect>>(EffectInterface*)> makeKinds;
    // The loading screen of the first start (restarts keep the last frame on
    // screen while they load); may be empty or return null.
    std::function<ILoadingScreen*(OGLWindow*)> makeLoadingScreen;
    // Seconds of real time (a change must have settled before it is loaded).
    std::function<double()> wallClock;
    // Every frame, with its number counted across restarts (the trace).
    std::function<void(uint64_t frame, const FrameRecord&)> onFrame;
};

class EditSession : public IFrameObserver
{
  public:
    // A changed file is loaded once it has been quiet this long.
    static constexpr double kSettleSeconds = 0.1;
    static constexpr float kShortSeek = 5.0f;
    static constexpr float kLongSeek = 30.0f;
    // Restarts replay the timeline at this rate; a frame step is one of them.
    static constexpr int kSeekRate = 60;
    static constexpr float kMinSpeed = 0.25f;
    static constexpr float kMaxSpeed = 4.0f;

    explicit EditSession(EditSetup setup);
    ~EditSession() override;
    EditSession(const EditSession&) = delete;
    EditSession& operator=(const EditSession&) = delete;

    // Plays from startMs until the run ends. 0, or 1 when the script could
    // never be read.
    int Run(uint32_t startMs);

    // A key of platform::Key; others are ignored.
    void OnKey(int key);

    bool IsPaused() const { return m_Paused; }
    bool IsHeldAtEnd() const { return m_HeldAtEnd; }
    bool IsOverlayVisible() const { return m_OverlayVisible; }
    float GetSpeed() const { return m_Speed; }
    bool IsLooping() const { return m_Looping; }
    float GetLoopIn() const { return m_LoopIn; }
    float GetLoopOut() const; // the script's end until O sets it
    // The red lines of the overlay: per file that failed, the file's name and
    // the first report of its last try, until it loads cleanly.
    std::vector<std::string> GetFailureLines() const;
    // The overlay's content for a frame (what DrawOverlay draws).
    OverlayView MakeOverlayView(const FrameRecord& frame) const;
    // The core playing now (null between restarts).
    DemoCore* GetCore() const;
    // The end of the timeline playing now, in seconds.
    float GetScriptEnd() const { return m_ScriptEnd; }
    // Counted over the whole run, across restarts.
    uint64_t GetFrameCount() const { return m_Frames; }
    uint64_t GetDeliveredCount() const { return m_Delivered; }
    int GetRestartCount() const { return m_Restarts; }
    int GetReportCount() const { return m_Reports; }
    float GetTime() const;

    void OnFrame(const FrameRecord& frame) override;

  private:
    struct Stage;
    using StagePtr = std::unique_ptr<Stage>;
    struct Watched;

    bool ReadScript(std::string& text);
    StagePtr BuildStage(const std::string& text, uint32_t ms, bool loadingScreen);
    void ReleaseStage(StagePtr& stage);
    // Checks the script on disk and, when it loads cleanly, restarts at the time at.
    void Reload(bool byHand, float at);
    // Loads text at the time at; plays it from the next restart when it raised
    // no report, else keeps what plays and marks what (a file name) failed.
    bool Restage(const std::string& text, float at, const std::string& what);
    void PollDataFiles(float at);
    void ReloadDataFile(const DataFile& file, float at);
    void Failed(const std::string& what, int reports, const char* keeps);
    void RestartAt(float seconds);
    void Seek(float delta);
    // The time the next seek counts from: a restart's target until its first frame.
    float Position() const;
    void SetPaused(bool on);
    void SetSpeed(float speed);
    void StepFrame(int direction);
    void OnLoopKey(int key);
    // The music and the spectrum follow the clock: audible at 1x while
    // playing, else paused, with the spectrum decoded at the clock's time.
    void FollowClock();
    bool IsQuiet() const { return m_Paused || m_Speed != 1.0f; }
    void DrawOverlay(const FrameRecord& frame);
    static uint32_t ToMs(float seconds);

    EditSetup m_Setup;
    StagePtr m_Stage; // playing
    StagePtr m_Next;  // loaded and checked, plays at the restart
    std::string m_GoodText;
    bool m_HasGood = false;
    bool m_RestartPending = false;
    uint32_t m_RestartMs = 0;
    bool m_Paused = false;
    bool m_HeldAtEnd = false;
    bool m_FirstFrame = false;
    bool m_OverlayVisible = true;
    double m_ChangeSeenAt = -1.0;
    float m_ScriptEnd = 0.0f;
    uint64_t m_Frames = 0;
    uint64_t m_Delivered = 0;
    int m_Restarts = 0;
    int m_Reports = 0;
    std::string m_FirstReport; // since the last try of a file
    float m_Speed = 1.0f;
    bool m_Looping = false;
    float m_LoopIn = 0.0f;
    float m_LoopOut = -1.0f; // unset
    std::vector<Watched> m_DataWatches;
    size_t m_DataFilesSeen = 0;
    std::vector<std::pair<std::string, std::string>> m_Failures; // file, report

    // What the overlay shows of the music: kept while paused.
    float m_Bands[3] = {0.0f, 0.0f, 0.0f};
    std::vector<float> m_Spectrum;
    std::string m_LastMessage;
};

#pragma once
// Live editing: the demo plays, and restarts at the time it has reached
// whenever the script changes, the author seeks, or R is pressed. A restart is
// a fresh core with fresh effect instances and the script loaded as a run
// started with --start at that time would load it; the window, the texture
// cache and the sound layer stay. Each restart is a new call of the core's Run:
// the frames are the main loop's own.
//
// A script that raises reports is not played: its reports go to stderr and the
// last good timeline plays on (the very first script plays whatever loads, as
// there is nothing else). Reports never end the run; Escape or a closed window
// does, and without holdAtEnd the end of the timeline does too.
//
// Keys: Space pauses and resumes the clock and the music (a paused demo keeps
// drawing the frozen moment; at the held end it plays again from 0); Left and
// Right restart 5 s earlier or later, Page Up and Page Down 30 s, Home at 0
// (positions stay within 0 and the script's end); R reloads now; Tab shows or
// hides the overlay.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

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

struct EditSetup
{
    OGLWindow* window = nullptr;          // open; not owned
    std::string scriptPath;               // read again on every reload
    platform::FileWatch* watch = nullptr; // null: only R reloads; not owned
    bool holdAtEnd = true;                // false: the run ends with the timeline
    EditOverlay* overlay = nullptr;       // null: no overlay is drawn; not owned
    // The core for a script text (tests hand one with a fake music player).
    std::function<EditCore*(const std::string& text)> makeCore;
    // Registers fresh instances of every effect kind; the session owns them.
    std::function<std::vector<std::unique_ptr<IEffect>>(EffectInterface*)> makeKinds;
    // The loading screen of each restart; may be empty or return null.
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

    bool ReadScript(std::string& text);
    StagePtr BuildStage(const std::string& text, uint32_t ms);
    void ReleaseStage(StagePtr& stage);
    // Checks the script on disk and, when it loads cleanly, restarts at the time at.
    void Reload(bool byHand, float at);
    void RestartAt(float seconds);
    void Seek(float delta);
    void SetPaused(bool on);
    void DrawOverlay(DemoCore& core, const FrameRecord& frame);
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

    // What the overlay shows of the music: kept while paused.
    float m_Bands[3] = {0.0f, 0.0f, 0.0f};
    std::vector<float> m_Spectrum;
    std::string m_LastMessage;
};

#pragma once
// The timeline and the main loop. The script parser fills the timeline through
// AddEffect, AddMessage, SetColorScheme and LoadMusic; Run initialises every
// scheduled effect behind the loading screen, starts music and clock, and
// plays frame after frame until the clock passes EndTime or the window stops.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/FrameRecord.h"
#include "core/Timeline.h"
#include "script/ColorScheme.h"

class IEffect;
class OGLWindow;
class EffectInterface;
class ILoadingScreen;
class MusicPlayer;
class OfflineMusic;
class SpectrumSynch;

enum DemoState
{
    Created = 0,
    Ready = 1,
    Playing = 2,
    Finished = 4,
    Destroyed = 8,
    Failed = 16
};

class DemoCore
{
  public:
    DemoCore();
    virtual ~DemoCore();
    DemoCore(const DemoCore&) = delete;
    DemoCore& operator=(const DemoCore&) = delete;

    // Takes ownership of the loading screen. Reports and posts a quit request
    // when the music player cannot start.
    bool Init(OGLWindow* window, EffectInterface* registry, ILoadingScreen* loadingScreen,
              bool musicEnabled);
    void SetStartTime(uint32_t ms) { m_StartOffset = ms; }
    // Exact seek, set before Load: with a rate, a run that starts part-way
    // keeps the whole timeline and first replays it from 0 up to the start at
    // stepsPerSecond steps a second, as a full run at that frame rate would
    // play it (messages taken, entries stepped and updated, the music's
    // spectrum at every step) but drawing, presenting and observing nothing;
    // its first frame is then the full run's frame at that time. 0 (the
    // default) keeps the start rules: earlier entries and messages dropped,
    // every effect fresh at the start.
    void SetExactSeek(int stepsPerSecond) { m_SeekRate = stepsPerSecond > 0 ? stepsPerSecond : 0; }
    int GetExactSeek() const { return m_SeekRate; }
    bool Load(std::string scriptName);

    bool AddEffect(uint32_t startMs, uint32_t stopMs, std::string name, int32_t layer);
    // False when target names no registered effect (reported); a message
    // before the start position is dropped and counts as added.
    bool AddMessage(uint32_t ms, std::string name, const float* params, int32_t count,
                    std::string target);
    void SetColorScheme(TColorScheme scheme) { m_ColorScheme = scheme; }
    TColorScheme* GetColorScheme() { return &m_ColorScheme; }
    void LoadMusic(std::string fileName);

    void Run();
    void Stop();
    // Run's loading step alone: every scheduled effect initialised once, in
    // timeline order, behind the loading screen, and nothing played (the
    // script checker's --load). Needs Ready and an open window; leaves Ready.
    void LoadEffects();

    // Live editing: the time beside the frame rate in the title, and a run
    // that goes on past EndTime instead of stopping there.
    void SetTitleShowsTime(bool on) { m_TitleShowsTime = on; }
    void SetStopAtEnd(bool on) { m_StopAtEnd = on; }

    // Read access for the script checker and tests.
    int GetState() const { return m_State; }
    uint32_t GetStartTime() const { return m_StartOffset; }
    float GetEndTime() const { return m_EndTime; }
    const std::vector<TEffect>& GetEffects() const { return m_Effects; }
    const std::vector<TMessage>& GetMessages() const { return m_Messages; }
    EffectInterface* GetRegistry() const { return m_Registry; }
    MusicPlayer* GetMusicPlayer() const { return m_Music; }
    // Messages handed to an effect during Run (for the end-of-run summary).
    uint64_t GetDeliveredMessageCount() const { return m_Delivered; }
    uint64_t GetFrameCount() const { return m_Frames; }
    // True once the script's music has opened.
    bool HasMusic() const { return m_HasMusic; }
    // The script's music file as the script names it ("" when none opened).
    const std::string& GetMusicFile() const { return m_MusicFile; }
    // The last message an exact seek's replay took (null: none) and whether
    // it reached an active entry.
    const TMessage* GetReplayedMessage() const;
    bool WasReplayedMessageDelivered() const { return m_ReplayedDelivered; }
    // The script's music decoded without a device, as the replay used it for
    // the spectrum; null without exact seek or music. Lives as long as the core.
    OfflineMusic* GetOfflineMusic();

    // Observers see every frame of the main loop (core/FrameRecord.h), in the
    // order added. They must outlive Run; none may be added or removed by
    // another observer's OnFrame.
    void AddFrameObserver(IFrameObserver* observer);
    void RemoveFrameObserver(IFrameObserver* observer);

  protected:
    // Seams: tests replace the music player with a fake.
    virtual MusicPlayer* CreateMusicPlayer();
    // Runs the script parser on the named script; true when it succeeded.
    virtual bool ParseScript(const std::string& scriptName);

  private:
    void SortMessages();
    void InitialiseEffects();
    void Replay(std::vector<TEffect*>& active, std::vector<TEffect>& sortSpace);
    void MainLoop(std::vector<TEffect*>& active, std::vector<TEffect>& sortSpace);
    // The first half of every frame, replayed or drawn.
    const TMessage* TakeDueMessage(float now, TMessage& copy);
    void CollectActive(float now, std::vector<TEffect*>& active, std::vector<TEffect>& sortSpace);
    int UpdateActive(const std::vector<TEffect*>& active, float frameTime, const TMessage* fired);
    // lead: the picture's lead over the heard music (ms), null when none is heard.
    void NotifyObservers(float now, float frameTime, const float* lead, const TMessage* message,
                         bool delivered, const std::vector<TEffect*>& active);

    TColorScheme m_ColorScheme{{1.0f, 0.0f, 0.0f}, {0.0f, 1.0f, 0.0f}, {0.0f, 0.0f, 1.0f}};
    std::vector<TMessage> m_Messages;
    std::vector<TEffect> m_Effects;
    int m_State = Created;
    uint32_t m_StartOffset = 0;
    float m_EndTime = 0.0f;
    ILoadingScreen* m_LoadingScreen = nullptr;
    OGLWindow* m_Window = nullptr;
    EffectInterface* m_Registry = nullptr;
    MusicPlayer* m_Music = nullptr;
    uint64_t m_Delivered = 0;
    uint64_t m_Frames = 0;
    bool m_HasMusic = false;
    std::string m_MusicFile;
    std::vector<IFrameObserver*> m_Observers;
    std::unique_ptr<SpectrumSynch> m_Bands; // the standard bands, while observed
    bool m_TitleShowsTime = false;
    bool m_StopAtEnd = true;
    int m_SeekRate = 0;
    size_t m_NextMessage = 0;
    size_t m_Replayed = 0; // messages the replay took
    bool m_ReplayedDelivered = false;
    std::unique_ptr<OfflineMusic> m_OfflineMusic;
    bool m_OfflineMusicTried = false;
};

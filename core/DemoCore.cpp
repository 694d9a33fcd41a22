#include "core/DemoCore.h"

#include "core/ErrorBox.h"
#include "core/ILoadingScreen.h"
#include "core/LayerSort.h"
#include "core/MusicPlayer.h"
#include "core/Timer.h"
#include "effects/EffectDrawing.h"
#include "effects/SpectrumSynch.h"
#include "framework/EffectInterface.h"
#include "framework/IEffect.h"
#include "gfx/ImagePrefetch.h"
#include "gfx/OGLWindow.h"
#include "platform/Events.h"
#include "platform/Interrupt.h"
#include "script/ScriptParser.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

DemoCore::DemoCore() = default;

DemoCore::~DemoCore()
{
    if (m_OfflineMusic && MusicPlayer::GetSpectrumSource() == m_OfflineMusic.get())
        MusicPlayer::SetSpectrumSource(nullptr);
    delete m_Music;
    m_Music = nullptr;
    delete m_LoadingScreen;
    m_LoadingScreen = nullptr;
    for (TMessage& m : m_Messages)
        delete[] m.Parameters;
    m_Messages.clear();
    m_State = Destroyed;
    m_Effects.clear();
}

MusicPlayer* DemoCore::CreateMusicPlayer()
{
    return new MusicPlayer;
}

bool DemoCore::ParseScript(const std::string& scriptName)
{
    ScriptParser parser;
    parser.SetCore(this);
    bool ok = parser.Parse(scriptName);
    parser.SetCore(nullptr);
    return ok;
}

bool DemoCore::Init(OGLWindow* window, EffectInterface* registry, ILoadingScreen* loadingScreen,
                    bool musicEnabled)
{
    m_Window = window;
    m_Registry = registry;
    m_LoadingScreen = loadingScreen;
    if (musicEnabled)
    {
        m_Music = CreateMusicPlayer();
        if (!m_Music->Init())
        {
            ShowError("Music Player", "Unable to initialize FMOD");
            platform::PostQuitRequest(true);
            m_State = Failed;
            return false;
        }
    }
    if (m_Registry && m_Window)
    {
        m_State = Ready;
        return true;
    }
    m_State = Failed;
    return false;
}

bool DemoCore::Load(std::string scriptName)
{
    if (m_State != Ready)
        return false;
    bool ok = ParseScript(scriptName);
    if (ok)
        SortMessages();
    return ok;
}

// Stable by activation time: equal times keep the order in which they were added.
void DemoCore::SortMessages()
{
    std::stable_sort(m_Messages.begin(), m_Messages.end(),
                     [](const TMessage& a, const TMessage& b)
                     { return a.ActivationTime < b.ActivationTime; });
}

bool DemoCore::AddEffect(uint32_t startMs, uint32_t stopMs, std::string name, int32_t layer)
{
    // An exact seek replays the whole timeline, so it keeps what ends earlier.
    if (!m_SeekRate && stopMs <= m_StartOffset)
        return false;
    IEffect* effect = m_Registry ? m_Registry->FindEffect(name) : nullptr;
    if (!effect)
    {
        // The name after the report's fixed text, which stays as it was.
        ShowError("Init", "Unknown Effect Name! \"" + name + "\"");
        return false;
    }
    TEffect e;
    e.StartTime = static_cast<float>(startMs / 1000.0);
    e.StopTime = static_cast<float>(stopMs / 1000.0);
    e.LayerID = layer;
    e.Effect = effect;
    m_Effects.push_back(e);
    if (e.StopTime > m_EndTime)
        m_EndTime = e.StopTime;
    return true;
}

bool DemoCore::AddMessage(uint32_t ms, std::string name, const float* params, int32_t count,
                          std::string target)
{
    if (!m_SeekRate && ms < m_StartOffset)
        return true;
    IEffect* effect = m_Registry ? m_Registry->FindEffect(target) : nullptr;
    if (!effect)
    {
        ShowError("Message Init", "Unknown Effect Name! \"" + target + "\"");
        return false;
    }
    int32_t id = m_Registry->GetMessageInterface()->FindMessage(name.c_str(), effect);
    // The copy is the core's own; a count without an array carries no values.
    int32_t n = (count > 0 && params) ? count : 0;
    float* copy = new float[n > 0 ? n : 1];
    for (int32_t i = 0; i < n; ++i)
        copy[i] = params[i];
    m_Messages.push_back(TMessage{static_cast<float>(ms / 1000.0), id, effect, copy, n});
    return true;
}

void DemoCore::LoadMusic(std::string fileName)
{
    if (!m_Music)
        return;
    if (!m_Music->Open(fileName))
    {
        ShowError("FMOD Music Player", "Cannot Open Music File: " + fileName);
        platform::PostQuitRequest(true);
        return;
    }
    m_HasMusic = true;
    m_MusicFile = fileName;
}

const TMessage* DemoCore::GetReplayedMessage() const
{
    return m_Replayed > 0 && m_Replayed <= m_Messages.size() ? &m_Messages[m_Replayed - 1]
                                                             : nullptr;
}

OfflineMusic* DemoCore::GetOfflineMusic()
{
    if (!m_OfflineMusicTried && m_SeekRate && m_HasMusic)
    {
        m_OfflineMusicTried = true;
        std::unique_ptr<OfflineMusic> music(new OfflineMusic);
        if (music->Open(m_MusicFile))
            m_OfflineMusic = std::move(music);
    }
    return m_OfflineMusic.get();
}

void DemoCore::AddFrameObserver(IFrameObserver* observer)
{
    if (!observer)
        return;
    if (!m_Bands)
    {
        m_Bands.reset(new SpectrumSynch);
        fx::AddStandardBands(*m_Bands);
    }
    m_Observers.push_back(observer);
}

void DemoCore::RemoveFrameObserver(IFrameObserver* observer)
{
    m_Observers.erase(std::remove(m_Observers.begin(), m_Observers.end(), observer),
                      m_Observers.end());
}

void DemoCore::NotifyObservers(float now, float frameTime, const float* lead,
                               const TMessage* message, bool delivered,
                               const std::vector<TEffect*>& active)
{
    FrameRecord r;
    r.Frame = m_Frames;
    r.Time = now;
    r.FrameTime = frameTime;
    r.Message = message;
    r.Delivered = delivered;
    r.Active = active.data();
    r.ActiveCount = active.size();
    r.HasMusic = m_HasMusic;
    r.HasAv = lead != nullptr;
    r.Av = lead ? *lead : 0.0f;
    // The same band code the effects use, on the spectrum just sampled.
    m_Bands->Update();
    for (int n = 0; n < 3; ++n)
        r.Bands[n] = m_Bands->GetValue(n);
    for (IFrameObserver* o : m_Observers)
        o->OnFrame(r);
}

void DemoCore::Stop()
{
    m_State = Finished;
    if (m_Music)
        m_Music->Stop();
}

void DemoCore::InitialiseEffects()
{
    if (m_LoadingScreen)
    {
        m_Window->SetViewport(1.0f);
        m_Window->SetPerspective(45.0f);
        m_Window->BeginFrame();
        m_Window->Swap();
        m_LoadingScreen->Begin();
    }
    size_t n = m_Effects.size();
    for (size_t i = 0; i < n && (m_State & Playing) && !platform::InterruptRequested(); ++i)
    {
        IEffect* effect = m_Effects[i].Effect;
        if (!effect->IsInitialised())
        {
            if (m_LoadingScreen)
            {
                m_Window->BeginFrame();
                m_LoadingScreen->SetProgress(static_cast<float>((i + 1) / static_cast<double>(n)));
                m_LoadingScreen->Draw();
                m_Window->Swap();
            }
            effect->Init(m_Window, this);
        }
        m_Window->ProcessMessages();
    }
}

void DemoCore::LoadEffects()
{
    if (!(m_State & Ready))
        return;
    m_State = Playing;
    InitialiseEffects();
    ImagePrefetch::Discard();
    m_State = Ready;
}

void DemoCore::Run()
{
    if (!(m_State & Ready))
        return;
    m_State = Playing;
    InitialiseEffects();
    ImagePrefetch::Discard(); // images decoded ahead that no effect asked for

    // Reserved once: a frame in steady state allocates nothing.
    std::vector<TEffect*> active;
    active.reserve(m_Effects.size());
    std::vector<TEffect> sortSpace;
    sortSpace.reserve(2 * m_Effects.size());
    m_NextMessage = 0;

    const bool replay = m_SeekRate > 0 && m_StartOffset > 0 && (m_State & Playing);
    if (replay)
        Replay(active, sortSpace);
    if (m_Music)
    {
        m_Music->Play();
        m_Music->SetTime(static_cast<int32_t>(m_StartOffset));
    }
    if (replay)
        Timer::EndSteps(); // the clock goes on from the replay's last step
    else
        Timer::Start(static_cast<float>(m_StartOffset / 1000.0));
    Timer::SetMusic(m_HasMusic ? m_Music : nullptr); // the clock follows what is heard
    m_Window->SetViewport(1.0f);
    MainLoop(active, sortSpace);
    Timer::SetMusic(nullptr);
}

const TMessage* DemoCore::TakeDueMessage(float now, TMessage& copy)
{
    // The fired message is a copy that shares the Parameters array.
    if (m_NextMessage < m_Messages.size() && now >= m_Messages[m_NextMessage].ActivationTime)
    {
        copy = m_Messages[m_NextMessage++];
        return &copy;
    }
    return nullptr;
}

void DemoCore::CollectActive(float now, std::vector<TEffect*>& active,
                             std::vector<TEffect>& sortSpace)
{
    for (TEffect& e : m_Effects)
        if (e.StartTime <= now && e.StopTime >= now)
            active.push_back(&e);
    if (active.size() > 1)
        SortByLayer(active, sortSpace);
}

// AddTime, the message if it targets the entry's instance, Update; in layer
// order. Answers how many entries the message reached.
int DemoCore::UpdateActive(const std::vector<TEffect*>& active, float frameTime,
                           const TMessage* fired)
{
    int deliveries = 0;
    for (TEffect* e : active)
    {
        e->Effect->AddTime(frameTime);
        if (fired && fired->TargetEffect == e->Effect)
        {
            e->Effect->OnMessage(fired->MessageID, fired->Parameters, fired->ParameterCount);
            ++deliveries;
        }
        e->Effect->Update();
    }
    return deliveries;
}

// The frames a full run at the seek rate plays before the start position,
// without their drawing: the same messages in the same frames, the same active
// sets and layer sort, the same AddTime, OnMessage and Update calls, the clock
// stepping exactly as a capture's does, and the spectrum the music has at
// every step (decoded offline, as a capture takes it). Nothing is rendered,
// presented or observed, so no effect may change its state in Render.
// Steps past the end of the timeline change nothing but the messages taken,
// so the replay makes one jump from there to the start position.
void DemoCore::Replay(std::vector<TEffect*>& active, std::vector<TEffect>& sortSpace)
{
    // In thousandths of a step: whole steps, then one short step onto the start.
    const int64_t rate = m_SeekRate;
    const int64_t total = static_cast<int64_t>(m_StartOffset) * rate;
    const int64_t pastEnd =
        (static_cast<int64_t>(std::ceil(static_cast<double>(m_EndTime) * rate)) + 1) * 1000;
    const int64_t whole = std::min(total / 1000 * 1000, pastEnd);

    OfflineMusic* previousSource = MusicPlayer::GetSpectrumSource();
    if (OfflineMusic* music = GetOfflineMusic())
        MusicPlayer::SetSpectrumSource(music);
    Timer::BeginSteps(m_SeekRate);
    m_Replayed = 0;
    m_ReplayedDelivered = false;
    TMessage firedCopy{};
    for (int64_t done = 0; done < total;)
    {
        const float now = Timer::GetTime();
        const int64_t step = done < whole ? 1000 : total - done;
        const TMessage* fired = TakeDueMessage(now, firedCopy);
        CollectActive(now, active, sortSpace);
        const int deliveries = UpdateActive(active, Timer::GetFrameTime(), fired);
        if (fired)
        {
            m_Replayed = m_NextMessage;
            m_ReplayedDelivered = deliveries > 0;
        }
        if (done + step >= total)
        {
            // The last step is drawn into the back buffer, which the first
            // frame clears: GL state that carries over from one frame to the
            // next (in the window's and the off-screen target's contexts) is
            // then what the full run's previous frame left.
            for (TEffect* e : active)
            {
                m_Window->ResetForEffect();
                e->Effect->Render();
            }
        }
        active.clear();
        Timer::Step(step);
        done += step;
        MusicPlayer::UpdateSpectrum();
        if (!(m_State & Playing) || platform::InterruptRequested())
            break;
    }
    MusicPlayer::SetSpectrumSource(previousSource);
}

void DemoCore::MainLoop(std::vector<TEffect*>& active, std::vector<TEffect>& sortSpace)
{
    char title[256];
    while ((m_State & Playing) && m_Window->IsRunning())
    {
        const float now = Timer::GetTime();
        const float frameTime = Timer::GetFrameTime();
        float lead = 0.0f;
        const bool hasLead = Timer::GetLead(lead);

        TMessage firedCopy{};
        const TMessage* fired = TakeDueMessage(now, firedCopy);
        CollectActive(now, active, sortSpace);

        m_Window->BeginFrame();
        const int deliveries = UpdateActive(active, frameTime, fired);
        m_Delivered += static_cast<uint64_t>(deliveries);
        for (TEffect* e : active)
        {
            m_Window->ResetForEffect();
            e->Effect->Render();
        }

        Timer::Update();
        MusicPlayer::UpdateSpectrum();
        if (!m_Observers.empty())
            NotifyObservers(now, frameTime, hasLead ? &lead : nullptr, fired, deliveries > 0,
                            active);
        active.clear();
        m_Window->Swap();
        ++m_Frames;
        if (m_TitleShowsTime)
            std::snprintf(title, sizeof title, "FPS: %d  %.2f s", Timer::GetFPS(),
                          static_cast<double>(Timer::GetTime()));
        else
            std::snprintf(title, sizeof title, "FPS: %d", Timer::GetFPS());
        m_Window->SetTitle(title);
        if (m_StopAtEnd && Timer::GetTime() > m_EndTime)
            Stop();
        m_Window->ProcessMessages();
    }
}

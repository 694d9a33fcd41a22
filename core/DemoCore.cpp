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
#include <cstdio>

DemoCore::DemoCore() = default;

DemoCore::~DemoCore()
{
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
    if (stopMs <= m_StartOffset)
        return false;
    IEffect* effect = m_Registry ? m_Registry->FindEffect(name) : nullptr;
    if (!effect)
    {
        ShowError("Init", "Unknown Effect Name!");
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
    if (ms < m_StartOffset)
        return true;
    IEffect* effect = m_Registry ? m_Registry->FindEffect(target) : nullptr;
    if (!effect)
    {
        ShowError("Message Init", "Unknown Effect Name!");
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

void DemoCore::Run()
{
    if (!(m_State & Ready))
        return;
    m_State = Playing;
    InitialiseEffects();
    ImagePrefetch::Discard(); // images decoded ahead that no effect asked for
    if (m_Music)
    {
        m_Music->Play();
        m_Music->SetTime(static_cast<int32_t>(m_StartOffset));
    }
    Timer::Start(static_cast<float>(m_StartOffset / 1000.0));
    Timer::SetMusic(m_HasMusic ? m_Music : nullptr); // the clock follows what is heard
    m_Window->SetViewport(1.0f);
    MainLoop();
    Timer::SetMusic(nullptr);
}

void DemoCore::MainLoop()
{
    size_t nextMessage = 0;
    // Reserved once: a frame in steady state allocates nothing.
    std::vector<TEffect*> active;
    active.reserve(m_Effects.size());
    std::vector<TEffect> sortSpace;
    sortSpace.reserve(2 * m_Effects.size());
    char title[256];

    while ((m_State & Playing) && m_Window->IsRunning())
    {
        const float now = Timer::GetTime();
        const float frameTime = Timer::GetFrameTime();
        float lead = 0.0f;
        const bool hasLead = Timer::GetLead(lead);

        // The fired message is a copy that shares the Parameters array.
        const TMessage* fired = nullptr;
        TMessage firedCopy{};
        if (nextMessage < m_Messages.size() && now >= m_Messages[nextMessage].ActivationTime)
        {
            firedCopy = m_Messages[nextMessage++];
            fired = &firedCopy;
        }

        for (TEffect& e : m_Effects)
            if (e.StartTime <= now && e.StopTime >= now)
                active.push_back(&e);
        if (active.size() > 1)
            SortByLayer(active, sortSpace);

        bool delivered = false;
        m_Window->BeginFrame();
        for (TEffect* e : active)
        {
            e->Effect->AddTime(frameTime);
            if (fired && fired->TargetEffect == e->Effect)
            {
                e->Effect->OnMessage(fired->MessageID, fired->Parameters, fired->ParameterCount);
                ++m_Delivered;
                delivered = true;
            }
            e->Effect->Update();
        }
        for (TEffect* e : active)
        {
            m_Window->ResetForEffect();
            e->Effect->Render();
        }

        Timer::Update();
        MusicPlayer::UpdateSpectrum();
        if (!m_Observers.empty())
            NotifyObservers(now, frameTime, hasLead ? &lead : nullptr, fired, delivered, active);
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

#include "edit/EditSession.h"

#include "core/DemoCore.h"
#include "core/ILoadingScreen.h"
#include "core/MusicPlayer.h"
#include "core/Timer.h"
#include "edit/EditCore.h"
#include "edit/EditOverlay.h"
#include "framework/EffectInterface.h"
#include "framework/IEffect.h"
#include "gfx/OGLWindow.h"
#include "platform/Counter.h"
#include "platform/Events.h"
#include "platform/FileWatch.h"
#include "platform/MessageBox.h"
#include "script/ScriptParser.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

// One restart's objects: the registry with its fresh effect instances and the
// core loaded with the script at the restart's position.
struct EditSession::Stage
{
    std::unique_ptr<EffectInterface> registry;
    std::vector<std::unique_ptr<IEffect>> kinds;
    std::unique_ptr<EditCore> core;
    uint32_t startMs = 0;
};

namespace
{
const char* const kScriptName = "script.txt";

std::string BaseName(const std::string& path)
{
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

const char* EffectName(EffectInterface* registry, const IEffect* effect)
{
    if (registry)
        for (const TEffectList& entry : registry->Effects())
            if (entry.Effect == effect)
                return entry.Name.c_str();
    return "?";
}

std::string MessageName(EffectInterface* registry, const TMessage& m)
{
    if (registry)
        for (const TMessageMap& entry : registry->GetMessageInterface()->Entries())
            if (entry.Effect == m.TargetEffect && entry.ID == m.MessageID)
                return entry.Name;
    return "#" + std::to_string(m.MessageID);
}
} // namespace

EditSession::EditSession(EditSetup setup) : m_Setup(std::move(setup)) {}

EditSession::~EditSession()
{
    ReleaseStage(m_Next);
    ReleaseStage(m_Stage);
}

DemoCore* EditSession::GetCore() const
{
    return m_Stage ? m_Stage->core.get() : nullptr;
}

float EditSession::GetTime() const
{
    return Timer::GetTime();
}

uint32_t EditSession::ToMs(float seconds)
{
    double ms = std::floor(static_cast<double>(seconds) * 1000.0 + 0.5);
    return static_cast<uint32_t>(std::clamp(ms, 0.0, 4294967295.0));
}

bool EditSession::ReadScript(std::string& text)
{
    // The reader a plain run uses: its text after the filter, bounded, and
    // reported like any script that cannot be read ("File Not Found!",
    // "Script Too Large").
    return ScriptParser::ReadScript(m_Setup.scriptPath, text);
}

EditSession::StagePtr EditSession::BuildStage(const std::string& text, uint32_t ms)
{
    StagePtr stage(new Stage);
    stage->startMs = ms;
    stage->registry.reset(new EffectInterface);
    stage->kinds = m_Setup.makeKinds(stage->registry.get());
    stage->core.reset(m_Setup.makeCore(text));
    stage->core->SetStartTime(ms);
    ILoadingScreen* loading =
        m_Setup.makeLoadingScreen ? m_Setup.makeLoadingScreen(m_Setup.window) : nullptr;
    stage->core->Init(m_Setup.window, stage->registry.get(), loading, true);
    stage->core->Load(kScriptName);
    return stage;
}

// The sound layer outlives a player; the restart's stream is closed here so
// that restarts do not pile up open decoders.
void EditSession::ReleaseStage(StagePtr& stage)
{
    if (!stage)
        return;
    if (MusicPlayer* music = stage->core->GetMusicPlayer())
        music->Close();
    stage->core.reset();
    stage->registry->Clear();
    stage->registry.reset();
    stage->kinds.clear();
    stage.reset();
}

int EditSession::Run(uint32_t startMs)
{
    platform::SetFailureQuitsQueued(false);
    // Every report is counted; its text reaches stderr through the box's echo,
    // and no modal box ever stops the run.
    platform::SetMessageBoxRecorder(
        [this](platform::BoxIcon, const std::string&, const std::string&) { ++m_Reports; });
    m_Setup.window->SetKeyListener([this](int key) { OnKey(key); });

    std::string text;
    if (ReadScript(text))
    {
        m_GoodText = text;
        m_HasGood = true;
    }

    uint32_t position = startMs;
    while (m_Setup.window->IsRunning())
    {
        m_Stage = m_Next ? std::move(m_Next) : BuildStage(m_GoodText, position);
        EditCore* core = m_Stage->core.get();
        // Past the last entry nothing is left on the timeline: the end is here.
        m_ScriptEnd = core->GetEndTime() > 0.0f ? core->GetEndTime()
                                                : static_cast<float>(m_Stage->startMs / 1000.0);
        core->AddFrameObserver(this);
        core->SetTitleShowsTime(true);
        core->SetStopAtEnd(!m_Setup.holdAtEnd);
        m_RestartPending = false;
        m_FirstFrame = true;
        // The clock and the spectrum as a fresh program has them.
        Timer::Reset();
        MusicPlayer::ClearSpectrum();
        core->Run();
        m_Frames += core->GetFrameCount();
        m_Delivered += core->GetDeliveredMessageCount();
        ReleaseStage(m_Stage);
        if (!m_RestartPending)
            break;
        position = m_RestartMs;
        ++m_Restarts;
    }
    ReleaseStage(m_Next);

    m_Setup.window->SetKeyListener(nullptr);
    platform::SetMessageBoxRecorder(nullptr);
    platform::SetFailureQuitsQueued(true);
    platform::SetCounterPaused(false);
    return m_HasGood ? 0 : 1;
}

void EditSession::Reload(bool byHand, float at)
{
    std::string name = BaseName(m_Setup.scriptPath);
    std::string text;
    if (!ReadScript(text))
    {
        std::fprintf(stderr, "vortexel: %s cannot be read; the last good timeline plays on\n",
                     name.c_str());
        return;
    }
    if (!byHand && m_HasGood && text == m_GoodText)
        return; // saved without a change: nothing to restart for
    uint32_t ms = ToMs(at);
    int before = m_Reports;
    StagePtr stage = BuildStage(text, ms);
    int reports = m_Reports - before;
    if (reports > 0)
    {
        ReleaseStage(stage);
        std::fprintf(stderr, "vortexel: %s raised %d report%s; the last good timeline plays on\n",
                     name.c_str(), reports, reports == 1 ? "" : "s");
        return;
    }
    std::fprintf(stderr, "vortexel: %s loaded, restarting at %.3f s\n", name.c_str(), ms / 1000.0);
    m_GoodText = text;
    m_HasGood = true;
    ReleaseStage(m_Next);
    m_Next = std::move(stage);
    m_RestartMs = ms;
    m_RestartPending = true;
    m_HeldAtEnd = false;
    if (DemoCore* core = GetCore())
        core->Stop();
}

void EditSession::RestartAt(float seconds)
{
    // A position loaded earlier (a reload in this frame) is not the one asked for now.
    ReleaseStage(m_Next);
    m_RestartMs = ToMs(std::clamp(seconds, 0.0f, std::max(m_ScriptEnd, 0.0f)));
    m_RestartPending = true;
    if (m_HeldAtEnd)
        SetPaused(false); // leaving the end plays again; a pause of the author's own stays
    m_HeldAtEnd = false;
    if (DemoCore* core = GetCore())
        core->Stop();
}

void EditSession::Seek(float delta)
{
    float from = m_RestartPending ? static_cast<float>(m_RestartMs / 1000.0) : Timer::GetTime();
    RestartAt(from + delta);
}

void EditSession::SetPaused(bool on)
{
    m_Paused = on;
    platform::SetCounterPaused(on);
    MusicPlayer* music = GetCore() ? GetCore()->GetMusicPlayer() : nullptr;
    if (!music)
        return;
    if (on)
        music->Pause();
    else
        music->Play(); // unpauses; a stream that is on a channel goes on where it was
}

void EditSession::OnKey(int key)
{
    switch (key)
    {
    case platform::KeySpace:
        if (m_HeldAtEnd)
            RestartAt(0.0f);
        else
            SetPaused(!m_Paused);
        break;
    case platform::KeyLeft:
        Seek(-kShortSeek);
        break;
    case platform::KeyRight:
        Seek(kShortSeek);
        break;
    case platform::KeyPageUp:
        Seek(-kLongSeek);
        break;
    case platform::KeyPageDown:
        Seek(kLongSeek);
        break;
    case platform::KeyHome:
        RestartAt(0.0f);
        break;
    case platform::KeyR:
        Reload(true, Timer::GetTime());
        break;
    case platform::KeyTab:
        m_OverlayVisible = !m_OverlayVisible;
        break;
    default:
        break;
    }
}

void EditSession::OnFrame(const FrameRecord& frame)
{
    DemoCore& core = *GetCore();
    if (m_FirstFrame && m_Paused)
    {
        // The restart's Run started the music; a paused session keeps it still.
        if (MusicPlayer* music = core.GetMusicPlayer())
            music->Pause();
    }
    m_FirstFrame = false;

    if (frame.Message)
    {
        char text[96];
        std::snprintf(text, sizeof text, "%.3f ",
                      static_cast<double>(frame.Message->ActivationTime));
        m_LastMessage = text + MessageName(core.GetRegistry(), *frame.Message) + " > " +
                        EffectName(core.GetRegistry(), frame.Message->TargetEffect) +
                        (frame.Delivered ? "  delivered" : "  lost");
    }
    if (!m_Paused)
    {
        // While paused the output is silent; the overlay keeps the frozen moment's music.
        for (int i = 0; i < 3; ++i)
            m_Bands[i] = frame.HasMusic ? frame.Bands[i] : 0.0f;
        const float* spectrum = MusicPlayer::GetSpectrum();
        if (spectrum)
            m_Spectrum.assign(spectrum, spectrum + MusicPlayer::kSpectrumSize);
    }

    if (m_Setup.onFrame)
        m_Setup.onFrame(m_Frames + frame.Frame, frame);
    if (m_OverlayVisible && m_Setup.overlay)
        DrawOverlay(core, frame);

    if (m_Setup.holdAtEnd && !m_Paused && !m_RestartPending && frame.Time > m_ScriptEnd)
    {
        SetPaused(true);
        m_HeldAtEnd = true;
    }

    // Any activity on the file restarts the wait; a save still being written
    // (truncated, not yet closed) is waited for.
    if (m_Setup.watch && m_Setup.watch->Poll())
        m_ChangeSeenAt = m_Setup.wallClock ? m_Setup.wallClock() : 0.0;
    if (m_ChangeSeenAt >= 0.0 && !m_RestartPending &&
        (!m_Setup.watch || m_Setup.watch->IsComplete()))
    {
        double now = m_Setup.wallClock ? m_Setup.wallClock() : kSettleSeconds;
        if (now - m_ChangeSeenAt >= kSettleSeconds)
        {
            m_ChangeSeenAt = -1.0;
            Reload(false, frame.Time); // the time on screen
        }
    }
}

void EditSession::DrawOverlay(DemoCore& core, const FrameRecord& frame)
{
    OverlayView view;
    char text[160];
    std::snprintf(text, sizeof text, "%.2f s / %.2f s%s", static_cast<double>(frame.Time),
                  static_cast<double>(m_ScriptEnd),
                  m_HeldAtEnd ? "   held at the end"
                  : m_Paused  ? "   paused"
                              : "");
    view.lines.push_back(text);
    view.lines.push_back("message " + (m_LastMessage.empty() ? "none yet" : m_LastMessage));
    for (size_t i = 0; i < frame.ActiveCount; ++i)
    {
        const TEffect* e = frame.Active[i];
        std::snprintf(text, sizeof text, "layer %d  %s  %.3f-%.3f", e->LayerID,
                      EffectName(core.GetRegistry(), e->Effect), static_cast<double>(e->StartTime),
                      static_cast<double>(e->StopTime));
        view.lines.push_back(text);
    }
    for (int i = 0; i < 3; ++i)
        view.bands[i] = m_Bands[i];
    if (!m_Spectrum.empty())
    {
        view.spectrum = m_Spectrum.data();
        view.spectrumSize = static_cast<int>(m_Spectrum.size());
    }
    m_Setup.overlay->Draw(view, m_Setup.window->GetWidth(), m_Setup.window->GetHeight());
}

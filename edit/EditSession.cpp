#include "edit/EditSession.h"

#include "core/DemoCore.h"
#include "core/ErrorBox.h"
#include "core/ILoadingScreen.h"
#include "core/MusicPlayer.h"
#include "core/Timer.h"
#include "edit/EditCore.h"
#include "edit/EditOverlay.h"
#include "effects/EffectKinds.h"
#include "effects/MeshFile.h"
#include "framework/EffectInterface.h"
#include "framework/IEffect.h"
#include "gfx/GLSLShader.h"
#include "gfx/OGLWindow.h"
#include "gfx/TextureManager.h"
#include "platform/Counter.h"
#include "platform/Events.h"
#include "platform/FileWatch.h"
#include "platform/MessageBox.h"
#include "platform/RegularFile.h"
#include "script/FileAccess.h"
#include "script/ScriptParser.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>

// One restart's objects: the registry with its fresh effect instances and the
// core loaded with the script at the restart's position.
struct EditSession::Stage
{
    std::unique_ptr<EffectInterface> registry;
    std::vector<std::unique_ptr<IEffect>> kinds;
    std::unique_ptr<EditCore> core;
    uint32_t startMs = 0;
};

// A data file the demo read, watched for saves.
struct EditSession::Watched
{
    DataFile file;
    std::unique_ptr<platform::FileWatch> watch;
    double changeSeenAt = -1.0;
    size_t digest = 0; // of the contents last taken
};

namespace
{
const char* const kScriptName = "script.txt";
const float kFrameStep = 1.0f / EditSession::kSeekRate;

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

std::string DescribeMessage(EffectInterface* registry, const TMessage& m, bool delivered)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.3f ", static_cast<double>(m.ActivationTime));
    return text + MessageName(registry, m) + " > " + EffectName(registry, m.TargetEffect) +
           (delivered ? "  delivered" : "  lost");
}

// A file's contents in brief; 0 when it cannot be read.
size_t Digest(const std::string& path)
{
    std::FILE* f = platform::OpenRegularFile(path, "rb");
    if (!f)
        return 0;
    std::string bytes;
    char buffer[65536];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0)
        bytes.append(buffer, n);
    std::fclose(f);
    return std::hash<std::string>()(bytes) ^ bytes.size();
}

// A report as one line: the box's context and the first line of its text.
std::string ReportLine(const std::string& caption, const std::string& text)
{
    size_t colon = caption.find(": ");
    std::string context = colon == std::string::npos ? caption : caption.substr(colon + 2);
    std::string line = context + ": " + text.substr(0, text.find_first_of("\r\n"));
    const size_t kLongest = 110;
    if (line.size() > kLongest)
        line = line.substr(0, kLongest - 3) + "...";
    return line;
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

EditSession::StagePtr EditSession::BuildStage(const std::string& text, uint32_t ms,
                                              bool loadingScreen)
{
    StagePtr stage(new Stage);
    stage->startMs = ms;
    stage->registry.reset(new EffectInterface);
    stage->kinds = m_Setup.makeKinds(stage->registry.get());
    stage->core.reset(m_Setup.makeCore(text));
    stage->core->SetStartTime(ms);
    // The whole script is loaded, and so checked; the run replays it up to ms.
    stage->core->SetExactSeek(kSeekRate);
    ILoadingScreen* loading = loadingScreen && m_Setup.makeLoadingScreen
                                  ? m_Setup.makeLoadingScreen(m_Setup.window)
                                  : nullptr;
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
        [this](platform::BoxIcon, const std::string& caption, const std::string& text)
        {
            if (m_FirstReport.empty())
                m_FirstReport = ReportLine(caption, text);
            ++m_Reports;
        });
    m_Setup.window->SetKeyListener([this](int key) { OnKey(key); });

    std::string text;
    if (ReadScript(text))
    {
        m_GoodText = text;
        m_HasGood = true;
    }

    uint32_t position = startMs;
    bool first = true;
    while (m_Setup.window->IsRunning())
    {
        m_Stage = m_Next ? std::move(m_Next) : BuildStage(m_GoodText, position, first);
        first = false;
        EditCore* core = m_Stage->core.get();
        // Past the last entry nothing is left on the timeline: the end is here.
        m_ScriptEnd = core->GetEndTime() > 0.0f ? core->GetEndTime()
                                                : static_cast<float>(m_Stage->startMs / 1000.0);
        core->AddFrameObserver(this);
        core->SetTitleShowsTime(true);
        core->SetStopAtEnd(!m_Setup.holdAtEnd);
        m_RestartPending = false;
        m_FirstFrame = true;
        // The clock, the spectrum and the kinds' shared state as a fresh
        // program has them, at the author's speed; a quiet demo takes its
        // spectrum from the decoder.
        Timer::Reset();
        Timer::SetSpeed(m_Speed);
        MusicPlayer::ClearSpectrum();
        ResetSharedEffectState();
        MusicPlayer::SetSpectrumSource(IsQuiet() ? core->GetOfflineMusic() : nullptr);
        m_LastMessage.clear(); // the new timeline's own, from its replay on
        core->Run();
        MusicPlayer::SetSpectrumSource(nullptr);
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
    Timer::SetSpeed(1.0f);
    return m_HasGood ? 0 : 1;
}

void EditSession::Reload(bool byHand, float at)
{
    std::string name = BaseName(m_Setup.scriptPath);
    std::string text;
    m_FirstReport.clear();
    if (!ReadScript(text))
    {
        std::fprintf(stderr, "vortexel: %s cannot be read; the last good timeline plays on\n",
                     name.c_str());
        Failed(name, 0, nullptr);
        return;
    }
    if (!byHand && m_HasGood && text == m_GoodText)
        return; // saved without a change: nothing to restart for
    if (Restage(text, at, name))
    {
        m_GoodText = text;
        m_HasGood = true;
    }
}

bool EditSession::Restage(const std::string& text, float at, const std::string& what)
{
    uint32_t ms = ToMs(at);
    int before = m_Reports;
    m_FirstReport.clear();
    StagePtr stage = BuildStage(text, ms, false);
    int reports = m_Reports - before;
    if (reports > 0)
    {
        ReleaseStage(stage);
        Failed(what, reports, what == BaseName(m_Setup.scriptPath) ? "timeline" : "version");
        return false;
    }
    std::fprintf(stderr, "vortexel: %s loaded, restarting at %.3f s\n", what.c_str(), ms / 1000.0);
    m_Failures.erase(std::remove_if(m_Failures.begin(), m_Failures.end(),
                                    [&](const auto& f) { return f.first == what; }),
                     m_Failures.end());
    ReleaseStage(m_Next);
    m_Next = std::move(stage);
    m_RestartMs = ms;
    m_RestartPending = true;
    m_HeldAtEnd = false;
    if (DemoCore* core = GetCore())
        core->Stop();
    return true;
}

// Says on stderr what failed (keeps: "timeline" or "version"; null when
// stderr has been told already) and keeps its first report for the overlay.
void EditSession::Failed(const std::string& what, int reports, const char* keeps)
{
    if (keeps)
        std::fprintf(stderr, "vortexel: %s raised %d report%s; the last good %s %s\n", what.c_str(),
                     reports, reports == 1 ? "" : "s", keeps,
                     std::string(keeps) == "timeline" ? "plays on" : "stays");
    std::string line = what + ": " + (m_FirstReport.empty() ? "cannot be read" : m_FirstReport);
    for (auto& f : m_Failures)
        if (f.first == what)
        {
            f.second = line;
            return;
        }
    m_Failures.emplace_back(what, line);
}

std::vector<std::string> EditSession::GetFailureLines() const
{
    std::vector<std::string> lines;
    for (const auto& f : m_Failures)
        lines.push_back(f.second);
    return lines;
}

void EditSession::PollDataFiles(float at)
{
    if (!m_Setup.watchFile)
        return;
    const std::vector<DataFile>& files = DataFilesRead();
    for (; m_DataFilesSeen < files.size(); ++m_DataFilesSeen)
    {
        Watched w;
        w.file = files[m_DataFilesSeen];
        w.watch = m_Setup.watchFile(w.file.path);
        w.digest = Digest(w.file.path);
        if (w.watch)
            m_DataWatches.push_back(std::move(w));
    }
    const double seen = m_Setup.wallClock ? m_Setup.wallClock() : 0.0;
    const double now = m_Setup.wallClock ? m_Setup.wallClock() : kSettleSeconds;
    for (Watched& w : m_DataWatches)
        if (w.watch->Poll())
            w.changeSeenAt = seen;
    for (Watched& w : m_DataWatches)
    {
        if (m_RestartPending)
            return; // the next stage reads every file afresh
        // Only a complete save is read, as for the script (platform/FileWatch.h).
        if (w.changeSeenAt >= 0.0 && w.watch->IsComplete() &&
            now - w.changeSeenAt >= kSettleSeconds)
        {
            w.changeSeenAt = -1.0;
            // Closed without a change (a parameter file the demo itself keeps
            // open for appending closes with every restart): nothing to load.
            const size_t digest = Digest(w.file.path);
            if (digest == w.digest)
                continue;
            w.digest = digest;
            ReloadDataFile(w.file, at);
        }
    }
}

// Pictures and shaders are replaced where they are; the other files are read
// by the effects as they start, so the demo restarts at the current time
// (exactly, with fresh effects) once the file is known to load.
void EditSession::ReloadDataFile(const DataFile& file, float at)
{
    const std::string name = BaseName(file.path);
    const int before = m_Reports;
    m_FirstReport.clear();
    bool restart = false;
    switch (file.kind)
    {
    case DataFileKind::Picture:
    {
        TextureManager* textures = TextureManager::GetInstance();
        if (textures && !textures->Reload(file.name) && m_Reports == before)
            restart = true; // it never loaded: the restart's effects load it
        break;
    }
    case DataFileKind::Shader:
        GLSLShader::RelinkFile(file.path);
        break;
    case DataFileKind::Mesh:
    {
        Mesh probe;
        if (LoadMesh(file.path, &probe))
            restart = true;
        else
            ShowError("Model File", "Cannot Load Model File: " + file.path);
        break;
    }
    case DataFileKind::Parameters:
        if (std::FILE* f = OpenFile(file.path, "rb"))
        {
            CloseFile(f);
            restart = true;
        }
        break;
    case DataFileKind::Music:
        restart = true; // the restart opens it, and refuses it if it raises a report
        break;
    }
    const int reports = m_Reports - before;
    if (reports > 0)
        Failed(name, reports, "version");
    else if (restart)
    {
        if (m_HasGood)
            Restage(m_GoodText, at, name);
    }
    else
    {
        std::fprintf(stderr, "vortexel: %s reloaded\n", name.c_str());
        m_Failures.erase(std::remove_if(m_Failures.begin(), m_Failures.end(),
                                        [&](const auto& f) { return f.first == name; }),
                         m_Failures.end());
    }
}

void EditSession::RestartAt(float seconds)
{
    // A position loaded earlier (a reload in this frame) is not the one asked for now.
    ReleaseStage(m_Next);
    m_RestartMs = ToMs(std::clamp(seconds, 0.0f, std::max(m_ScriptEnd, 0.0f)));
    m_RestartPending = true;
    if (m_HeldAtEnd)
    {
        // Leaving the end plays again (the restart starts the music); a pause
        // of the author's own stays.
        m_Paused = false;
        platform::SetCounterPaused(false);
    }
    m_HeldAtEnd = false;
    if (DemoCore* core = GetCore())
        core->Stop();
}

float EditSession::Position() const
{
    if (m_RestartPending)
        return static_cast<float>(m_RestartMs / 1000.0);
    if (m_FirstFrame && m_Stage)
        return static_cast<float>(m_Stage->startMs / 1000.0); // still loading
    return Timer::GetTime();
}

void EditSession::Seek(float delta)
{
    RestartAt(Position() + delta);
}

void EditSession::SetPaused(bool on)
{
    m_Paused = on;
    platform::SetCounterPaused(on);
    FollowClock();
}

void EditSession::SetSpeed(float speed)
{
    m_Speed = std::clamp(speed, kMinSpeed, kMaxSpeed);
    Timer::SetSpeed(m_Speed);
    FollowClock();
}

void EditSession::FollowClock()
{
    DemoCore* core = GetCore();
    if (!core)
        return;
    MusicPlayer::SetSpectrumSource(IsQuiet() ? core->GetOfflineMusic() : nullptr);
    MusicPlayer* music = core->GetMusicPlayer();
    if (!music)
        return;
    if (IsQuiet())
        music->Pause();
    else
    {
        // The clock may have moved while the music stood (frame steps).
        music->SetTime(static_cast<int32_t>(ToMs(Timer::GetTime())));
        music->Play(); // unpauses; a stream that is on a channel goes on from there
    }
}

// One 60 Hz frame of demo time, pausing first: forward the paused clock moves
// on by it (the next frame shows it); back is an exact seek.
void EditSession::StepFrame(int direction)
{
    if (m_HeldAtEnd && direction > 0)
        return;
    if (!m_Paused)
        SetPaused(true);
    if (direction < 0)
        RestartAt(Position() - kFrameStep);
    else if (m_RestartPending || m_FirstFrame)
        RestartAt(Position() + kFrameStep);
    else
        platform::StepPausedCounter(static_cast<double>(kFrameStep / m_Speed));
}

void EditSession::OnLoopKey(int key)
{
    if (key == platform::KeyI)
        m_LoopIn = Position();
    else if (key == platform::KeyO)
        m_LoopOut = Position();
    else if (m_Looping)
        m_Looping = false;
    else if (m_LoopIn < GetLoopOut())
        m_Looping = true;
    else
        std::fprintf(stderr, "vortexel: the loop's in point (I) must come before its out point "
                             "(O)\n");
}

float EditSession::GetLoopOut() const
{
    return m_LoopOut >= 0.0f ? m_LoopOut : m_ScriptEnd;
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
        Reload(true, Position());
        break;
    case platform::KeyTab:
        m_OverlayVisible = !m_OverlayVisible;
        break;
    case platform::KeyComma:
        StepFrame(-1);
        break;
    case platform::KeyPeriod:
        StepFrame(1);
        break;
    case platform::KeyLeftBracket:
        SetSpeed(m_Speed / 2.0f);
        break;
    case platform::KeyRightBracket:
        SetSpeed(m_Speed * 2.0f);
        break;
    case platform::KeyI:
    case platform::KeyO:
    case platform::KeyL:
        OnLoopKey(key);
        break;
    default:
        break;
    }
}

void EditSession::OnFrame(const FrameRecord& frame)
{
    DemoCore& core = *GetCore();
    if (m_FirstFrame)
    {
        // The restart's Run started the music; a quiet session keeps it still.
        if (IsQuiet())
            FollowClock();
    }
    m_FirstFrame = false;

    // The last message due, also one taken by the replay or by an undrawn step.
    if (const TMessage* m = core.GetLastMessage())
        m_LastMessage = DescribeMessage(core.GetRegistry(), *m, core.WasLastMessageDelivered());
    // A quiet demo's spectrum is the decoded music's at the clock (FollowClock),
    // so a paused frame shows the music of its own moment.
    for (int i = 0; i < 3; ++i)
        m_Bands[i] = frame.HasMusic ? frame.Bands[i] : 0.0f;
    if (const float* spectrum = MusicPlayer::GetSpectrum())
        m_Spectrum.assign(spectrum, spectrum + MusicPlayer::kSpectrumSize);
    else
        m_Spectrum.clear();

    if (m_Setup.onFrame)
        m_Setup.onFrame(m_Frames + frame.Frame, frame);
    if (m_OverlayVisible && m_Setup.overlay)
        DrawOverlay(frame);

    if (m_Looping && !m_RestartPending && frame.Time >= GetLoopOut())
        RestartAt(m_LoopIn); // the restart positions the music there too
    else if (m_Setup.holdAtEnd && !m_Paused && !m_RestartPending && frame.Time > m_ScriptEnd)
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
    PollDataFiles(frame.Time);
}

OverlayView EditSession::MakeOverlayView(const FrameRecord& frame) const
{
    const DemoCore& core = *GetCore();
    EffectInterface* registry = core.GetRegistry();
    OverlayView view;
    char text[200];
    char speed[24] = "";
    if (m_Speed != 1.0f)
        std::snprintf(speed, sizeof speed, "   %gx", static_cast<double>(m_Speed));
    std::snprintf(text, sizeof text, "%.2f s / %.2f s%s%s   loop %.2f-%.2f s %s",
                  static_cast<double>(frame.Time), static_cast<double>(m_ScriptEnd),
                  m_HeldAtEnd ? "   held at the end"
                  : m_Paused  ? "   paused"
                              : "",
                  speed, static_cast<double>(m_LoopIn), static_cast<double>(GetLoopOut()),
                  m_Looping ? "on" : "off");
    view.lines.push_back(text);
    view.lines.push_back("message " + (m_LastMessage.empty() ? "none yet" : m_LastMessage));
    for (size_t i = 0; i < frame.ActiveCount; ++i)
    {
        const TEffect* e = frame.Active[i];
        std::snprintf(text, sizeof text, "layer %d  %s  %.3f-%.3f", e->LayerID,
                      EffectName(registry, e->Effect), static_cast<double>(e->StartTime),
                      static_cast<double>(e->StopTime));
        view.lines.push_back(text);
    }
    view.errors = GetFailureLines();
    view.help = "Space pause  </> 5 s  PgUp/PgDn 30 s  Home  , . frame  [ ] speed  I O L loop  "
                "R reload  Tab";
    for (int i = 0; i < 3; ++i)
        view.bands[i] = m_Bands[i];
    if (!m_Spectrum.empty())
    {
        view.spectrum = m_Spectrum.data();
        view.spectrumSize = static_cast<int>(m_Spectrum.size());
    }

    // The timeline strip: a row per layer in drawing order, each entry a bar,
    // the messages as ticks, the cursor and the loop.
    TimelineView& strip = view.timeline;
    strip.length = std::max(m_ScriptEnd, 0.001f);
    strip.cursor = frame.Time;
    strip.loopIn = m_LoopIn;
    strip.loopOut = GetLoopOut();
    strip.looping = m_Looping;
    for (const TEffect& e : core.GetEffects())
    {
        auto row = std::find_if(strip.rows.begin(), strip.rows.end(),
                                [&](const TimelineRow& r) { return r.layer == e.LayerID; });
        if (row == strip.rows.end())
            row = strip.rows.insert(row, TimelineRow{e.LayerID, {}});
        row->bars.push_back(TimelineBar{e.StartTime, e.StopTime, EffectName(registry, e.Effect)});
    }
    std::sort(strip.rows.begin(), strip.rows.end(),
              [](const TimelineRow& a, const TimelineRow& b)
              { return static_cast<uint32_t>(a.layer) < static_cast<uint32_t>(b.layer); });
    for (const TMessage& m : core.GetMessages())
        strip.ticks.push_back(m.ActivationTime);
    return view;
}

void EditSession::DrawOverlay(const FrameRecord& frame)
{
    m_Setup.overlay->Draw(MakeOverlayView(frame), m_Setup.window->GetWidth(),
                          m_Setup.window->GetHeight());
}

#include "platform/Sound.h"

#include "platform/SdlInit.h"
#include "platform/SoundSpectrum.h"
#include "platform/SoundStream.h"

#include <SDL.h>
#include <dlfcn.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

struct platform::SoundUnit
{
    bool active = false;
};

namespace platform
{

namespace
{
// ALSA prints its own lines to stderr for every device it fails to open (on a
// machine without a sound card, a dozen before SDL falls back). The failure is
// reported once, in our words, when the output falls back to silence; its
// library's chatter is silenced here. The library stays loaded on purpose.
void IgnoreAlsaError(const char*, int, const char*, int, const char*, ...) {}

void QuietAlsa()
{
    static bool done = false;
    if (done)
        return;
    done = true;
#ifdef __EMSCRIPTEN__
    return; // browser build: Web Audio, no ALSA and no dlopen
#endif
    void* alsa = dlopen("libasound.so.2", RTLD_LAZY | RTLD_LOCAL);
    if (!alsa)
        return;
    using Handler = void (*)(const char*, int, const char*, int, const char*, ...);
    using SetHandler = int (*)(Handler);
    if (auto set = reinterpret_cast<SetHandler>(dlsym(alsa, "snd_lib_error_set_handler")))
        set(IgnoreAlsaError);
}

// The call set of this layer is that of the stream library the demo was
// written against, whose version it reports; the player checks for it.
constexpr float kLayerVersion = 3.75f;
constexpr int kDefaultBufferFrames = 1024;
constexpr int kMaxBufferFrames = 2048; // keeps the spectrum within ~46 ms of the ear
constexpr int kMinBufferFrames = 256;

class SdlSoundLayer : public SoundLayer
{
  public:
    float GetVersion() override { return kLayerVersion; }

    bool SetDriver(int driver) override
    {
        if (driver == 1)
        {
            m_DeviceName.clear();
            return true;
        }
        if (driver < 2 || !EnsureSdlSubsystem(SDL_INIT_AUDIO) ||
            driver - 2 >= SDL_GetNumAudioDevices(0))
            return false;
        const char* name = SDL_GetAudioDeviceName(driver - 2, 0);
        if (!name)
            return false;
        m_DeviceName = name;
        return true;
    }

    bool Start(int mixRate, int channels, unsigned) override
    {
        if (m_Device)
            return true;
        if (mixRate < 1 || channels < 1)
            return false;

        SDL_AudioSpec want;
        SDL_zero(want);
        want.freq = mixRate;
        want.format = AUDIO_F32SYS;
        want.channels = 2;
        want.samples = static_cast<Uint16>(BufferFrames(mixRate));
        want.callback = &SdlSoundLayer::Callback;
        want.userdata = this;

        // Buffers first: the device may call back as soon as it runs.
        m_Scratch.assign(2 * static_cast<size_t>(kMaxBufferFrames), 0.0f);
        m_Channels.assign(static_cast<size_t>(channels), Channel());
        m_Rate = mixRate;

        SDL_AudioSpec have;
        std::string error;
        if (!OpenDevice(want, have, error))
        {
            // No sound card (servers, containers, CI): play on, in silence.
            SDL_QuitSubSystem(SDL_INIT_AUDIO);
            SDL_SetHintWithPriority(SDL_HINT_AUDIODRIVER, "dummy", SDL_HINT_OVERRIDE);
            m_DeviceName.clear();
            std::string dummyError;
            if (!OpenDevice(want, have, dummyError))
                return false;
            static bool told = false;
            if (!told)
                std::fprintf(stderr,
                             "Vortexel: no audio output (%s); the music plays silently through "
                             "SDL's dummy audio driver.\n",
                             error.c_str());
            told = true;
        }
        m_BufferFrames = have.samples;
        // The dummy driver paces itself on a timer and plays to nobody: there
        // is no listener to follow.
        const char* driver = SDL_GetCurrentAudioDriver();
        m_HasClock = driver && std::strcmp(driver, "dummy") != 0;
        m_Queued = BackendQueuedFrames(driver, m_BufferFrames);
        m_Unit.active = false;
        SDL_PauseAudioDevice(m_Device, 0);
        return true;
    }

    bool SetBufferSize(int ms) override
    {
        if (ms < 0)
            return false;
        m_BufferMs = ms; // for a later Start; a running output keeps its latency
        return true;
    }

    SoundUnit* GetFFTUnit() override { return m_Device ? &m_Unit : nullptr; }

    bool SetUnitActive(SoundUnit* unit, bool active) override
    {
        if (!unit)
            return false;
        unit->active = active;
        return true;
    }

    SoundStream* OpenStream(const std::string& path, unsigned mode) override
    {
        std::unique_ptr<SoundDecoder> decoder =
            OpenSoundDecoder(path, m_Device ? m_Rate : kSoundRate);
        if (!decoder)
            return nullptr;
        SoundStream* stream = new SoundStream;
        stream->decoder = std::move(decoder);
        stream->mode = mode;
        return stream;
    }

    int PlayStream(int channel, SoundStream* stream) override
    {
        if (!stream || !m_Device)
            return -1;
        Lock lock(m_Device);
        int on = FindChannel(stream);
        if (on >= 0)
            return on;
        if (channel == SoundFreeChannel)
        {
            for (size_t i = 0; i < m_Channels.size() && channel < 0; ++i)
                if (!m_Channels[i].stream)
                    channel = static_cast<int>(i);
        }
        if (channel < 0 || channel >= static_cast<int>(m_Channels.size()))
            return -1;
        m_Channels[channel].stream = stream;
        m_Channels[channel].paused = false;
        stream->run.fetch_add(1, std::memory_order_relaxed);
        return channel;
    }

    bool StopStream(SoundStream* stream) override
    {
        if (!stream)
            return false;
        if (m_Device)
        {
            Lock lock(m_Device);
            int on = FindChannel(stream);
            if (on >= 0)
                m_Channels[on].stream = nullptr;
        }
        return true;
    }

    bool CloseStream(SoundStream* stream) override
    {
        if (!stream)
            return false;
        StopStream(stream); // after this the callback cannot reach it
        delete stream;
        return true;
    }

    bool SetStreamTime(SoundStream* stream, int ms) override
    {
        if (!stream)
            return false;
        SeekStream(*stream, static_cast<int64_t>(ms) * StreamRate() / 1000);
        return true;
    }

    int GetStreamTime(SoundStream* stream) override
    {
        if (!stream)
            return 0;
        int64_t ms = stream->position.load(std::memory_order_relaxed) * 1000 / StreamRate();
        return static_cast<int>(std::min<int64_t>(ms, 0x7FFFFFFF));
    }

    bool GetPaused(int channel) override
    {
        if (!m_Device)
            return false;
        Lock lock(m_Device);
        if (channel == SoundAllChannels)
            return std::all_of(m_Channels.begin(), m_Channels.end(),
                               [](const Channel& c) { return c.paused; });
        return channel >= 0 && channel < static_cast<int>(m_Channels.size()) &&
               m_Channels[channel].paused;
    }

    bool SetPaused(int channel, bool paused) override
    {
        if (!m_Device)
            return false;
        Lock lock(m_Device);
        if (channel == SoundAllChannels)
        {
            for (Channel& c : m_Channels)
                Pause(c, paused);
            return true;
        }
        if (channel < 0 || channel >= static_cast<int>(m_Channels.size()))
            return false;
        Pause(m_Channels[channel], paused);
        return true;
    }

    float* GetSpectrum() override
    {
        if (!m_Device)
            return nullptr;
        if (m_Unit.active)
        {
            {
                // The delay and the window from one moment: no callback between.
                Lock lock(m_Device);
                m_History.Snapshot(m_Mono, HeardDelay());
            }
            m_Analyser.Compute(m_Mono, m_Spectrum);
        }
        return m_Spectrum;
    }

    Audible GetStreamAudible(SoundStream* stream, double& ms) override
    {
        if (!stream || !m_Device || !m_HasClock)
            return Audible::None;
        Lock lock(m_Device);
        const uint32_t run = stream->run.load(std::memory_order_relaxed);
        const int on = FindChannel(stream);
        const bool playing = on >= 0 && !m_Channels[on].paused;
        if (stream->anchor.run != run)
            return playing ? Audible::Pending : Audible::None; // not handed out yet
        double frame = 0.0;
        Audible heard =
            HeardStreamFrame(m_DeviceAnchor, stream->anchor, run, m_Queued,
                             static_cast<int64_t>(SDL_GetPerformanceCounter()),
                             static_cast<int64_t>(SDL_GetPerformanceFrequency()), m_Rate, frame);
        if (heard == Audible::Heard)
            ms = frame * 1000.0 / m_Rate;
        return heard;
    }

    bool SetVolume(float gain) override
    {
        if (!(gain >= 0.0f && gain <= 1.0f))
            return false;
        m_Gain.store(gain, std::memory_order_relaxed);
        return true;
    }

    std::string DriverName() const
    {
        const char* name = m_Device ? SDL_GetCurrentAudioDriver() : nullptr;
        return name ? name : "";
    }
    int DeviceBufferFrames() const { return m_Device ? m_BufferFrames : 0; }
    int BackendQueued() const { return m_Device ? static_cast<int>(m_Queued) : 0; }

  private:
    struct Channel
    {
        SoundStream* stream = nullptr;
        bool paused = false;
    };

    // SDL holds the device lock around every callback, so whoever holds it
    // sees no mixing in progress. Held here only for a few pointer writes.
    struct Lock
    {
        explicit Lock(SDL_AudioDeviceID d) : device(d) { SDL_LockAudioDevice(device); }
        ~Lock() { SDL_UnlockAudioDevice(device); }
        SDL_AudioDeviceID device;
    };

    int BufferFrames(int rate) const
    {
        if (m_BufferMs <= 0)
            return kDefaultBufferFrames;
        int64_t frames = static_cast<int64_t>(m_BufferMs) * rate / 1000;
        int pow2 = kMinBufferFrames;
        while (pow2 < frames && pow2 < kMaxBufferFrames)
            pow2 *= 2;
        return pow2;
    }

    bool OpenDevice(const SDL_AudioSpec& want, SDL_AudioSpec& have, std::string& error)
    {
        QuietAlsa();
        if (!EnsureSdlSubsystem(SDL_INIT_AUDIO))
        {
            error = SDL_GetError();
            return false;
        }
        const char* name = m_DeviceName.empty() ? nullptr : m_DeviceName.c_str();
        m_Device = SDL_OpenAudioDevice(name, 0, &want, &have, 0);
        if (!m_Device)
            error = SDL_GetError();
        return m_Device != 0;
    }

    // Samples handed out but not heard yet: the spectrum is that of the
    // samples that end where the listener is (on the dummy driver, where
    // nobody listens, the last handed out). With the device lock held.
    int HeardDelay() const
    {
        if (!m_HasClock || m_DeviceAnchor.frames <= 0)
            return 0;
        const double heard = HeardDeviceFrame(
            m_DeviceAnchor, m_Queued, static_cast<int64_t>(SDL_GetPerformanceCounter()),
            static_cast<int64_t>(SDL_GetPerformanceFrequency()), m_Rate);
        return static_cast<int>(std::llround(static_cast<double>(m_DeviceFrames) - heard));
    }

    // A channel that resumes starts a new run of its stream.
    static void Pause(Channel& c, bool paused)
    {
        if (c.paused && !paused && c.stream)
            c.stream->run.fetch_add(1, std::memory_order_relaxed);
        c.paused = paused;
    }

    int FindChannel(SoundStream* stream) const
    {
        for (size_t i = 0; i < m_Channels.size(); ++i)
            if (m_Channels[i].stream == stream)
                return static_cast<int>(i);
        return -1;
    }

    int64_t StreamRate() const { return m_Device ? m_Rate : kSoundRate; }

    static void SDLCALL Callback(void* user, Uint8* bytes, int len)
    {
        static_cast<SdlSoundLayer*>(user)->Mix(reinterpret_cast<float*>(bytes),
                                               static_cast<size_t>(len) / (2 * sizeof(float)));
    }

    // The audio thread, with SDL's device lock held.
    void Mix(float* out, size_t frames)
    {
        m_DeviceAnchor.counter = static_cast<int64_t>(SDL_GetPerformanceCounter());
        m_DeviceAnchor.deviceFrame = m_DeviceFrames;
        m_DeviceAnchor.frames = static_cast<int64_t>(frames);
        const float gain = m_Gain.load(std::memory_order_relaxed);
        while (frames > 0)
        {
            const size_t n = std::min(frames, static_cast<size_t>(kMaxBufferFrames));
            std::memset(out, 0, 2 * n * sizeof(float));
            for (Channel& c : m_Channels)
            {
                if (!c.stream || c.paused)
                    continue;
                SoundStream& s = *c.stream;
                if (!s.decoderLock.try_lock())
                    continue; // the main thread is seeking it
                // Read under the decoder's lock, which a seek holds while it bumps the run.
                const uint32_t run = s.run.load(std::memory_order_relaxed);
                const int64_t from = s.decoder->Position();
                const size_t got = PullStream(s, m_Scratch.data(), n);
                const bool ended = s.ended.load(std::memory_order_relaxed);
                s.decoderLock.unlock();
                Anchor(s, run, from, static_cast<int64_t>(got));
                for (size_t i = 0; i < 2 * n; ++i)
                    out[i] += m_Scratch[i];
                if (ended)
                    c.stream = nullptr;
            }
            m_History.Push(out, n);
            if (gain != 1.0f)
                for (size_t i = 0; i < 2 * n; ++i)
                    out[i] *= gain;
            m_DeviceFrames += static_cast<int64_t>(n);
            out += 2 * n;
            frames -= n;
        }
    }

    // Records where the buffer starting at device frame m_DeviceFrames sits in
    // the stream. A new run, or a buffer that does not follow on from the last
    // one (a buffer skipped while seeking), starts a new segment.
    void Anchor(SoundStream& s, uint32_t run, int64_t from, int64_t got)
    {
        StreamAnchor& a = s.anchor;
        const bool follows = a.run == run && a.deviceFrame + a.trackFrames == m_DeviceFrames &&
                             a.position + a.trackFrames == from;
        if (!follows)
            a.segmentStart = m_DeviceFrames;
        a.run = run;
        a.deviceFrame = m_DeviceFrames;
        a.position = from;
        a.trackFrames = got;
    }

    SDL_AudioDeviceID m_Device = 0;
    std::string m_DeviceName;
    int m_Rate = kSoundRate;
    int m_BufferMs = 0;
    int m_BufferFrames = 0;
    std::vector<Channel> m_Channels;
    std::vector<float> m_Scratch;
    SoundUnit m_Unit;
    bool m_HasClock = false;
    int64_t m_Queued = 0;       // frames the backend holds beyond SDL's buffer
    int64_t m_DeviceFrames = 0; // handed to SDL so far (audio thread)
    DeviceAnchor m_DeviceAnchor;
    std::atomic<float> m_Gain{1.0f};
    SpectrumHistory m_History;
    SpectrumAnalyser m_Analyser;
    float m_Mono[kFftSize] = {};
    float m_Spectrum[kSpectrumSize] = {};
};

// Never destroyed: the audio thread may call into it until the process ends.
SdlSoundLayer& SdlLayer()
{
    static SdlSoundLayer* layer = new SdlSoundLayer;
    return *layer;
}

SoundLayer* installed = nullptr;

} // namespace

SoundLayer& Sound()
{
    return installed ? *installed : SdlLayer();
}

void SetSoundLayer(SoundLayer* layer)
{
    installed = layer;
}

std::string SoundOutputDriver()
{
    return SdlLayer().DriverName();
}

int SoundDeviceBufferFrames()
{
    return SdlLayer().DeviceBufferFrames();
}

int SoundBackendQueuedFrames()
{
    return SdlLayer().BackendQueued();
}

} // namespace platform

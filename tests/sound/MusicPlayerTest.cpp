#include "RecordingLayer.h"
#include "SoundFiles.h"

#include "core/MusicPlayer.h"
#include "platform/Paths.h"
#include "platform/Sound.h"
#include "platform/SoundStream.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <thread>

using namespace platform;

namespace
{

class MusicPlayerCalls : public testing::Test
{
  protected:
    void SetUp() override
    {
        sound_test::SoundFile("tone440.wav");
        sound_test::SoundFile("tone1000.wav");
        sound_test::SoundFile("notsound.wav");
        SetDataFolder(sound_test::DataDir());
        SetSoundLayer(&layer);
    }
    void TearDown() override
    {
        player.Close(); // through the recording layer, which goes now
        SetSoundLayer(nullptr);
        SetDataFolder("");
    }
    using Calls = std::vector<std::string>;
    sound_test::RecordingLayer layer;
    MusicPlayer player;
};

} // namespace

TEST_F(MusicPlayerCalls, InitCallsTheLayerInOrderAndGivesUpEarly)
{
    EXPECT_TRUE(player.Init());
    EXPECT_EQ((Calls{"GetVersion", "SetDriver 1", "Start 44100 32 0", "SetBufferSize 20000",
                     "GetFFTUnit", "SetUnitActive fft 1"}),
              layer.calls);

    layer.startResult = false;
    layer.calls.clear();
    EXPECT_FALSE(player.Init());
    EXPECT_EQ((Calls{"GetVersion", "SetDriver 1", "Start 44100 32 0"}), layer.calls);

    layer.version = 3.74f;
    layer.calls.clear();
    EXPECT_FALSE(player.Init());
    EXPECT_EQ(Calls{"GetVersion"}, layer.calls);
}

TEST_F(MusicPlayerCalls, OpenFindsTheDataFolderIgnoringCaseAndNeverLoops)
{
    SetDataFolder("");
    const auto cwd = std::filesystem::current_path();
    std::filesystem::current_path(std::filesystem::path(sound_test::DataDir()).parent_path());
    const bool opened = player.Open("TONE440.WAV");
    const bool probed = MusicPlayer::ProbeFile("Tone440.wav");
    const bool probedText = MusicPlayer::ProbeFile("notsound.wav");
    std::filesystem::current_path(cwd);

    EXPECT_TRUE(probed);
    EXPECT_FALSE(probedText);
    EXPECT_TRUE(opened);
    EXPECT_EQ("dAtA/tone440.wav", layer.path);
    EXPECT_TRUE(layer.mode & SoundLoopOff);
    EXPECT_FALSE(layer.mode & SoundLoopNormal);
    EXPECT_FALSE(player.Open("missing.ogg"));
}

TEST_F(MusicPlayerCalls, EveryOperationWaitsForAnOpenStream)
{
    for (int attempt = 0; attempt < 2; ++attempt)
    {
        player.Play();
        player.SetTime(1000);
        player.SkipBack(10);
        player.SkipForward(10);
        player.Pause();
        player.Stop();
        player.Close();
        EXPECT_EQ(0, player.GetTime());
        EXPECT_EQ(Calls{}, layer.calls);
        ASSERT_FALSE(player.Open("missing.ogg")); // a failed Open leaves no stream
        layer.calls.clear();
    }
}

TEST_F(MusicPlayerCalls, SkipsClampAtZero)
{
    ASSERT_TRUE(player.Open("tone440.wav"));
    layer.time = 3000;
    layer.calls.clear();
    player.SkipBack(5000);
    player.SkipForward(-5000);
    player.SkipForward(INT_MAX); // no wrap-around past the largest time
    EXPECT_EQ((Calls{"GetStreamTime #1", "SetStreamTime #1 0", "GetStreamTime #1",
                     "SetStreamTime #1 0", "GetStreamTime #1", "SetStreamTime #1 2147483647"}),
              layer.calls);
}

TEST_F(MusicPlayerCalls, PlayUnpausesAllChannelsFirstAndASecondOpenReplacesTheStream)
{
    ASSERT_TRUE(player.Open("tone440.wav"));
    layer.paused = true;
    player.Play();
    ASSERT_TRUE(player.Open("tone1000.wav"));
    layer.paused = false;
    player.Play();
    player.Pause();
    player.Close();
    EXPECT_EQ((Calls{"OpenStream", "GetPaused -3", "SetPaused -3 0", "PlayStream -1 #1",
                     "OpenStream", "CloseStream #1", "GetPaused -3", "PlayStream -1 #2",
                     "SetPaused -3 1", "StopStream #2", "CloseStream #2"}),
              layer.calls);
}

// The real layer, on SDL's dummy driver as the tests run.
namespace
{

float Peak(int bin)
{
    MusicPlayer::UpdateSpectrum();
    return MusicPlayer::GetSpectrum()[bin];
}

float Loudest()
{
    MusicPlayer::UpdateSpectrum();
    const float* s = MusicPlayer::GetSpectrum();
    return *std::max_element(s, s + MusicPlayer::kSpectrumSize);
}

// Waits (at most 3 s) until the stream has been handed out up to ms.
bool WaitFor(MusicPlayer& player, int ms)
{
    for (int i = 0; i < 300 && player.GetTime() < ms; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return player.GetTime() >= ms;
}

// Waits (at most 3 s) until the spectrum is silent.
bool WaitForSilence()
{
    for (int i = 0; i < 300 && Loudest() != 0.0f; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return Loudest() == 0.0f;
}

void Sleep(int ms)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

class MusicPlayerLive : public testing::Test
{
  protected:
    void SetUp() override
    {
        sound_test::SoundFile("tone440.wav");
        sound_test::SoundFile("tone1000.wav");
        sound_test::SoundFile("short.wav");
        SetDataFolder(sound_test::DataDir());
        ASSERT_TRUE(player.Init());
    }
    void TearDown() override
    {
        player.Close();
        SetDataFolder("");
    }
    MusicPlayer player;
};

} // namespace

TEST_F(MusicPlayerLive, SpectrumFollowsPlayPauseAndStop)
{
    EXPECT_GT(SoundDeviceBufferFrames(), 0);
    EXPECT_LE(SoundDeviceBufferFrames(), 2048);
    EXPECT_EQ(0.0f, Loudest());

    ASSERT_TRUE(player.Open("tone440.wav"));
    const auto start = std::chrono::steady_clock::now();
    player.Play();
    player.SetTime(0);
    ASSERT_TRUE(WaitFor(player, 150));
    EXPECT_GT(Peak(10), 0.8f);
    // Real-time pace: the dummy output may not run ahead of the clock by more
    // than its buffers.
    const auto wall = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - start);
    EXPECT_LT(player.GetTime(), wall.count() + 100);

    player.Pause();
    Sleep(60);
    const int paused = player.GetTime();
    Sleep(60);
    EXPECT_EQ(paused, player.GetTime());
    EXPECT_EQ(0.0f, Loudest());

    player.Play();
    ASSERT_TRUE(WaitFor(player, paused + 60));
    player.Stop();
    Sleep(80);
    const int stopped = player.GetTime();
    EXPECT_EQ(0.0f, Loudest());
    Sleep(40);
    EXPECT_EQ(stopped, player.GetTime());
}

TEST_F(MusicPlayerLive, TrackEndsInSilenceAndASecondOpenSilencesTheFirst)
{
    ASSERT_TRUE(player.Open("short.wav"));
    player.Play();
    player.SetTime(0);
    // However slowly a loaded machine hands the stream out: it stops at its
    // end (200 ms) and falls silent.
    ASSERT_TRUE(WaitFor(player, 200));
    ASSERT_TRUE(WaitForSilence());
    EXPECT_EQ(200, player.GetTime());

    ASSERT_TRUE(player.Open("tone440.wav"));
    player.Play();
    ASSERT_TRUE(WaitFor(player, 50));
    ASSERT_TRUE(player.Open("tone1000.wav"));
    player.Play();
    ASSERT_TRUE(WaitFor(player, 100));
    EXPECT_GT(Peak(23), 0.5f);
    EXPECT_LT(Peak(10), 0.05f);
}

// No sound card: the player still starts, on SDL's dummy driver, and says so.
TEST(MusicPlayerFallback, PlaysSilentlyOnTheDummyDriverWhenNoOutputOpens)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            setenv("SDL_AUDIODRIVER", "nosuchdriver", 1);
            MusicPlayer player;
            MusicPlayer::UpdateSpectrum();
            bool ok = MusicPlayer::GetSpectrum() == nullptr; // before Init
            ok = ok && player.Init() && SoundOutputDriver() == "dummy";
            MusicPlayer::UpdateSpectrum();
            std::exit(ok && MusicPlayer::GetSpectrum() ? 0 : 1);
        },
        testing::ExitedWithCode(0), "no audio output .*dummy audio driver");
}

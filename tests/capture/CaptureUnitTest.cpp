// The capture's parts without a window: the virtual clock under the demo's
// timer, which name makes which output, the frame count of a span, the
// progress text, the writer queue's failure path, PNG rows, terminal keys.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <cstring>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "capture/CaptureClock.h"
#include "capture/CaptureSession.h"
#include "capture/CaptureTarget.h"
#include "capture/FrameQueue.h"
#include "capture/PngWriter.h"
#include "capture/ProgressLine.h"
#include "core/Timer.h"
#include "gfx/TImage.h"
#include "gfx/TextureManager.h"
#include "platform/TerminalKeys.h"
#include "support/TempFolder.h"

namespace
{

// Frame k starts at exactly start + k/N s with frame time 1/N from the second
// frame on, and the published rate is N (N + 1 for the first window, which
// counts Start as a frame).
TEST(CaptureClockTest, TimerStepsOneFrameAndPublishesTheRate)
{
    Timer::Reset();
    {
        CaptureClock clock(60);
        CaptureClock::Advance(); // a loading-screen frame before the start
        Timer::Start(2.0f);
        std::vector<int> rates;
        for (int k = 1; k <= 180; ++k)
        {
            CaptureClock::Advance();
            Timer::Update();
            if (k % 60 == 0)
                rates.push_back(Timer::GetFPS());
        }
        EXPECT_NEAR(5.0, Timer::GetTime(), 1e-4);
        EXPECT_NEAR(1.0 / 60, Timer::GetFrameTime(), 1e-6);
        EXPECT_EQ((std::vector<int>{61, 60, 60}), rates);
    }
    Timer::Reset();
}

TEST(CaptureTargetTest, NameDecidesTheOutput)
{
    testing_support::TempFolder folder;
    const std::string dotted = folder.path() + "/frames.d";
    std::filesystem::create_directory(dotted);
    EXPECT_EQ(CaptureKind::Mp4, ClassifyCaptureOut("demo.mp4"));
    EXPECT_EQ(CaptureKind::Mkv, ClassifyCaptureOut("out/demo.MKV"));
    EXPECT_EQ(CaptureKind::Webm, ClassifyCaptureOut("demo.webm"));
    EXPECT_EQ(CaptureKind::Frames, ClassifyCaptureOut("frames"));
    EXPECT_EQ(CaptureKind::Frames, ClassifyCaptureOut("out/frames/"));
    EXPECT_EQ(CaptureKind::Frames, ClassifyCaptureOut(dotted)); // an existing folder
    EXPECT_EQ(CaptureKind::Refused, ClassifyCaptureOut("demo.avi"));
    EXPECT_EQ(CaptureKind::Refused, ClassifyCaptureOut(folder.path() + "/new.d"));
    EXPECT_EQ(CaptureKind::Refused, ClassifyCaptureOut(""));
}

TEST(CaptureSessionTest, PlannedFramesCountEveryFrameNotPastTheEnd)
{
    EXPECT_EQ(11u, PlannedFrames(0, 1000, 10));   // 0, 0.1, ... 1.0
    EXPECT_EQ(8u, PlannedFrames(0, 1000, 7));     // 0 .. 7/7
    EXPECT_EQ(1u, PlannedFrames(500, 500, 60));   // --until at the start
    EXPECT_EQ(1u, PlannedFrames(5000, 1000, 60)); // start past the end: one frame
    EXPECT_EQ(5761u, PlannedFrames(0, 96000, 60));
}

TEST(ProgressLineTest, FormatsDoneTotalRateAndTimeLeft)
{
    EXPECT_EQ("frame 120/600 (20%), 12.0 frames/s, 0:40 left",
              ProgressLine::Format(120, 600, 10.0));
    EXPECT_EQ("frame 10/100000 (0%), 1.0 frames/s, 27:46:30 left",
              ProgressLine::Format(10, 100000, 10.0));
    EXPECT_EQ("frame 0/50 (0%), 0.0 frames/s, ? left", ProgressLine::Format(0, 50, 0.0));
    // A total that was an estimate never shows more than 100 %.
    EXPECT_EQ("frame 7/7 (100%), 7.0 frames/s, 0:00 left", ProgressLine::Format(7, 5, 1.0));
}

// Once the writer fails, later frames are dropped but the producer is never
// left waiting for a buffer, and Finish reports the failure.
TEST(FrameQueueTest, WriterFailureDropsLaterFramesWithoutBlocking)
{
    std::vector<uint64_t> written;
    FrameQueue queue(16, 2,
                     [&](const unsigned char* frame, uint64_t index)
                     {
                         EXPECT_EQ(static_cast<unsigned char>(index), frame[0]);
                         written.push_back(index);
                         return index < 3;
                     });
    for (int i = 0; i < 20; ++i)
    {
        unsigned char* b = queue.Acquire();
        b[0] = static_cast<unsigned char>(i);
        queue.Submit(b);
    }
    EXPECT_FALSE(queue.Finish());
    EXPECT_TRUE(queue.Failed());
    EXPECT_EQ((std::vector<uint64_t>{0, 1, 2, 3}), written);
    EXPECT_EQ(3u, queue.Written());
}

// GL hands rows bottom first; the file holds them top first, without alpha.
TEST(PngWriterTest, RowsAreWrittenTopFirstAsRgb)
{
    testing_support::TempFolder folder;
    const int w = 3, h = 2;
    unsigned char rgba[w * h * 4];
    for (int i = 0; i < w * h * 4; ++i)
        rgba[i] = static_cast<unsigned char>(i * 10);
    PngWriter png;
    const std::string path = folder.path() + "/f.png";
    ASSERT_TRUE(png.Write(path, rgba, w, h));
    EXPECT_FALSE(png.Write(folder.path() + "/missing/f.png", rgba, w, h));
    ASSERT_NE(nullptr, TextureManager::GetInstance());
    TImage image = LoadImageFile(path);
    ASSERT_NE(nullptr, image.data);
    ASSERT_EQ(3, image.bpp);
    ASSERT_EQ(w, image.width);
    ASSERT_EQ(h, image.height);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            for (int c = 0; c < 3; ++c)
                EXPECT_EQ(rgba[((h - 1 - y) * w + x) * 4 + c], image.data[(y * w + x) * 3 + c]);
    FreeImage(image);
}

// On a terminal a lone Escape or q stops; an arrow key's sequence does not;
// the terminal's modes are given back.
TEST(TerminalKeysTest, EscapeAndQStopAndTheTerminalIsRestored)
{
    int master = -1, slave = -1;
    if (::openpty(&master, &slave, nullptr, nullptr, nullptr) != 0)
        GTEST_SKIP() << "no pseudo terminal";
    platform::TerminalKeys keys;
    EXPECT_FALSE(keys.Open(-1));
    ASSERT_TRUE(keys.Open(slave));
    termios t;
    ASSERT_EQ(0, ::tcgetattr(slave, &t));
    EXPECT_EQ(0u, t.c_lflag & ICANON);
    auto send = [&](const char* bytes)
    {
        ASSERT_EQ(static_cast<ssize_t>(std::strlen(bytes)),
                  ::write(master, bytes, std::strlen(bytes)));
        ::usleep(20000);
    };
    EXPECT_FALSE(keys.StopPressed());
    send("\x1b[A");
    EXPECT_FALSE(keys.StopPressed());
    send("\x1b");
    EXPECT_TRUE(keys.StopPressed());
    EXPECT_FALSE(keys.StopPressed());
    send("xq");
    EXPECT_TRUE(keys.StopPressed());
    keys.Close();
    ASSERT_EQ(0, ::tcgetattr(slave, &t));
    EXPECT_NE(0u, t.c_lflag & ICANON);
    ::close(master);
    ::close(slave);
}

} // namespace

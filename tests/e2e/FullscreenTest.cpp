// Full screen as a user gets it, on a virtual X display (Xvfb, GL through
// Mesa's GLX) whose screen is 1280 x 1024: without a 1024 x 768 mode the demo
// covers the screen, letterboxed; with one (added through RandR while the test
// runs) the display switches to it and back; asked for the desktop, it never
// switches. The screen is read back from the X server itself.
#include <gtest/gtest.h>

#ifdef VORTEXEL_X11_TESTS

#include <IL/il.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xrandr.h>
#include <X11/keysym.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <poll.h>
#include <signal.h>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace
{

// Polls until done() holds or seconds pass.
bool WaitFor(double seconds, const std::function<bool()>& done)
{
    auto end = Clock::now() + std::chrono::duration<double>(seconds);
    while (!done())
    {
        if (Clock::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return true;
}

int QuietErrors(Display*, XErrorEvent*)
{
    return 0;
}

// An Xvfb server on a free display number, with one client connection of the
// test's own; both end with the object.
class VirtualDisplay
{
  public:
    VirtualDisplay(int width, int height)
    {
        int fds[2];
        if (::pipe(fds) != 0)
            return;
        m_Server = ::fork();
        if (m_Server == 0)
        {
            ::close(fds[0]);
            int null = ::open("/dev/null", O_WRONLY);
            ::dup2(null, 1);
            ::dup2(null, 2);
            std::string fd = std::to_string(fds[1]);
            std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x24";
            ::execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", screen.c_str(),
                     "-nolisten", "tcp", "-noreset", static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(fds[1]);
        // The server writes its display number once it accepts connections.
        std::string number;
        pollfd p{fds[0], POLLIN, 0};
        char c;
        while (m_Server > 0 && ::poll(&p, 1, 15000) > 0 && ::read(fds[0], &c, 1) == 1 && c != '\n')
            number += c;
        ::close(fds[0]);
        if (number.empty())
            return;
        m_Name = ":" + number;
        XSetErrorHandler(QuietErrors);
        m_X = XOpenDisplay(m_Name.c_str());
    }
    ~VirtualDisplay()
    {
        if (m_X)
            XCloseDisplay(m_X);
        if (m_Server > 0)
        {
            ::kill(m_Server, SIGTERM);
            ::waitpid(m_Server, nullptr, 0);
        }
    }
    bool ok() const { return m_X != nullptr; }
    const std::string& name() const { return m_Name; }

    // Lists a mode of this size on the screen's output for as long as this
    // connection lasts (Xvfb has only its own size otherwise).
    bool AddMode(int w, int h)
    {
        XRRScreenResources* res = XRRGetScreenResources(m_X, DefaultRootWindow(m_X));
        if (!res || res->noutput < 1)
            return false;
        XRRModeInfo mode{};
        std::string name = std::to_string(w) + "x" + std::to_string(h);
        mode.width = static_cast<unsigned>(w);
        mode.height = static_cast<unsigned>(h);
        mode.dotClock = 65000000;
        mode.hSyncStart = mode.width + 24;
        mode.hSyncEnd = mode.width + 160;
        mode.hTotal = mode.width + 320;
        mode.vSyncStart = mode.height + 3;
        mode.vSyncEnd = mode.height + 9;
        mode.vTotal = mode.height + 38;
        mode.name = &name[0];
        mode.nameLength = static_cast<unsigned>(name.size());
        RRMode id = XRRCreateMode(m_X, DefaultRootWindow(m_X), &mode);
        XRRAddOutputMode(m_X, res->outputs[0], id);
        XSync(m_X, False);
        XRRFreeScreenResources(res);
        return id != 0;
    }

    // The size the screen's output shows now (the display mode).
    std::pair<int, int> ModeSize()
    {
        std::pair<int, int> size{0, 0};
        XRRScreenResources* res = XRRGetScreenResources(m_X, DefaultRootWindow(m_X));
        if (!res || res->noutput < 1)
            return size;
        if (XRROutputInfo* out = XRRGetOutputInfo(m_X, res, res->outputs[0]))
        {
            if (XRRCrtcInfo* crtc = out->crtc ? XRRGetCrtcInfo(m_X, res, out->crtc) : nullptr)
            {
                size = {static_cast<int>(crtc->width), static_cast<int>(crtc->height)};
                XRRFreeCrtcInfo(crtc);
            }
            XRRFreeOutputInfo(out);
        }
        XRRFreeScreenResources(res);
        return size;
    }

    // The program's window: the one viewable top-level window (no window
    // manager runs, so nothing else maps one).
    Window ProgramWindow(XWindowAttributes& attributes)
    {
        Window root = 0, parent = 0, *children = nullptr, found = 0;
        unsigned count = 0;
        if (XQueryTree(m_X, DefaultRootWindow(m_X), &root, &parent, &children, &count))
        {
            for (unsigned i = 0; i < count; ++i)
            {
                XWindowAttributes a;
                if (XGetWindowAttributes(m_X, children[i], &a) && a.map_state == IsViewable)
                {
                    found = children[i];
                    attributes = a;
                }
            }
            XFree(children);
        }
        return found;
    }

    void PressEscape(Window w)
    {
        XKeyEvent key{};
        key.display = m_X;
        key.window = w;
        key.root = DefaultRootWindow(m_X);
        key.keycode = XKeysymToKeycode(m_X, XK_Escape);
        key.same_screen = True;
        key.type = KeyPress;
        XSendEvent(m_X, w, True, KeyPressMask, reinterpret_cast<XEvent*>(&key));
        key.type = KeyRelease;
        XSendEvent(m_X, w, True, KeyReleaseMask, reinterpret_cast<XEvent*>(&key));
        XFlush(m_X);
    }

    // The whole screen as 0xRRGGBB, rows from the top.
    std::vector<uint32_t> Screen(int& w, int& h)
    {
        // The root window's size now (a mode switch may resize the screen).
        Window root = 0;
        int x = 0, y = 0;
        unsigned rw = 0, rh = 0, border = 0, depth = 0;
        XGetGeometry(m_X, DefaultRootWindow(m_X), &root, &x, &y, &rw, &rh, &border, &depth);
        w = static_cast<int>(rw);
        h = static_cast<int>(rh);
        std::vector<uint32_t> out;
        XImage* image = XGetImage(m_X, DefaultRootWindow(m_X), 0, 0, static_cast<unsigned>(w),
                                  static_cast<unsigned>(h), AllPlanes, ZPixmap);
        if (!image)
            return out;
        out.resize(static_cast<size_t>(w) * h);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                out[static_cast<size_t>(y) * w + x] =
                    static_cast<uint32_t>(XGetPixel(image, x, y)) & 0xFFFFFF;
        XDestroyImage(image);
        return out;
    }

  private:
    pid_t m_Server = -1;
    std::string m_Name;
    Display* m_X = nullptr;
};

// The program running on the virtual display, from a folder of its own.
class Program
{
  public:
    Program(const fs::path& dir, const std::string& display, const char* mode) : m_Dir(dir)
    {
        fs::remove(dir / "stderr.txt"); // an earlier run's lines are not this run's
        m_Pid = ::fork();
        if (m_Pid == 0)
        {
            ::chdir(dir.c_str());
            int err = ::open("stderr.txt", O_WRONLY | O_CREAT | O_TRUNC, 0644);
            int null = ::open("/dev/null", O_RDWR);
            ::dup2(null, 0);
            ::dup2(null, 1);
            ::dup2(err, 2);
            ::setenv("DISPLAY", display.c_str(), 1);
            ::setenv("SDL_VIDEODRIVER", "x11", 1);
            ::setenv("SDL_AUDIODRIVER", "dummy", 1);
            ::unsetenv("WAYLAND_DISPLAY");
            ::unsetenv("VORTEXEL_HEADLESS");
            ::execl(VORTEXEL_BINARY, "vortexel", mode, "--batch", static_cast<char*>(nullptr));
            ::_exit(127);
        }
    }
    ~Program()
    {
        if (m_Pid > 0 && !Exited(0.0))
        {
            ::kill(m_Pid, SIGKILL);
            ::waitpid(m_Pid, nullptr, 0);
        }
    }
    // True once it has ended (within seconds); status holds its exit status.
    bool Exited(double seconds)
    {
        return WaitFor(seconds,
                       [this]
                       {
                           int raw = 0;
                           if (m_Status != -2 || ::waitpid(m_Pid, &raw, WNOHANG) != m_Pid)
                               return m_Status != -2;
                           m_Status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
                           return true;
                       });
    }
    int status() const { return m_Status; }
    std::string Err() const
    {
        std::ifstream in(m_Dir / "stderr.txt");
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    bool Says(const std::string& text) const { return Err().find(text) != std::string::npos; }

  private:
    fs::path m_Dir;
    pid_t m_Pid = -1;
    int m_Status = -2; // running
};

bool IsBlack(uint32_t c)
{
    return (c >> 16) < 24 && ((c >> 8) & 0xFF) < 24 && (c & 0xFF) < 24;
}
bool IsRed(uint32_t c)
{
    return (c >> 16) > 160 && ((c >> 8) & 0xFF) < 60 && (c & 0xFF) < 60;
}
bool IsGrey(uint32_t c)
{
    return (c >> 16) > 160 && ((c >> 8) & 0xFF) > 160 && (c & 0xFF) > 160;
}

class FullscreenTest : public ::testing::Test
{
  protected:
    static void SetUpTestSuite()
    {
        s_Display = new VirtualDisplay(1280, 1024);
        // The picture: a constant white flash (0.9 grey) under the first text
        // panel, red, over the top-left 512 x 512 of the 1024 x 768 picture.
        char tmpl[] = "/tmp/vortexel-fullscreen-XXXXXX";
        if (!::mkdtemp(tmpl))
            return;
        s_Dir = new fs::path(tmpl);
        fs::create_directories(*s_Dir / "Data");
        std::ofstream(*s_Dir / "Data" / "script.txt")
            << "[EFFECT] EffectName = WhiteFlashOverlay; StartTime = 0; StopTime = 600000; "
               "LayerID = 1;\n"
               "[EFFECT] EffectName = FX_MessageOverlay; StartTime = 0; StopTime = 600000; "
               "LayerID = 2;\n"
               "[MESSAGE] MessageText = flash; ActivationTime = 0; "
               "TargetEffect = WhiteFlashOverlay; Parameter = 0;\n"
               "[MESSAGE] MessageText = next_text; ActivationTime = 0; "
               "TargetEffect = FX_MessageOverlay;\n";
        ilInit();
        std::vector<uint8_t> red(8 * 8 * 4);
        for (size_t i = 0; i < red.size(); i += 4)
            red[i] = red[i + 3] = 255;
        ILuint image = 0;
        ilGenImages(1, &image);
        ilBindImage(image);
        ilTexImage(8, 8, 1, 4, IL_RGBA, IL_UNSIGNED_BYTE, red.data());
        ilEnable(IL_FILE_OVERWRITE);
        for (const char* name : {"msg_1.png", "msg_2.png", "msg_3.png"})
            ilSave(IL_PNG, (*s_Dir / "Data" / name).c_str());
        ilDeleteImages(1, &image);
    }
    static void TearDownTestSuite()
    {
        delete s_Display;
        s_Display = nullptr;
        if (s_Dir)
            fs::remove_all(*s_Dir);
        delete s_Dir;
        s_Dir = nullptr;
    }
    void SetUp() override
    {
        if (!s_Display->ok())
            GTEST_SKIP() << "no Xvfb here";
    }

    // Waits until the screen shows the picture where the sample point says it
    // must (red at the panel's top-left corner).
    std::vector<uint32_t> WaitForPicture(int panelX, int panelY, int& w, int& h)
    {
        std::vector<uint32_t> screen;
        WaitFor(30.0,
                [&]
                {
                    screen = s_Display->Screen(w, h);
                    return !screen.empty() &&
                           IsRed(screen[static_cast<size_t>(panelY) * w + panelX]);
                });
        return screen;
    }

    // Escape ends the run with status 0.
    void PressEscapeAndExpectStatus0(Program& program, Window window)
    {
        s_Display->PressEscape(window);
        ASSERT_TRUE(program.Exited(30.0)) << program.Err();
        EXPECT_EQ(0, program.status()) << program.Err();
    }

    static VirtualDisplay* s_Display;
    static fs::path* s_Dir;
};
VirtualDisplay* FullscreenTest::s_Display = nullptr;
fs::path* FullscreenTest::s_Dir = nullptr;

TEST_F(FullscreenTest, WithoutTheModeThePictureCoversTheScreenLetterboxed)
{
    Program program(*s_Dir, s_Display->name(), "--fullscreen");
    ASSERT_TRUE(WaitFor(30.0, [&] { return program.Says("vortexel: full screen: "); }))
        << program.Err();
    EXPECT_TRUE(program.Says("vortexel: full screen: the desktop at 1280 x 1024 (the display "
                             "offers no 1024 x 768 mode), the picture scaled to 1280 x 960\n"))
        << program.Err();
    int w = 0, h = 0;
    std::vector<uint32_t> screen = WaitForPicture(0, 32, w, h);
    ASSERT_EQ(1280 * 1024, static_cast<int>(screen.size()));
    auto at = [&](int x, int y) { return screen[static_cast<size_t>(y) * w + x]; };
    XWindowAttributes a{};
    Window window = s_Display->ProgramWindow(a);
    ASSERT_NE(0u, window);
    EXPECT_EQ(0, a.x);
    EXPECT_EQ(0, a.y);
    EXPECT_EQ(1280, a.width);
    EXPECT_EQ(1024, a.height);

    // 1024 x 768 scaled by 1.25 to 1280 x 960, bars of 32 rows above and below.
    for (int x : {0, 640, 1279})
        for (int y : {0, 31, 992, 1023})
            EXPECT_TRUE(IsBlack(at(x, y))) << x << ", " << y << ": " << std::hex << at(x, y);
    EXPECT_TRUE(IsRed(at(0, 32))); // the picture's top-left corner
    EXPECT_TRUE(IsGrey(at(1279, 32))) << std::hex << at(1279, 32);
    EXPECT_TRUE(IsGrey(at(0, 991))) << std::hex << at(0, 991);
    EXPECT_TRUE(IsGrey(at(1279, 991))) << std::hex << at(1279, 991);
    // The panel's 512 picture pixels span 640 screen pixels each way.
    EXPECT_TRUE(IsRed(at(636, 300)));
    EXPECT_TRUE(IsGrey(at(644, 300)));
    EXPECT_TRUE(IsRed(at(300, 668)));
    EXPECT_TRUE(IsGrey(at(300, 676)));
    EXPECT_EQ(std::make_pair(1280, 1024), s_Display->ModeSize());

    PressEscapeAndExpectStatus0(program, window);
}

TEST_F(FullscreenTest, WithTheModeTheDisplaySwitchesAndSwitchesBack)
{
    ASSERT_TRUE(s_Display->AddMode(1024, 768));
    ASSERT_EQ(std::make_pair(1280, 1024), s_Display->ModeSize());
    {
        Program program(*s_Dir, s_Display->name(), "--fullscreen");
        ASSERT_TRUE(WaitFor(30.0, [&] { return program.Says("vortexel: full screen: "); }))
            << program.Err();
        EXPECT_TRUE(program.Says("vortexel: full screen: the display switched to 1024 x 768, "
                                 "32 bits\n"))
            << program.Err();
        EXPECT_EQ(std::make_pair(1024, 768), s_Display->ModeSize());
        int w = 0, h = 0;
        std::vector<uint32_t> screen = WaitForPicture(0, 0, w, h);
        ASSERT_FALSE(screen.empty());
        auto at = [&](int x, int y) { return screen[static_cast<size_t>(y) * w + x]; };
        XWindowAttributes a{};
        Window window = s_Display->ProgramWindow(a);
        ASSERT_NE(0u, window);
        EXPECT_EQ(0, a.x);
        EXPECT_EQ(0, a.y);
        EXPECT_EQ(1024, a.width);
        EXPECT_EQ(768, a.height);
        // Unscaled: the panel ends at 512.
        EXPECT_TRUE(IsRed(at(508, 300)));
        EXPECT_TRUE(IsGrey(at(516, 300)));
        EXPECT_TRUE(IsRed(at(300, 508)));
        EXPECT_TRUE(IsGrey(at(1023, 767)));

        PressEscapeAndExpectStatus0(program, window);
    }
    EXPECT_EQ(std::make_pair(1280, 1024), s_Display->ModeSize()); // the desktop as before

    // Asked for the desktop, the offered mode is left alone.
    Program desktop(*s_Dir, s_Display->name(), "--fullscreen=desktop");
    ASSERT_TRUE(WaitFor(30.0, [&] { return desktop.Says("vortexel: full screen: "); }))
        << desktop.Err();
    EXPECT_TRUE(desktop.Says("vortexel: full screen: the desktop at 1280 x 1024 (as asked)"))
        << desktop.Err();
    int w = 0, h = 0;
    std::vector<uint32_t> screen = WaitForPicture(0, 32, w, h);
    ASSERT_FALSE(screen.empty());
    EXPECT_TRUE(IsBlack(screen[31 * static_cast<size_t>(w)]));
    EXPECT_EQ(std::make_pair(1280, 1024), s_Display->ModeSize());
    XWindowAttributes a{};
    PressEscapeAndExpectStatus0(desktop, s_Display->ProgramWindow(a));
    EXPECT_EQ(std::make_pair(1280, 1024), s_Display->ModeSize());
}

} // namespace

#endif // VORTEXEL_X11_TESTS

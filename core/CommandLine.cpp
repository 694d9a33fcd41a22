#include "core/CommandLine.h"

#include "platform/Paths.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace
{
bool ParseMilliseconds(const char* text, uint32_t& out)
{
    if (!text || !*text || *text == '-' || *text == '+')
        return false;
    for (const char* p = text; *p; ++p)
        if (*p < '0' || *p > '9')
            return false;
    errno = 0;
    unsigned long long v = std::strtoull(text, nullptr, 10);
    if (errno == ERANGE || v > 0xFFFFFFFFull)
        return false;
    out = static_cast<uint32_t>(v);
    return true;
}
// "WxH" with both sides even (the video encoders need that) and in range.
bool ParseVideoSize(const char* text, int& w, int& h)
{
    unsigned a = 0, b = 0;
    char x = 0, rest = 0;
    if (!text || std::sscanf(text, "%u%c%u%c", &a, &x, &b, &rest) != 3 || x != 'x')
        return false;
    if (a < 16 || b < 16 || a > 8192 || b > 8192 || a % 2 || b % 2)
        return false;
    w = static_cast<int>(a);
    h = static_cast<int>(b);
    return *text >= '0' && *text <= '9';
}
} // namespace

const char* UsageLine()
{
    return "usage: vortexel [--windowed|--fullscreen[=desktop]] [--start MS] [--data DIR]\n"
           "                [--batch] [--check [SCRIPT]] [--report FILE] [--trace FILE]\n"
           "                [--help] [--version]\n"
           "       vortexel --edit [--start MS] [--data DIR] [--trace FILE]\n"
           "       vortexel --capture OUT [--fps N] [--start MS] [--until MS] [--video-size WxH]\n"
           "                [--data DIR] [--trace FILE]";
}

const char* HelpText()
{
    return "Vortexel 1.5, a real-time demo engine: plays the demo in the data folder.\n"
           "\n"
           "Without options the start-up dialog asks for full screen or a window.\n"
           "\n"
           "  --windowed        skip the dialog and play in a 1024 x 768 window\n"
           "  --fullscreen      skip the dialog and play full screen: the display switches\n"
           "                    to 1024 x 768 where it offers that mode, else the demo\n"
           "                    covers the desktop, scaled with black bars (4:3)\n"
           "  --fullscreen=desktop  full screen over the desktop, scaled, never switching\n"
           "                    the display's mode\n"
           "  --start MS        start playback at MS milliseconds\n"
           "  --data DIR        play the demo whose data folder is DIR (default: below)\n"
           "  --batch           no dialog (windowed), no message boxes (reports go to stderr)\n"
           "  --edit            play in a window and restart at the current time whenever\n"
           "                    the script changes; Space pause, Left/Right 5 s,\n"
           "                    Page Up/Down 30 s, Home start, R reload, Tab overlay\n"
           "  --check [SCRIPT]  load the script without playing it and print its timeline\n"
           "  --report FILE     write the report of the effects and their messages to FILE\n"
           "  --trace FILE      write one line per frame to FILE: FRAME TIME DT MSG ACTIVE BANDS\n"
           "  --capture OUT     render the demo offline to OUT: a folder of PNG frames and\n"
           "                    audio.wav, or a video file (.mp4, .mkv, .webm; needs ffmpeg)\n"
           "  --fps N           frames per second of the capture, 1 to 240 (default 60)\n"
           "  --until MS        end the capture once the clock passes MS milliseconds\n"
           "  --video-size WxH  scale the video to W x H (even numbers, e.g. 1440x1080)\n"
           "  --help            show this text\n"
           "  --version         show the version\n"
           "\n"
           "A file \"editoren_sind_fuer_clickscener.txt\" in the working directory holding a\n"
           "number starts playback at that many milliseconds; --start wins over it.\n"
           "\n"
           "Without a display the demo plays headless (offscreen video, no sound device,\n"
           "no dialog, no message boxes).\n"
           "\n"
           "A capture runs offscreen with no dialog, boxes or sound device; Escape (or q) on\n"
           "the terminal and Ctrl+C stop it, keeping what was written.\n"
           "\n"
           "Exit status: 0 the demo finished, Escape was pressed or \"exit\" was chosen;\n"
           "             1 a fatal failure ended the run; 2 bad usage;\n"
           "             130 Ctrl+C, 143 SIGTERM (at any stage).\n"
           "  --check: 0 no reports, 1 the script raised reports, 2 the script could not be "
           "opened.\n";
}

bool ParseCommandLine(int argc, char** argv, CommandLine& out, std::string& error)
{
    out = CommandLine{};
    for (int i = 1; i < argc; ++i)
    {
        const char* a = argv[i];
        auto needValue = [&](const char* option) -> const char*
        {
            if (i + 1 >= argc)
            {
                error = std::string(option) + " needs a value";
                return nullptr;
            }
            return argv[++i];
        };
        if (!std::strcmp(a, "--help") || !std::strcmp(a, "-h"))
            out.help = true;
        else if (!std::strcmp(a, "--version"))
            out.version = true;
        else if (!std::strcmp(a, "--windowed"))
            out.windowed = true;
        else if (!std::strcmp(a, "--fullscreen"))
            out.fullscreen = true;
        else if (!std::strncmp(a, "--fullscreen=", 13))
        {
            if (std::strcmp(a + 13, "desktop") != 0)
            {
                error = std::string("bad value for --fullscreen: ") + (a + 13);
                return false;
            }
            out.fullscreen = true;
            out.desktopFullscreen = true;
        }
        else if (!std::strcmp(a, "--batch"))
            out.batch = true;
        else if (!std::strcmp(a, "--edit"))
            out.edit = true;
        else if (!std::strcmp(a, "--start"))
        {
            const char* v = needValue(a);
            if (!v)
                return false;
            if (!ParseMilliseconds(v, out.startMs))
            {
                error = std::string("bad value for --start: ") + v;
                return false;
            }
            out.hasStart = true;
        }
        else if (!std::strcmp(a, "--data"))
        {
            const char* v = needValue(a);
            if (!v)
                return false;
            if (!*v)
            {
                error = "bad value for --data: empty";
                return false;
            }
            struct stat st;
            if (::stat(platform::ResolveUserPath(v).c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
            {
                error = std::string("bad value for --data: no folder ") + v;
                return false;
            }
            out.dataDir = v;
        }
        else if (!std::strcmp(a, "--report"))
        {
            const char* v = needValue(a);
            if (!v)
                return false;
            if (!*v)
            {
                error = "bad value for --report: empty";
                return false;
            }
            out.reportFile = v;
        }
        else if (!std::strcmp(a, "--trace") || !std::strcmp(a, "--capture"))
        {
            const char* v = needValue(a);
            if (!v)
                return false;
            if (!*v)
            {
                error = std::string("bad value for ") + a + ": empty";
                return false;
            }
            (a[2] == 't' ? out.traceFile : out.captureOut) = v;
        }
        else if (!std::strcmp(a, "--fps"))
        {
            const char* v = needValue(a);
            if (!v)
                return false;
            uint32_t fps = 0;
            if (!ParseMilliseconds(v, fps) || fps < 1 || fps > 240)
            {
                error = std::string("bad value for --fps: ") + v + " (1 to 240)";
                return false;
            }
            out.fps = static_cast<int>(fps);
            out.hasFps = true;
        }
        else if (!std::strcmp(a, "--until"))
        {
            const char* v = needValue(a);
            if (!v)
                return false;
            if (!ParseMilliseconds(v, out.untilMs))
            {
                error = std::string("bad value for --until: ") + v;
                return false;
            }
            out.hasUntil = true;
        }
        else if (!std::strcmp(a, "--video-size"))
        {
            const char* v = needValue(a);
            if (!v)
                return false;
            if (!ParseVideoSize(v, out.videoWidth, out.videoHeight))
            {
                error = std::string("bad value for --video-size: ") + v +
                        " (WxH, even numbers from 16 to 8192)";
                return false;
            }
        }
        else if (!std::strcmp(a, "--check"))
        {
            out.check = true;
            // The script is optional: a following option is not taken for it.
            if (i + 1 < argc && argv[i + 1][0] != '-')
                out.checkScript = argv[++i];
        }
        else
        {
            error = std::string(a[0] == '-' ? "unknown option: " : "unexpected argument: ") + a;
            return false;
        }
    }
    if (out.windowed && out.fullscreen)
    {
        error = "--windowed and --fullscreen exclude each other";
        return false;
    }
    if (out.edit &&
        (out.fullscreen || out.check || !out.reportFile.empty() || !out.captureOut.empty()))
    {
        error = std::string("--edit and ") +
                (out.fullscreen           ? "--fullscreen"
                 : out.check              ? "--check"
                 : out.captureOut.empty() ? "--report"
                                          : "--capture") +
                " exclude each other";
        return false;
    }
    if (out.captureOut.empty() && (out.hasFps || out.hasUntil || out.videoWidth))
    {
        error = std::string(out.hasFps     ? "--fps"
                            : out.hasUntil ? "--until"
                                           : "--video-size") +
                " needs --capture";
        return false;
    }
    if (!out.captureOut.empty() && (out.windowed || out.fullscreen))
    {
        error = "--capture renders offscreen: it excludes --windowed and --fullscreen";
        return false;
    }
    if (!out.captureOut.empty() && (out.check || !out.reportFile.empty()))
    {
        error = std::string("--capture and ") + (out.check ? "--check" : "--report") +
                " exclude each other";
        return false;
    }
    if (out.hasUntil && out.hasStart && out.untilMs < out.startMs)
    {
        error = "--until " + std::to_string(out.untilMs) + " is before --start " +
                std::to_string(out.startMs);
        return false;
    }
    return true;
}

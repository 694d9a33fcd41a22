#include "app/CommandLine.h"

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

// A whole number of milliseconds, signed, within +-limit.
bool ParseSignedMilliseconds(const char* text, int limit, int& out)
{
    const bool negative = text && *text == '-';
    uint32_t magnitude = 0;
    if (!ParseMilliseconds(negative ? text + 1 : text, magnitude) ||
        magnitude > static_cast<uint32_t>(limit))
        return false;
    out = negative ? -static_cast<int>(magnitude) : static_cast<int>(magnitude);
    return true;
}

// The largest video the encoders take: 8K UHD. A larger size would only make
// ffmpeg take gigabytes before it fails.
constexpr unsigned kMaxVideoSide = 7680;
constexpr unsigned long kMaxVideoPixels = 7680ul * 4320ul;

// Decimal digits only, at most 5 of them (leading zeros allowed).
bool ParseSide(const char*& p, unsigned& out)
{
    out = 0;
    const char* start = p;
    while (*p >= '0' && *p <= '9')
    {
        if (out < 100000)
            out = out * 10 + static_cast<unsigned>(*p - '0');
        ++p;
    }
    return p != start;
}

// "WxH", nothing else (no blanks, no signs), with both sides even (the video
// encoders need that) and in range.
bool ParseVideoSize(const char* text, int& w, int& h)
{
    unsigned a = 0, b = 0;
    const char* p = text;
    if (!text || !ParseSide(p, a) || *p++ != 'x' || !ParseSide(p, b) || *p != '\0')
        return false;
    if (a < 16 || b < 16 || a > kMaxVideoSide || b > kMaxVideoSide || a % 2 || b % 2 ||
        static_cast<unsigned long>(a) * b > kMaxVideoPixels)
        return false;
    w = static_cast<int>(a);
    h = static_cast<int>(b);
    return true;
}

// One option of the table. A handler gets the option's value (null for a flag)
// and answers false with the reason in error.
using Handler = bool (*)(CommandLine& out, const char* value, std::string& error);

enum class Takes
{
    Nothing,  // a switch
    Value,    // the next argument, always
    MaybeName // the next argument unless it starts with '-'
};

struct Option
{
    const char* name;
    const char* alias; // or null
    Takes takes;
    Handler apply;
};

bool NotEmpty(const char* option, const char* value, std::string& error)
{
    if (*value)
        return true;
    error = std::string("bad value for ") + option + ": empty";
    return false;
}

const Option kOptions[] = {
    {"--help", "-h", Takes::Nothing,
     [](CommandLine& o, const char*, std::string&) { return o.help = true; }},
    {"--version", nullptr, Takes::Nothing,
     [](CommandLine& o, const char*, std::string&) { return o.version = true; }},
    {"--windowed", nullptr, Takes::Nothing,
     [](CommandLine& o, const char*, std::string&) { return o.windowed = true; }},
    {"--fullscreen", nullptr, Takes::Nothing,
     [](CommandLine& o, const char*, std::string&) { return o.fullscreen = true; }},
    {"--batch", nullptr, Takes::Nothing,
     [](CommandLine& o, const char*, std::string&) { return o.batch = true; }},
    {"--edit", nullptr, Takes::Nothing,
     [](CommandLine& o, const char*, std::string&) { return o.edit = true; }},
    {"--start", nullptr, Takes::Value,
     [](CommandLine& o, const char* v, std::string& error)
     {
         if (!ParseMilliseconds(v, o.startMs))
         {
             error = std::string("bad value for --start: ") + v;
             return false;
         }
         return o.hasStart = true;
     }},
    {"--data", nullptr, Takes::Value,
     [](CommandLine& o, const char* v, std::string& error)
     {
         if (!NotEmpty("--data", v, error))
             return false;
         struct stat st;
         if (::stat(platform::ResolveUserPath(v).c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
         {
             error = std::string("bad value for --data: no folder ") + v;
             return false;
         }
         o.dataDir = v;
         return true;
     }},
    {"--report", nullptr, Takes::Value,
     [](CommandLine& o, const char* v, std::string& error)
     {
         o.reportFile = v;
         return NotEmpty("--report", v, error);
     }},
    {"--trace", nullptr, Takes::Value,
     [](CommandLine& o, const char* v, std::string& error)
     {
         o.traceFile = v;
         return NotEmpty("--trace", v, error);
     }},
    {"--capture", nullptr, Takes::Value,
     [](CommandLine& o, const char* v, std::string& error)
     {
         o.captureOut = v;
         return NotEmpty("--capture", v, error);
     }},
    {"--fps", nullptr, Takes::Value,
     [](CommandLine& o, const char* v, std::string& error)
     {
         uint32_t fps = 0;
         if (!ParseMilliseconds(v, fps) || fps < 1 || fps > 240)
         {
             error = std::string("bad value for --fps: ") + v + " (1 to 240)";
             return false;
         }
         o.fps = static_cast<int>(fps);
         return o.hasFps = true;
     }},
    {"--until", nullptr, Takes::Value,
     [](CommandLine& o, const char* v, std::string& error)
     {
         if (!ParseMilliseconds(v, o.untilMs))
         {
             error = std::string("bad value for --until: ") + v;
             return false;
         }
         return o.hasUntil = true;
     }},
    {"--video-size", nullptr, Takes::Value,
     [](CommandLine& o, const char* v, std::string& error)
     {
         if (ParseVideoSize(v, o.videoWidth, o.videoHeight))
             return true;
         error = std::string("bad value for --video-size: ") + v +
                 " (WxH, even numbers from 16 to 7680, at most 7680 x 4320 pixels)";
         return false;
     }},
    {"--loop", nullptr, Takes::Nothing,
     [](CommandLine& o, const char*, std::string&) { return o.loop = true; }},
    {"--volume", nullptr, Takes::Value,
     [](CommandLine& o, const char* v, std::string& error)
     {
         uint32_t percent = 0;
         if (!ParseMilliseconds(v, percent) || percent > 100)
         {
             error = std::string("bad value for --volume: ") + v + " (0 to 100)";
             return false;
         }
         o.volume = static_cast<int>(percent);
         return o.hasVolume = true;
     }},
    {"--audio-offset", nullptr, Takes::Value,
     [](CommandLine& o, const char* v, std::string& error)
     {
         if (!ParseSignedMilliseconds(v, 10000, o.audioOffsetMs))
         {
             error = std::string("bad value for --audio-offset: ") + v + " (-10000 to 10000)";
             return false;
         }
         return o.hasAudioOffset = true;
     }},
    {"--vsync", nullptr, Takes::Value,
     [](CommandLine& o, const char* v, std::string& error)
     {
         if (std::strcmp(v, "on") != 0 && std::strcmp(v, "off") != 0)
         {
             error = std::string("bad value for --vsync: ") + v + " (on or off)";
             return false;
         }
         o.vsync = std::strcmp(v, "on") == 0;
         return o.hasVsync = true;
     }},
    {"--check", nullptr, Takes::MaybeName,
     [](CommandLine& o, const char* v, std::string&)
     {
         o.check = true;
         if (v)
             o.checkScript = v;
         return true;
     }},
    {"--strict", nullptr, Takes::Nothing,
     [](CommandLine& o, const char*, std::string&) { return o.strict = true; }},
    {"--load", nullptr, Takes::Nothing,
     [](CommandLine& o, const char*, std::string&) { return o.load = true; }},
};

const Option* FindOption(const char* arg)
{
    for (const Option& option : kOptions)
        if (!std::strcmp(arg, option.name) || (option.alias && !std::strcmp(arg, option.alias)))
            return &option;
    return nullptr;
}

// Options that exclude each other, in the order they are tested: the first
// pair found is the one named.
struct Exclusion
{
    bool (*applies)(const CommandLine&);
    std::string (*message)(const CommandLine&);
};

const Exclusion kExclusions[] = {
    {[](const CommandLine& c) { return c.windowed && c.fullscreen; }, [](const CommandLine&)
     { return std::string("--windowed and --fullscreen exclude each other"); }},
    {[](const CommandLine& c) {
         return c.edit &&
                (c.fullscreen || c.check || !c.reportFile.empty() || !c.captureOut.empty());
     },
     [](const CommandLine& c)
     {
         return std::string("--edit and ") +
                (c.fullscreen           ? "--fullscreen"
                 : c.check              ? "--check"
                 : c.captureOut.empty() ? "--report"
                                        : "--capture") +
                " exclude each other";
     }},
    {[](const CommandLine& c)
     { return c.captureOut.empty() && (c.hasFps || c.hasUntil || c.videoWidth); },
     [](const CommandLine& c)
     {
         return std::string(c.hasFps     ? "--fps"
                            : c.hasUntil ? "--until"
                                         : "--video-size") +
                " needs --capture";
     }},
    {[](const CommandLine& c) { return !c.captureOut.empty() && (c.windowed || c.fullscreen); },
     [](const CommandLine&) {
         return std::string("--capture renders offscreen: it excludes --windowed and --fullscreen");
     }},
    {[](const CommandLine& c)
     { return !c.captureOut.empty() && (c.check || !c.reportFile.empty()); },
     [](const CommandLine& c)
     {
         return std::string("--capture and ") + (c.check ? "--check" : "--report") +
                " exclude each other";
     }},
    {[](const CommandLine& c)
     {
         return (c.loop || c.hasVolume || c.hasAudioOffset || c.hasVsync) &&
                (!c.captureOut.empty() || c.check || !c.reportFile.empty());
     },
     [](const CommandLine& c)
     {
         return std::string(c.loop             ? "--loop"
                            : c.hasVolume      ? "--volume"
                            : c.hasAudioOffset ? "--audio-offset"
                                               : "--vsync") +
                " is for live play: it excludes " +
                (!c.captureOut.empty() ? "--capture"
                 : c.check             ? "--check"
                                       : "--report");
     }},
    {[](const CommandLine& c) { return c.loop && c.edit; }, [](const CommandLine&)
     { return std::string("--edit and --loop exclude each other (editing holds at the end)"); }},
    {[](const CommandLine& c) { return !c.check && (c.strict || c.load); }, [](const CommandLine& c)
     { return std::string(c.strict ? "--strict" : "--load") + " needs --check"; }},
    {[](const CommandLine& c) { return c.hasUntil && c.hasStart && c.untilMs < c.startMs; },
     [](const CommandLine& c)
     {
         return "--until " + std::to_string(c.untilMs) + " is before --start " +
                std::to_string(c.startMs);
     }},
};
} // namespace

const char* UsageLine()
{
    return "usage: vortexel [--windowed|--fullscreen[=desktop]] [--start MS] [--data DIR]\n"
           "                [--batch] [--loop] [--volume N] [--audio-offset MS] [--vsync on|off]\n"
           "                [--report FILE] [--trace FILE] [--help] [--version]\n"
           "       vortexel --check [SCRIPT] [--strict] [--load] [--start MS] [--data DIR]\n"
           "       vortexel --edit [--start MS] [--data DIR] [--trace FILE] [--volume N]\n"
           "                [--audio-offset MS] [--vsync on|off]\n"
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
           "  --loop            play from 0 again at the end, music and all, until Escape\n"
           "  --volume N        music volume in percent, 0 (silent) to 100 (default)\n"
           "  --audio-offset MS show the picture MS milliseconds later against the sound\n"
           "                    (negative: earlier), for outputs whose delay is unknown\n"
           "  --vsync on|off    wait for the display's refresh (default on, adaptive where\n"
           "                    offered); off for measuring the frame rate\n"
           "  --edit            play in a window and restart at the current time whenever\n"
           "                    the script changes; Space pause, Left/Right 5 s,\n"
           "                    Page Up/Down 30 s, Home start, R reload, Tab overlay\n"
           "  --check [SCRIPT]  load the script without playing it and print its timeline,\n"
           "                    then a warning on stderr for each mistake it finds\n"
           "  --strict          with --check: any warning makes the status 1\n"
           "  --load            with --check: also load every effect the timeline uses\n"
           "                    (pictures, shaders, meshes) in a headless GL context\n"
           "  --report FILE     write the report of the effects and their messages to FILE\n"
           "  --trace FILE      write one line per frame to FILE: FRAME TIME DT MSG ACTIVE BANDS\n"
           "                    AV (AV: ms the picture leads the music heard)\n"
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
           "  --check: 0 no reports, 1 the script raised reports (or, with --strict,\n"
           "           warnings), 2 the script could not be opened.\n";
}

bool ParseCommandLine(int argc, char** argv, CommandLine& out, std::string& error)
{
    out = CommandLine{};
    for (int i = 1; i < argc; ++i)
    {
        const char* a = argv[i];
        // The one option with an attached value: --fullscreen=desktop.
        if (!std::strncmp(a, "--fullscreen=", 13))
        {
            if (std::strcmp(a + 13, "desktop") != 0)
            {
                error = std::string("bad value for --fullscreen: ") + (a + 13);
                return false;
            }
            out.fullscreen = true;
            out.desktopFullscreen = true;
            continue;
        }
        const Option* option = FindOption(a);
        if (!option)
        {
            error = std::string(a[0] == '-' ? "unknown option: " : "unexpected argument: ") + a;
            return false;
        }
        const char* value = nullptr;
        if (option->takes == Takes::Value)
        {
            if (i + 1 >= argc)
            {
                error = std::string(option->name) + " needs a value";
                return false;
            }
            value = argv[++i];
        }
        else if (option->takes == Takes::MaybeName && i + 1 < argc && argv[i + 1][0] != '-')
            value = argv[++i];
        if (!option->apply(out, value, error))
            return false;
    }
    for (const Exclusion& rule : kExclusions)
        if (rule.applies(out))
        {
            error = rule.message(out);
            return false;
        }
    return true;
}

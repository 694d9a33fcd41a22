#include "core/CommandLine.h"

#include "platform/Paths.h"

#include <sys/stat.h>

#include <cerrno>
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
} // namespace

const char* UsageLine()
{
    return "usage: vortexel [--windowed|--fullscreen[=desktop]] [--start MS] [--data DIR]\n"
           "                [--batch] [--check [SCRIPT]] [--report FILE] [--help] [--version]";
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
           "  --check [SCRIPT]  load the script without playing it and print its timeline\n"
           "  --report FILE     write the report of the effects and their messages to FILE\n"
           "  --help            show this text\n"
           "  --version         show the version\n"
           "\n"
           "A file \"editoren_sind_fuer_clickscener.txt\" in the working directory holding a\n"
           "number starts playback at that many milliseconds; --start wins over it.\n"
           "\n"
           "Without a display the demo plays headless (offscreen video, no sound device,\n"
           "no dialog, no message boxes).\n"
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
            if (::stat(platform::ResolvePath(v).c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
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
    return true;
}

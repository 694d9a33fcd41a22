// Capture against live play, side by side in one run, on the headless context
// (SDL's offscreen driver, Mesa's llvmpipe without a GPU):
//   - live play of the demo's last seconds, as the program plays them
//     (frames per second from its frame trace, first frame to last);
//   - capture of the same span at the live frame rate, so both draw about the
//     same frames, into a PNG folder and into an mp4 through ffmpeg: frames
//     per second of wall time from the first frame to the last (as the
//     program's last line says), and that rate over the live rate;
//   - peak memory of a short and of a ten-times-longer PNG capture: a frame
//     queue that grew would show as growth.
// Runs the real program (vortexel next to the bench folder, as built) as a
// child process each time, from the source folder's Data unless --data DIR.
//
//   bench_CaptureSpeed [--figures] [--data DIR] [--span S]
#include "BenchReport.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace
{

struct Result
{
    int status = -1;
    std::string err;
    double peakMB = 0.0; // the child's peak resident size (and its own children's)
};

std::string Program()
{
    char self[PATH_MAX] = {};
    ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0)
        return "vortexel";
    return (fs::path(std::string(self, static_cast<size_t>(n))).parent_path().parent_path() /
            "vortexel")
        .string();
}

Result Run(const std::vector<std::string>& args, const fs::path& errFile)
{
    Result r;
    pid_t pid = ::fork();
    if (pid == 0)
    {
        std::FILE* err = std::freopen(errFile.c_str(), "w", stderr);
        (void)err;
        std::freopen("/dev/null", "r", stdin);
        ::setenv("VORTEXEL_HEADLESS", "1", 1);
        ::setenv("SDL_AUDIODRIVER", "dummy", 0);
        std::vector<char*> argv;
        for (const std::string& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    int raw = 0;
    rusage use{};
    ::wait4(pid, &raw, 0, &use);
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    r.peakMB = static_cast<double>(use.ru_maxrss) / 1024.0;
    std::ifstream in(errFile);
    std::stringstream s;
    s << in.rdbuf();
    r.err = s.str();
    return r;
}

// "... (12.3 frames/s)" at the end of the capture's last line.
double CaptureRate(const std::string& err)
{
    size_t at = err.rfind(" (");
    return at == std::string::npos ? 0.0 : std::atof(err.c_str() + at + 2);
}

} // namespace

int main(int argc, char** argv)
{
    const bool figures = bench::TakeFiguresFlag(argc, argv);
    std::string data = "Data";
    int span = 6;
    for (int i = 1; i + 1 < argc; ++i)
        if (!std::strcmp(argv[i], "--data"))
            data = argv[++i];
        else if (!std::strcmp(argv[i], "--span"))
            span = std::max(1, std::atoi(argv[++i]));

    const std::string program = Program();
    char tmpl[] = "/tmp/vortexel-bench-capture-XXXXXX";
    if (!::mkdtemp(tmpl))
        return 1;
    const fs::path work = tmpl;
    const fs::path err = work / "stderr";
    auto cleanup = [&] { fs::remove_all(work); };

    // The demo ends at 96 s: play its last span seconds.
    const int endMs = 96000;
    const std::string start = std::to_string(endMs - span * 1000);
    // The live rate from the trace's clock, first frame to last, so that
    // loading counts in neither rate.
    const fs::path trace = work / "live.trace";
    Result live = Run({program, "--data", data, "--start", start, "--trace", trace.string()}, err);
    double liveRate = 0.0;
    {
        std::ifstream in(trace);
        double first = -1.0, last = 0.0;
        long lines = 0;
        for (std::string line; std::getline(in, line);)
        {
            if (line.empty() || line[0] == '#') // the header line
                continue;
            ++lines;
            last = std::atof(line.c_str() + line.find(' ') + 1);
            if (first < 0.0)
                first = last;
        }
        if (lines > 1 && last > first)
            liveRate = static_cast<double>(lines - 1) / (last - first);
    }
    if (live.status != 0 || liveRate <= 0.0)
    {
        std::fprintf(stderr, "bench_CaptureSpeed: live play failed:\n%s", live.err.c_str());
        cleanup();
        return 1;
    }
    const int fps = std::max(1, static_cast<int>(std::lround(liveRate)));
    const std::string rate = std::to_string(fps);

    Result png = Run({program, "--data", data, "--start", start, "--fps", rate, "--capture",
                      (work / "frames").string()},
                     err);
    fs::remove_all(work / "frames");
    Result mp4 = Run({program, "--data", data, "--start", start, "--fps", rate, "--capture",
                      (work / "demo.mp4").string()},
                     err);
    fs::remove(work / "demo.mp4");
    // Memory: one second against ten times as long, PNG frames at 15 frames/s
    // (enough frames to fill the writer's queue many times over).
    const int longSpan = std::max(10, span);
    const std::string memStart = std::to_string(endMs - longSpan * 1000);
    Result brief = Run({program, "--data", data, "--start", memStart, "--until",
                        std::to_string(endMs - longSpan * 1000 + 1000), "--fps", "15", "--capture",
                        (work / "brief").string()},
                       err);
    fs::remove_all(work / "brief");
    Result longer = Run({program, "--data", data, "--start", memStart, "--fps", "15", "--capture",
                         (work / "long").string()},
                        err);
    cleanup();
    for (const Result* r : {&png, &mp4, &brief, &longer})
        if (r->status != 0)
        {
            std::fprintf(stderr, "bench_CaptureSpeed: a capture failed:\n%s", r->err.c_str());
            return 1;
        }

    const double pngRate = CaptureRate(png.err), mp4Rate = CaptureRate(mp4.err);
    if (figures)
    {
        std::printf("info\tcapture span\tthe demo's last %d s at %d frames/s (the live rate)\n",
                    span, fps);
        bench::Figure("capture: live play frame rate", liveRate, "fps");
        bench::Figure("capture: PNG frames frame rate", pngRate, "fps");
        bench::Figure("capture: mp4 frame rate", mp4Rate, "fps");
        bench::Figure("capture: PNG frames / live frame rate", pngRate / liveRate, "x");
        bench::Figure("capture: mp4 / live frame rate", mp4Rate / liveRate, "x");
        bench::Figure("capture: peak resident, 1 s capture", brief.peakMB, "MB");
        bench::Figure("capture: peak resident, " + std::to_string(longSpan) + " s capture",
                      longer.peakMB, "MB");
        bench::Figure("capture: peak growth, 1 s to " + std::to_string(longSpan) + " s",
                      longer.peakMB - brief.peakMB, "MB");
    }
    else
    {
        std::printf("the demo's last %d s, headless (offscreen driver)\n", span);
        std::printf("  live play             %6.1f frames/s\n", liveRate);
        std::printf("  capture, PNG frames   %6.1f frames/s  (%.2f x live)\n", pngRate,
                    pngRate / liveRate);
        std::printf("  capture, mp4          %6.1f frames/s  (%.2f x live)\n", mp4Rate,
                    mp4Rate / liveRate);
        std::printf("peak resident memory at 15 frames/s, PNG frames\n");
        std::printf("  1 s capture           %6.1f MB\n", brief.peakMB);
        std::printf("  %2d s capture          %6.1f MB\n", longSpan, longer.peakMB);
    }
    return 0;
}

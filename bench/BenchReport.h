#pragma once
// The benchmarks' common output. With --figures a program prints one line per
// measured figure,
//     figure <TAB> key <TAB> value <TAB> unit
// which ./bench.sh gathers over several runs into one table (median and
// spread). Without it, Google Benchmark programs print their usual table.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace bench
{

inline void Figure(const std::string& key, double value, const char* unit)
{
    std::printf("figure\t%s\t%.6g\t%s\n", key.c_str(), value, unit);
    std::fflush(stdout);
}

// True (and the flag removed) when the command line asks for figure lines.
inline bool TakeFiguresFlag(int& argc, char** argv)
{
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--figures") == 0)
        {
            for (int j = i; j + 1 < argc; ++j)
                argv[j] = argv[j + 1];
            --argc;
            return true;
        }
    return false;
}

// Every repetition of a Google Benchmark as a figure: CPU time per iteration,
// which a shared machine disturbs far less than wall time.
class FigureReporter : public benchmark::BenchmarkReporter
{
  public:
    bool ReportContext(const Context&) override { return true; }
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs)
        {
            if (run.run_type != Run::RT_Iteration || run.error_occurred)
                continue;
            std::string name = run.benchmark_name();
            size_t repeats = name.find("/repeats:");
            if (repeats != std::string::npos)
                name.erase(repeats);
            Figure(name, run.GetAdjustedCPUTime(), benchmark::GetTimeUnitString(run.time_unit));
        }
    }
};

inline int RunBenchmarks(int argc, char** argv)
{
    bool figures = TakeFiguresFlag(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 2;
    if (figures)
    {
        FigureReporter reporter;
        benchmark::RunSpecifiedBenchmarks(&reporter);
    }
    else
        benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

} // namespace bench

#include "ratio_reporter.h"

#include <cstdio>

namespace vkt::bench {

void PrintRatio(const std::string& what, double value) {
    std::fflush(stdout);
    std::printf("RATIO %s %.3f\n", what.c_str(), value);
    std::fflush(stdout);
}

void RatioReporter::ReportRuns(const std::vector<Run>& runs) {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
        if (run.error_occurred || run.run_type != Run::RT_Iteration) continue;
        const std::string name = run.benchmark_name();
        const auto slash = name.rfind('/');
        if (slash == std::string::npos) continue;
        const std::string what = name.substr(0, slash);
        const std::string side = name.substr(slash + 1);
        if (!pairs_.count(what)) order_.push_back(what);
        Pair& pair = pairs_[what];
        const double perIteration = run.GetAdjustedRealTime();
        if (side == "vkt") pair.vkt = perIteration;
        if (side == "openssl") pair.openssl = perIteration;
    }
}

void RatioReporter::PrintRatios() const {
    for (const std::string& what : order_) {
        const Pair& pair = pairs_.at(what);
        if (pair.vkt <= 0 || pair.openssl <= 0) continue;
        PrintRatio(what, pair.vkt / pair.openssl);
    }
}

}  // namespace vkt::bench

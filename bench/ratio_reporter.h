// Pairs each library benchmark with its OpenSSL counterpart and prints the time ratios.
//
// Benchmarks are named "<what>/vkt" and "<what>/openssl"; after the run one line
//   RATIO <what> <value>
// is printed per pair, value = the library's time per iteration divided by OpenSSL's for the
// same work (below 1 means the library is faster).
#pragma once

#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

namespace vkt::bench {

// One line "RATIO <what> <value>", flushed at once.
void PrintRatio(const std::string& what, double value);

class RatioReporter : public benchmark::ConsoleReporter {
  public:
    // Plain text (no colour codes), so the RATIO lines can be read by scripts.
    RatioReporter() : ConsoleReporter(OO_Tabular) {}
    void ReportRuns(const std::vector<Run>& runs) override;
    void PrintRatios() const;

  private:
    struct Pair {
        double vkt = 0;
        double openssl = 0;
    };
    std::map<std::string, Pair> pairs_;
    std::vector<std::string> order_;
};

}  // namespace vkt::bench

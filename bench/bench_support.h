// What the benchmarks share: the order fixtures and a reporter that keeps
// each figure, so that a benchmark can be set beside its reference.
#pragma once

#include <benchmark/benchmark.h>

#include <map>
#include <string>

namespace bench {

// Console output as usual, and the real time per iteration of every run kept
// by name ("BM_Send/1000").
class KeepingReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override;
    std::map<std::string, double> nanoseconds;  // per iteration
};

// True when the benchmark was started with --smoke: one quick run of the
// smallest size, for the test suite.
bool smoke(int argc, char** argv);

}  // namespace bench

// The keeping reporter.
#include "bench_support.h"

#include <cstring>

namespace bench {

void KeepingReporter::ReportRuns(const std::vector<Run>& runs) {
    for (const auto& run : runs)
        if (run.run_type == Run::RT_Iteration && !run.error_occurred)
            nanoseconds[run.benchmark_name()] =
                run.GetAdjustedRealTime() * 1e9 / benchmark::GetTimeUnitMultiplier(run.time_unit);
    ConsoleReporter::ReportRuns(runs);
}

bool smoke(int argc, char** argv) {
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--smoke") == 0) return true;
    return false;
}

}  // namespace bench

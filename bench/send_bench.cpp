// KVD's send against the physical limit of the same job: the same bytes from
// plain C++ structs, written with one write call into the same directory.
#include <fcntl.h>
#include <unistd.h>

#include <charconv>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "bench_support.h"
#include "class_registry.h"
#include "functions.h"
#include "object.h"

using apprt::Value;

namespace {

struct PlainPosition {
    std::int64_t quantity;
    std::string partNo;
};

std::string partNumber(std::size_t i) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "PART-%07zu", i);
    return buf;
}

std::filesystem::path exportDir() {
    static const auto dir = [] {
        auto d = std::filesystem::temp_directory_path() / ("orderlink-bench-" + std::to_string(::getpid()));
        std::filesystem::create_directories(d);
        return d;
    }();
    return dir;
}

// The clipboard class that does nothing: the helper program's milliseconds
// are not ours to measure.
Value silentClipboard() {
    return apprt::ClassRegistry::instance().obtainObject("SilentClipboard", [] {
        apprt::ClassDraft d("SilentClipboard", 0, 0, 6);
        for (const char* m : {"create", "open", "clear", "setBuffer", "close", "destroy"})
            d.method(m, apprt::MethodKind::Instance, apprt::Visibility::Exported,
                     [](const Value&, apprt::Args) { return Value(true); });
        return d;
    });
}

Value buildOrder(std::size_t n) {
    std::vector<Value> positions;
    positions.reserve(n);
    const Value positionClass = apprt::call("ORDERPOSITION_STRUCTURE");
    for (std::size_t i = 0; i < n; ++i) {
        const Value p = positionClass.send("new");
        p.assign("quantity", Value(static_cast<std::int64_t>(i % 100 + 1)));
        p.assign("partNo", Value(partNumber(i)));
        positions.push_back(p);
    }
    const Value order = apprt::call("ORDER_STRUCTURE").send("new");
    order.assign("orderPos", apprt::makeArray(std::move(positions)));
    order.assign("lines", Value(static_cast<std::int64_t>(n)));
    return order;
}

void BM_Send(benchmark::State& state) {
    const auto n = static_cast<std::size_t>(state.range(0));
    const Value order = buildOrder(n);
    const Value param = apprt::call("PARAM_STRUCTURE").send("new");
    param.assign("veloxport", Value(exportDir().string()));
    const Value sender = apprt::call("KVD").send("new");
    for (auto _ : state) {
        const Value r = sender.send("send", {order, param});
        if (r != Value(true)) state.SkipWithError("send failed");
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * n));
}

// What reading the positions alone costs: the two members of every position,
// by name, with the same prefetching as send, and nothing written. Not a
// reference; it shows the part of send's time that the objects' layout in
// memory sets.
void BM_ReadMembers(benchmark::State& state) {
    const auto n = static_cast<std::int64_t>(state.range(0));
    const Value order = buildOrder(static_cast<std::size_t>(n));
    const apprt::Symbol quantity = apprt::Symbol::intern("quantity");
    const apprt::Symbol partNo = apprt::Symbol::intern("partNo");
    const Value& positions = order.member("orderPos");
    for (auto _ : state) {
        std::size_t sum = 0;
        for (std::int64_t i = 1; i <= n; ++i) {
            if (i + 16 <= n) positions.at(i + 16).prefetch();
            const Value& p = positions.at(i);
            sum += static_cast<std::size_t>(p.member(quantity).integer()) + p.member(partNo).text().size();
        }
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * n);
}

void BM_Reference(benchmark::State& state) {
    const auto n = static_cast<std::size_t>(state.range(0));
    std::vector<PlainPosition> positions;
    positions.reserve(n);
    for (std::size_t i = 0; i < n; ++i)
        positions.push_back({static_cast<std::int64_t>(i % 100 + 1), partNumber(i)});
    const std::string path = (exportDir() / "KVD.csv").string();
    for (auto _ : state) {
        std::string text;
        for (const auto& p : positions) {
            char buf[24];
            const auto r = std::to_chars(buf, buf + sizeof buf, p.quantity);
            text.append(buf, r.ptr);
            text += '\t';
            text += p.partNo;
            text += "\r\n";
        }
        ::unlink(path.c_str());
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        if (fd < 0 || ::write(fd, text.data(), text.size()) != static_cast<ssize_t>(text.size()) ||
            ::close(fd) != 0)
            state.SkipWithError("write failed");
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * n));
}

// The peak resident memory that send adds, beside the size of the file.
struct MemoryFigure {
    double extraMiB, fileMiB;
};

long statusKiB(const char* field) {
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind(field, 0) == 0) return std::stol(line.substr(std::strlen(field)));
    return -1;
}

MemoryFigure measureMemory(std::size_t n) {
    const Value order = buildOrder(n);
    const Value param = apprt::call("PARAM_STRUCTURE").send("new");
    param.assign("veloxport", Value(exportDir().string()));
    const Value sender = apprt::call("KVD").send("new");
    // The text is whole, and the memory at its peak, when it is written: read
    // what is resident then, from inside the write.
    const long before = statusKiB("VmRSS:");
    long peak = before;
    const auto realWrite = apprt::currentFunction("FWRITE");
    {
        apprt::FunctionOverride measuring("FWRITE", 2, [&](apprt::Args a) {
            peak = std::max(peak, statusKiB("VmRSS:"));
            return realWrite(a);
        });
        sender.send("send", {order, param});
    }
    const auto size = std::filesystem::file_size(exportDir() / "KVD.csv");
    return {static_cast<double>(peak - before) / 1024.0, static_cast<double>(size) / (1024.0 * 1024.0)};
}

}  // namespace

int main(int argc, char** argv) {
    const bool smoke = bench::smoke(argc, argv);
    std::optional<apprt::Module> kvdlink = apprt::loadModule("kvdlink");
    apprt::FunctionOverride clipboard("SYSCLIPBOARD", 0, [](apprt::Args) { return silentClipboard(); });

    // Memory first, while the process has no freed memory of earlier runs
    // lying about for the text to reuse.
    std::optional<MemoryFigure> memory;
    if (!smoke) memory = measureMemory(1000000);

    const std::vector<std::int64_t> sizes =
        smoke ? std::vector<std::int64_t>{10} : std::vector<std::int64_t>{10, 1000, 100000, 1000000};
    for (auto n : sizes) {
        benchmark::RegisterBenchmark("BM_Send", BM_Send)->Arg(n)->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark("BM_Reference", BM_Reference)->Arg(n)->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark("BM_ReadMembers", BM_ReadMembers)->Arg(n)->Unit(benchmark::kMicrosecond);
    }
    std::vector<char*> args(argv, argv + argc);
    std::erase_if(args, [](char* a) { return std::strcmp(a, "--smoke") == 0; });
    std::string quick = "--benchmark_min_time=0.01";
    if (smoke) args.push_back(quick.data());
    int count = static_cast<int>(args.size());
    benchmark::Initialize(&count, args.data());
    bench::KeepingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    std::printf("\n%-10s %14s %14s %8s %14s\n", "positions", "send ns/pos", "ref ns/pos", "ratio",
                "reads ns/pos");
    for (auto n : sizes) {
        const std::string arg = "/" + std::to_string(n);
        const double send = reporter.nanoseconds["BM_Send" + arg];
        const double ref = reporter.nanoseconds["BM_Reference" + arg];
        const double reads = reporter.nanoseconds["BM_ReadMembers" + arg];
        std::printf("%-10lld %14.1f %14.1f %8.2f %14.1f\n", static_cast<long long>(n), send / n, ref / n,
                    ref > 0 ? send / ref : 0.0, reads / n);
    }
    if (!smoke) {
        std::printf("scaling 1000000/100000: %.2f (linear is 10)\n",
                    reporter.nanoseconds["BM_Send/1000000"] / reporter.nanoseconds["BM_Send/100000"]);
        std::printf("peak extra memory at 1000000: %.1f MiB for a file of %.1f MiB: %.2f times\n",
                    memory->extraMiB, memory->fileMiB, memory->extraMiB / memory->fileMiB);
    }
    std::filesystem::remove_all(exportDir());
    benchmark::Shutdown();
    return 0;
}

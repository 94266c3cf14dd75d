// The runtime's operations beside the plain C++ operation each stands for.
#include <charconv>
#include <memory>
#include <optional>

#include "bench_support.h"
#include "class_registry.h"
#include "functions.h"
#include "object.h"
#include "services.h"

using apprt::Value;

namespace {

struct Plain {
    std::int64_t quantity = 3;
};
struct Base {
    virtual ~Base() = default;
    virtual std::int64_t answer() const = 0;
};
struct Derived final : Base {
    std::int64_t answer() const override { return 7; }
};

Value position() {
    static const Value p = apprt::call("ORDERPOSITION_STRUCTURE").send("new");
    return p;
}

void BM_MemberRead(benchmark::State& state) {
    const Value p = position();
    const auto quantity = apprt::Symbol::intern("quantity");
    for (auto _ : state) benchmark::DoNotOptimize(&p.member(quantity));
}
void BM_StructMemberRead(benchmark::State& state) {
    Plain plain;
    for (auto _ : state) {
        benchmark::DoNotOptimize(plain.quantity);
        benchmark::ClobberMemory();
    }
}
void BM_MemberReadByText(benchmark::State& state) {
    const Value p = position();
    for (auto _ : state) benchmark::DoNotOptimize(&p.member("quantity"));
}
void BM_MemberAssign(benchmark::State& state) {
    const Value p = position();
    const auto quantity = apprt::Symbol::intern("quantity");
    std::int64_t i = 0;
    for (auto _ : state) p.assign(quantity, Value(++i));
}
void BM_StructMemberAssign(benchmark::State& state) {
    Plain plain;
    std::int64_t i = 0;
    for (auto _ : state) {
        plain.quantity = ++i;
        benchmark::ClobberMemory();
    }
}
void BM_MessageSend(benchmark::State& state) {
    const Value sender = apprt::call("KVD").send("new");
    const auto selector = apprt::Symbol::intern("getResultMessage");
    for (auto _ : state) benchmark::DoNotOptimize(sender.send(selector));
}
void BM_VirtualCall(benchmark::State& state) {
    std::unique_ptr<Base> object = std::make_unique<Derived>();
    Base* volatile target = object.get();
    for (auto _ : state) benchmark::DoNotOptimize(target->answer());
}
void BM_ClassFunctionCall(benchmark::State& state) {
    apprt::call("KVD");
    for (auto _ : state) benchmark::DoNotOptimize(apprt::call("KVD"));
}
void BM_ToText(benchmark::State& state) {
    const Value n(std::int64_t{1234567});
    for (auto _ : state) benchmark::DoNotOptimize(apprt::toText(n));
}
void BM_ToChars(benchmark::State& state) {
    volatile std::int64_t n = 1234567;
    for (auto _ : state) {
        char buf[24];
        auto r = std::to_chars(buf, buf + sizeof buf, static_cast<std::int64_t>(n));
        benchmark::DoNotOptimize(r.ptr);
        benchmark::ClobberMemory();
    }
}

}  // namespace

int main(int argc, char** argv) {
    const bool smoke = bench::smoke(argc, argv);
    std::optional<apprt::Module> kvdlink = apprt::loadModule("kvdlink");
    const std::pair<const char*, void (*)(benchmark::State&)> all[] = {
        {"BM_MemberRead", BM_MemberRead},         {"BM_StructMemberRead", BM_StructMemberRead},
        {"BM_MemberReadByText", BM_MemberReadByText},
        {"BM_MemberAssign", BM_MemberAssign},     {"BM_StructMemberAssign", BM_StructMemberAssign},
        {"BM_MessageSend", BM_MessageSend},       {"BM_VirtualCall", BM_VirtualCall},
        {"BM_ClassFunctionCall", BM_ClassFunctionCall},
        {"BM_ToText", BM_ToText},                 {"BM_ToChars", BM_ToChars},
    };
    for (const auto& [name, fn] : all) benchmark::RegisterBenchmark(name, fn);
    std::vector<char*> args(argv, argv + argc);
    std::erase_if(args, [](char* a) { return std::string_view(a) == "--smoke"; });
    std::string quick = "--benchmark_min_time=0.001";
    if (smoke) args.push_back(quick.data());
    int count = static_cast<int>(args.size());
    benchmark::Initialize(&count, args.data());
    bench::KeepingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    auto& ns = reporter.nanoseconds;
    std::printf("\n%-22s %10s  %-22s %10s %8s\n", "runtime", "ns", "plain C++", "ns", "ratio");
    const std::pair<const char*, const char*> pairs[] = {
        {"BM_MemberRead", "BM_StructMemberRead"},   {"BM_MemberReadByText", "BM_StructMemberRead"},
        {"BM_MemberAssign", "BM_StructMemberAssign"}, {"BM_MessageSend", "BM_VirtualCall"},
        {"BM_ClassFunctionCall", "BM_VirtualCall"},  {"BM_ToText", "BM_ToChars"},
    };
    for (const auto& [ours, plain] : pairs)
        std::printf("%-22s %10.2f  %-22s %10.2f %8.1f\n", ours + 3, ns[ours], plain + 3, ns[plain],
                    ns[plain] > 0 ? ns[ours] / ns[plain] : 0.0);
    benchmark::Shutdown();
    return 0;
}

// The function table, module loading, and the file services.
#include <gtest/gtest.h>
#if !defined(_WIN32)
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <functional>

#include "error.h"
#include "functions.h"
#include "test_support.h"

using namespace apprt;
using testing_support::TempDir;

using testing_support::errorOf;

namespace {

TEST(Modules, LoadCallAndUnload) {
    {
        Module m = loadModule("samplemodule");
        EXPECT_EQ(m.name(), "samplemodule");
        EXPECT_EQ(call("sampleseven"), Value(7));
        // Fewer arguments than declared read as nil; more are an error.
        const Value p = call("SamplePair", {Value(1)});
        EXPECT_EQ(p.at(1), Value(1));
        EXPECT_TRUE(p.at(2).isNil());
        EXPECT_EQ(errorOf([] { call("SAMPLEPAIR", {Value(1), Value(2), Value(3)}); }),
                  "SAMPLEPAIR: takes 2 arguments, got 3");
        // The same names twice: the second load fails and the first stays.
        EXPECT_EQ(errorOf([] { loadModule("samplemodule"); }),
                  "samplemodule: cannot register SAMPLEPAIR: samplemodule has it already");
        EXPECT_EQ(call("SAMPLESEVEN"), Value(7));
    }
    EXPECT_FALSE(hasFunction("SAMPLESEVEN"));
    EXPECT_EQ(errorOf([] { call("SAMPLESEVEN"); }), "SAMPLESEVEN: no such function");
}

TEST(Modules, RefusedModulesRegisterNothing) {
    EXPECT_EQ(errorOf([] { loadModule("newermodule"); }),
              "newermodule: needs runtime 2.50, this runtime is 2.00");
    EXPECT_FALSE(hasFunction("FROMTHEFUTURE"));
    const std::string plain = errorOf([] { loadModule("plainlibrary"); });
    EXPECT_NE(plain.find("is not a module of this runtime"), std::string::npos) << plain;
    const std::string missing = errorOf([] { loadModule("nosuchmodule"); });
    EXPECT_EQ(missing.rfind("nosuchmodule: cannot load ", 0), 0u) << missing;
}

TEST(Functions, OverrideStandsInUntilItGoes) {
    {
        FunctionOverride chr("chr", 1, [](Args) { return Value("override"); });
        EXPECT_EQ(call("CHR", {Value(65)}), Value("override"));
        {
            FunctionOverride inner("CHR", 1, [](Args) { return Value("inner"); });
            EXPECT_EQ(call("CHR", {Value(65)}), Value("inner"));
        }
        EXPECT_EQ(call("CHR", {Value(65)}), Value("override"));
    }
    EXPECT_EQ(call("CHR", {Value(65)}), Value("A"));
}

TEST(FileServices, CreateWriteCloseErase) {
    TempDir dir;
    const Value path((dir / "f.txt").string());
    testing_support::writeFile(dir / "f.txt", "much longer old content");
    const Value h = call("FCREATE", {path, Value(0)});
    ASSERT_TRUE(h.isNumber());
    ASSERT_NE(h, Value(-1));
    EXPECT_EQ(call("FWRITE", {h, Value(std::string("a\0b", 3))}), Value(3));
    EXPECT_EQ(call("FCLOSE", {h}), Value(true));
    EXPECT_EQ(testing_support::readFile(dir / "f.txt"), std::string("a\0b", 3));
    // A handle that is closed, or never was ours, is refused.
    EXPECT_EQ(call("FCLOSE", {h}), Value(false));
    EXPECT_EQ(call("FWRITE", {Value(1), Value("to stdout?")}), Value(0));
    EXPECT_EQ(call("FCLOSE", {Value(0)}), Value(false));
    EXPECT_EQ(call("FERASE", {path}), Value(0));
    EXPECT_FALSE(std::filesystem::exists(dir / "f.txt"));
}

#if !defined(_WIN32)
TEST(FileServices, UnusablePathsAnswerMinusOne) {
    TempDir dir;
    std::filesystem::create_directory(dir / "sub");
    ::symlink((dir / "target").c_str(), (dir / "link").c_str());
    const std::string cases[] = {
        (dir / "missing" / "f.txt").string(),         // no such directory
        (dir / "sub").string(),                       // a directory
        "",                                           // empty
        (dir / "nul").string() + std::string(1, '\0') + "x",  // embedded NUL
        (dir / "link").string(),                      // a symbolic link is not followed
        (dir / std::string(5000, 'x')).string(),      // too long
    };
    for (const auto& p : cases) EXPECT_EQ(call("FCREATE", {Value(p), Value(0)}), Value(-1)) << p;
    EXPECT_FALSE(std::filesystem::exists(dir / "target"));
    // Erasing a link removes the link only.
    testing_support::writeFile(dir / "target", "keep");
    EXPECT_EQ(call("FERASE", {Value((dir / "link").string())}), Value(0));
    EXPECT_EQ(testing_support::readFile(dir / "target"), "keep");
    EXPECT_EQ(errorOf([] { call("FCREATE", {Value(), Value(0)}); }),
              "FCREATE: expects a text, got nil");
}

#endif

}  // namespace

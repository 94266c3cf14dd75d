// TEXT2FILE on every platform: the bytes exactly as given (no line-end
// translation on Windows either), and false where the file cannot be written.
#include <gtest/gtest.h>

#include "error.h"
#include "functions.h"
#include "plugin_env.h"
#include "test_support.h"

using apprt::Value;
using testing_support::errorOf;
using testing_support::readFile;
using testing_support::TempDir;
using testing_support::writeFile;

namespace {

class Deskkit : public ::testing::Test {
protected:
    static void SetUpTestSuite() { testing_support::loadPlugin("deskkit"); }
};

TEST_F(Deskkit, Text2FileWritesExactlyTheText) {
    TempDir dir;
    const std::string bytes("line 1\r\nZ\xfc\0nd\n", 13);
    writeFile(dir / "old.txt", std::string(10000, 'o'));
    struct Case {
        std::string file, text;
    } cases[] = {{"new.txt", bytes}, {"old.txt", "short"}, {"empty.txt", ""}};
    for (const auto& c : cases) {
        EXPECT_EQ(apprt::call("TEXT2FILE", {Value((dir / c.file).string()), Value(c.text)}),
                  Value(true));
        EXPECT_EQ(readFile(dir / c.file), c.text) << c.file;
    }
}

TEST_F(Deskkit, Text2FileFailures) {
    TempDir dir;
    EXPECT_EQ(apprt::call("TEXT2FILE", {Value((dir / "missing" / "f.txt").string()), Value("x")}),
              Value(false));
    EXPECT_EQ(apprt::call("TEXT2FILE", {Value(dir.path().string()), Value("x")}), Value(false));
    {
        const auto realWrite = apprt::currentFunction("FWRITE");
        apprt::FunctionOverride shortWrite("FWRITE", 2, [&](apprt::Args a) {
            return realWrite({a[0], Value(a[1].text().substr(1))});
        });
        EXPECT_EQ(apprt::call("TEXT2FILE", {Value((dir / "short.txt").string()), Value("abc")}),
                  Value(false));
    }
    EXPECT_TRUE(testing_support::listDir(dir.path()).empty());
    // Wrong kinds raise before the file system is touched.
    EXPECT_EQ(errorOf([&] {
                  apprt::call("TEXT2FILE", {Value((dir / "n.txt").string()), Value(5)});
              }),
              "FWRITE: expects a text, got number");
    EXPECT_EQ(errorOf([&] {
                  apprt::call("TEXT2FILE", {Value(), Value("x")});
              }),
              "FERASE: expects a text, got nil");
    EXPECT_TRUE(testing_support::listDir(dir.path()).empty());
}

}  // namespace

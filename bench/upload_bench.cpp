// Times UPLOADFTP (passive, no pause: the pause is UPFTP's): one line per run,
// the seconds it took. Usage: upload_bench HOST USER FILE RUNS, with the
// password in ORDERHOST_FTP_PASSWORD.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

#include "error.h"
#include "functions.h"

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: upload_bench HOST USER FILE RUNS\n");
        return 64;
    }
    const char* password = std::getenv("ORDERHOST_FTP_PASSWORD");
    std::optional<apprt::Module> deskkit = apprt::loadModule("deskkit");
    const int runs = std::atoi(argv[4]);
    try {
        for (int i = 0; i < runs; ++i) {
            const auto start = std::chrono::steady_clock::now();
            const apprt::Value ok = apprt::call(
                "UPLOADFTP", {apprt::Value(argv[1]), apprt::Value(argv[2]),
                              apprt::Value(password ? password : ""), apprt::Value(argv[3]),
                              apprt::Value(), apprt::Value(true)});
            const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
            if (ok != apprt::Value(true)) {
                std::fprintf(stderr, "upload_bench: the upload failed\n");
                return 1;
            }
            std::printf("%.6f\n", took.count());
        }
    } catch (const apprt::Error& e) {
        std::fprintf(stderr, "upload_bench: %s\n", e.what());
        return 3;
    }
    return 0;
}

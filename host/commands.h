// The subcommands of orderhost and what they share.
#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "functions.h"

namespace host {

// What a subcommand needs at run time: the modules it loads stay loaded until
// orderhost ends.
class Session {
public:
    std::filesystem::path pluginDir;  // empty: beside orderhost
    void load(const std::string& module);

private:
    std::vector<apprt::Module> modules_;
};

// A subcommand's work, run after the command line was parsed; answers the
// exit status.
using Action = std::function<int(Session&)>;

void addOrderCommands(CLI::App& app, Action& action);
void addDeskCommands(CLI::App& app, Action& action);
void addUploadCommand(CLI::App& app, Action& action);

// Reads a whole file, or standard input for "-"; throws InputUnreadable.
std::string readInput(const std::string& path);
struct InputUnreadable : std::runtime_error {
    using std::runtime_error::runtime_error;
};

}  // namespace host

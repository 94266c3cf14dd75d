// orderhost: the reference host that loads the plug-ins and calls them as the
// dealer's application would.
#include <cerrno>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>

#include "commands.h"
#include "error.h"
#include "exit_codes.h"
#include "order_json.h"

namespace host {

void Session::load(const std::string& module) {
    modules_.push_back(apprt::loadModule(module, pluginDir));
}

std::string readInput(const std::string& path) {
    if (path == "-") {
        std::ostringstream all;
        all << std::cin.rdbuf();
        return all.str();
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) throw InputUnreadable("cannot read " + path + ": " + std::strerror(errno));
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace host

int main(int argc, char** argv) {
    CLI::App app{"orderhost: sends orders and calls the desktop functions through the plug-ins"};
    app.require_subcommand(1);
    host::Session session;
    app.add_option("--plugin-dir", session.pluginDir,
                   "Directory holding the plug-in libraries (default: beside orderhost)");
    host::Action action;
    host::addOrderCommands(app, action);
    host::addDeskCommands(app, action);
    host::addUploadCommand(app, action);

    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForAllHelp& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        app.exit(e);
        return host::kUsage;
    }

    try {
        return action(session);
    } catch (const apprt::Error& e) {
        std::cerr << "orderhost: " << e.what() << '\n';
        return host::kRuntimeError;
    } catch (const host::OrderInputError& e) {
        std::cerr << "orderhost: " << e.what() << '\n';
        return host::kBadInput;
    } catch (const host::InputUnreadable& e) {
        std::cerr << "orderhost: " << e.what() << '\n';
        return host::kNoInput;
    } catch (const std::exception& e) {
        // Not the runtime's error and not the input's: a fault of ours.
        std::cerr << "orderhost: internal error: " << e.what() << '\n';
        return host::kInternal;
    }
}

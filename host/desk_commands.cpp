// orderhost clipboard, write and open: deskkit's desktop functions.
#include <iostream>
#include <optional>

#include "commands.h"
#include "exit_codes.h"
#include "services.h"

namespace host {

using apprt::Value;

namespace {
int answer(const Value& v) { return v == Value(true) ? kTrue : kFalse; }
}  // namespace

void addDeskCommands(CLI::App& app, Action& action) {
    auto text = std::make_shared<std::optional<std::string>>();
    auto* clip = app.add_subcommand("clipboard", "Put TEXT on the clipboard with CLIPBOARD");
    clip->add_option("TEXT", *text, "The text; left out, nothing (which CLIPBOARD refuses)");
    clip->footer("Exit status: 0 when CLIPBOARD answered true, 1 when false.");
    clip->callback([&action, text] {
        action = [text](Session& s) {
            s.load("deskkit");
            return answer(apprt::call("CLIPBOARD", {*text ? Value(**text) : Value()}));
        };
    });

    auto path = std::make_shared<std::string>();
    auto content = std::make_shared<std::optional<std::string>>();
    auto* write = app.add_subcommand("write", "Write TEXT into the file PATH with TEXT2FILE");
    write->add_option("PATH", *path, "The file to write")->required();
    write->add_option("TEXT", *content, "The text; left out, all of standard input");
    write->footer("Exit status: 0 when TEXT2FILE answered true, 1 when false.");
    write->callback([&action, path, content] {
        action = [path, content](Session& s) {
            const std::string bytes = *content ? **content : readInput("-");
            s.load("deskkit");
            return answer(apprt::call("TEXT2FILE", {Value(*path), Value(bytes)}));
        };
    });

    auto file = std::make_shared<std::string>();
    auto* open = app.add_subcommand("open", "Open PATH with its associated application (SHELLOPENFILE)");
    open->add_option("PATH", *file, "The file to open")->required();
    open->footer("Prints the shell's answer. Exit status: 0 when it is above 32, 1 otherwise.");
    open->callback([&action, file] {
        action = [file](Session& s) {
            s.load("deskkit");
            const Value r = apprt::call("SHELLOPENFILE", {Value(*file)});
            std::cout << apprt::toText(r).text() << '\n';
            return r > Value(32) ? kTrue : kFalse;
        };
    });
}

}  // namespace host

// orderhost info and send: the sender protocol as the host application uses it.
#include <iostream>

#include "commands.h"
#include "exit_codes.h"
#include "order_json.h"

namespace host {

using apprt::Value;

void addOrderCommands(CLI::App& app, Action& action) {
    auto* info = app.add_subcommand("info", "Print the KVD sender's purpose and its contract");
    info->callback([&action] {
        action = [](Session& s) {
            s.load("kvdlink");
            const Value kvd = apprt::call("KVD");
            std::cout << kvd.send("getPurpose").text() << '\n'
                      << kvd.send("derivedFrom").text() << '\n';
            return kTrue;
        };
    });

    auto* send = app.add_subcommand("send", "Export an order as KVD.csv with the KVD sender");
    auto exportDir = std::make_shared<std::string>();
    auto orderFile = std::make_shared<std::string>();
    send->add_option("--export-dir", *exportDir, "The export directory (veloxport), as given")
        ->required();
    send->add_option("ORDER", *orderFile, "The order as JSON; - reads standard input")->required();
    send->footer(
        "Exit status: 0 sent, 1 the file could not be written, 2 no positions, 3 runtime error,\n"
        "64 usage, 65 the order file is not a valid order, 66 it cannot be read.");
    send->callback([&action, exportDir, orderFile] {
        action = [exportDir, orderFile](Session& s) {
            const std::string json = readInput(*orderFile);
            s.load("kvdlink");
            const Value order = orderFromJson(json);
            const Value param = apprt::call("PARAM_STRUCTURE").send("new");
            param.assign("veloxport", Value(*exportDir));
            const Value sender = apprt::call("KVD").send("new");
            const Value result = sender.send("send", {order, param});
            const Value message = sender.send("getResultMessage");
            std::cout << message.text() << '\n' << std::flush;
            if (result.isNil()) return kNil;
            return result == Value(true) ? kTrue : kFalse;
        };
    });
}

}  // namespace host

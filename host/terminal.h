// The terminal orderhost talks to, on POSIX and on Windows.
#pragma once

#include <string>

namespace host {

bool stdinIsTerminal();
bool stderrIsTerminal();
// A line from standard input, not echoed while it is typed.
std::string readLineWithoutEcho();

}  // namespace host

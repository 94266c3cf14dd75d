// Terminal checks and input without echo.
#include "terminal.h"

#include <iostream>

#if defined(_WIN32)
#include <io.h>
#include <windows.h>
#else
#include <termios.h>
#include <unistd.h>
#endif

namespace host {

#if defined(_WIN32)
bool stdinIsTerminal() { return _isatty(_fileno(stdin)) != 0; }
bool stderrIsTerminal() { return _isatty(_fileno(stderr)) != 0; }

std::string readLineWithoutEcho() {
    HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
    DWORD mode = 0;
    const bool console = GetConsoleMode(in, &mode) != 0;
    if (console) SetConsoleMode(in, mode & ~static_cast<DWORD>(ENABLE_ECHO_INPUT));
    std::string line;
    std::getline(std::cin, line);
    if (console) SetConsoleMode(in, mode);
    return line;
}
#else
bool stdinIsTerminal() { return ::isatty(STDIN_FILENO) != 0; }
bool stderrIsTerminal() { return ::isatty(STDERR_FILENO) != 0; }

std::string readLineWithoutEcho() {
    termios old{};
    const bool terminal = ::tcgetattr(STDIN_FILENO, &old) == 0;
    if (terminal) {
        termios quiet = old;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        ::tcsetattr(STDIN_FILENO, TCSANOW, &quiet);
    }
    std::string line;
    std::getline(std::cin, line);
    if (terminal) ::tcsetattr(STDIN_FILENO, TCSANOW, &old);
    return line;
}
#endif

}  // namespace host

// delvaronte-config: the administrators' companion to the application.
#include <termios.h>
#include <unistd.h>

#include <iostream>
#include <iterator>

#include "tools/ConfigTool.h"

namespace {

// At a terminal the secret is typed without echo, one line at a time; from a pipe the
// first line of the whole input is taken.
std::optional<std::string> readSecret(const std::string& prompt) {
    if (!isatty(STDIN_FILENO)) {
        static const std::string input{std::istreambuf_iterator<char>(std::cin),
                                       std::istreambuf_iterator<char>()};
        static bool taken = false;
        if (taken) return std::nullopt;
        taken = true;
        return delvaronte::firstLine(input);
    }

    std::cerr << prompt << std::flush;
    termios saved{};
    const bool restore = tcgetattr(STDIN_FILENO, &saved) == 0;
    if (restore) {
        termios quiet = saved;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
    }
    std::string line;
    const bool read = static_cast<bool>(std::getline(std::cin, line));
    if (restore) tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
    std::cerr << "\n";
    if (!read) return std::nullopt;
    return delvaronte::firstLine(line);
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    delvaronte::ConfigToolIo io{std::cout, std::cerr, readSecret, isatty(STDIN_FILENO) == 1};
    return delvaronte::runConfigTool(arguments, io);
}

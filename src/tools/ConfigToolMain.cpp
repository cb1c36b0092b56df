// delvaronte-config: the administrators' companion to the application.
#include <termios.h>
#include <unistd.h>

#include <csignal>

#include <iostream>
#include <iterator>

#include "tools/ConfigTool.h"

namespace {

// The terminal as it was before echo was turned off, for a signal that ends the program
// mid-password (Ctrl+C): the administrator's shell must not be left without echo.
termios echoingTerminal{};

void restoreTerminalAndDie(int signal) {
    tcsetattr(STDIN_FILENO, TCSAFLUSH, &echoingTerminal);
    const char lineBreak = '\n';
    [[maybe_unused]] const auto written = write(STDERR_FILENO, &lineBreak, 1);
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

constexpr int kEndingSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

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

    termios saved{};
    const bool restore = tcgetattr(STDIN_FILENO, &saved) == 0;
    if (restore) {
        echoingTerminal = saved;
        for (const int signal : kEndingSignals) std::signal(signal, restoreTerminalAndDie);
        termios quiet = saved;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
    }
    // Asked once nothing typed can be echoed any more.
    std::cerr << prompt << std::flush;
    std::string line;
    const bool read = static_cast<bool>(std::getline(std::cin, line));
    if (restore) {
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
        for (const int signal : kEndingSignals) std::signal(signal, SIG_DFL);
    }
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

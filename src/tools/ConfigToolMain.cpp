// delvaronte-config: the administrators' companion to the application.
#include <sys/prctl.h>
#include <sys/resource.h>
#include <termios.h>
#include <unistd.h>

#include <csignal>
#include <iostream>

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

// At a terminal the secret is typed without echo; from a pipe the next line is taken. Either
// way one line, and no more of it than a password may hold.
std::optional<std::string> readSecret(const std::string& prompt) {
    if (!isatty(STDIN_FILENO)) return delvaronte::readLine(std::cin);

    termios saved{};
    const bool restore = tcgetattr(STDIN_FILENO, &saved) == 0;
    struct sigaction before[std::size(kEndingSignals)] = {};
    if (restore) {
        echoingTerminal = saved;
        struct sigaction restoring {};
        restoring.sa_handler = restoreTerminalAndDie;
        for (size_t i = 0; i < std::size(kEndingSignals); ++i) {
            sigaction(kEndingSignals[i], nullptr, &before[i]);
            // A signal the tool was started to ignore (SIGHUP under nohup) stays ignored.
            if (before[i].sa_handler != SIG_IGN) sigaction(kEndingSignals[i], &restoring, nullptr);
        }
        termios quiet = saved;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
    }
    // Asked once nothing typed can be echoed any more.
    std::cerr << prompt << std::flush;
    auto line = delvaronte::readLine(std::cin);
    if (restore) {
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
        for (size_t i = 0; i < std::size(kEndingSignals); ++i) {
            sigaction(kEndingSignals[i], &before[i], nullptr);
        }
    }
    std::cerr << "\n";
    return line;
}

}  // namespace

int main(int argc, char** argv) {
    // Passwords are held in memory: no core file may take them to disk, whatever the limits
    // the tool was started with.
    prctl(PR_SET_DUMPABLE, 0);
    const rlimit noCore{0, 0};
    setrlimit(RLIMIT_CORE, &noCore);

    const std::vector<std::string> arguments(argv + 1, argv + argc);
    delvaronte::ConfigToolIo io{std::cout, std::cerr, readSecret, isatty(STDIN_FILENO) == 1};
    return delvaronte::runConfigTool(arguments, io);
}

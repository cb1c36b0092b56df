// delvaronte-config: provisioning and inspecting config.dat from the command line.
#pragma once

#include <functional>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace delvaronte {

struct ConfigToolIo {
    std::ostream& out;
    std::ostream& err;
    // Reads one secret line without its line break; nothing at end of input. The prompt is
    // for a person at a terminal and may be ignored when the input is a pipe.
    std::function<std::optional<std::string>(const std::string& prompt)> readSecret;
    // A person is typing (a terminal): set-password then asks twice.
    bool interactive = false;
};

// Runs one command line (without the program name) and gives the exit status:
// 0 done, 1 wrong password or file not written, 2 bad usage or invalid input.
int runConfigTool(const std::vector<std::string>& arguments, ConfigToolIo& io);

// Takes one line from text: everything before the first line break ("\n" or "\r\n").
std::string firstLine(const std::string& text);

}  // namespace delvaronte

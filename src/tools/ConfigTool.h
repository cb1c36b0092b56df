// delvaronte-config: provisioning and inspecting config.dat from the command line.
#pragma once

#include <functional>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace delvaronte {

// Exit statuses: done (or password correct), wrong password or file not written, bad usage or
// invalid entry.
inline constexpr int kDone = 0;
inline constexpr int kRefused = 1;
inline constexpr int kBadUsage = 2;

// A password line longer than this is refused; readers stop reading just past it.
inline constexpr size_t kMaxSecretBytes = 4096;

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

// Reads one line from input, its line break ("\n" or "\r\n") removed, reading no further than
// kMaxSecretBytes + 1 bytes into it; nothing at the end of the input.
std::optional<std::string> readLine(std::istream& input);

}  // namespace delvaronte

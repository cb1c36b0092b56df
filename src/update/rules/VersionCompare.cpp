#include "update/rules/VersionCompare.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <optional>
#include <vector>

namespace delvaronte {

namespace {

// A piece converts when it is an optional sign and one or more decimal digits, within the
// signed 64-bit range.
std::optional<int64_t> pieceValue(std::string_view piece) {
    std::string_view digits = piece;
    if (!digits.empty() && (digits.front() == '+' || digits.front() == '-')) {
        digits.remove_prefix(1);
    }
    if (digits.empty()) return std::nullopt;
    for (const char c : digits) {
        if (c < '0' || c > '9') return std::nullopt;
    }
    // from_chars takes a minus sign but not a plus.
    const std::string_view number = piece.front() == '+' ? digits : piece;
    int64_t value = 0;
    const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
    if (error != std::errc() || end != number.data() + number.size()) return std::nullopt;
    return value;
}

std::vector<int64_t> versionNumbers(std::string_view text) {
    std::vector<int64_t> numbers;
    size_t start = 0;
    while (start <= text.size()) {
        const size_t dot = text.find('.', start);
        const size_t end = dot == std::string_view::npos ? text.size() : dot;
        if (const auto value = pieceValue(text.substr(start, end - start))) {
            numbers.push_back(*value);
        }
        if (dot == std::string_view::npos) break;
        start = dot + 1;
    }
    return numbers;
}

}  // namespace

bool isNewerVersion(std::string_view candidate, std::string_view current) {
    const std::vector<int64_t> candidateNumbers = versionNumbers(candidate);
    const std::vector<int64_t> currentNumbers = versionNumbers(current);
    for (size_t i = 0; i < std::max(candidateNumbers.size(), currentNumbers.size()); ++i) {
        const int64_t a = i < candidateNumbers.size() ? candidateNumbers[i] : 0;
        const int64_t b = i < currentNumbers.size() ? currentNumbers[i] : 0;
        if (a != b) return a > b;
    }
    return false;
}

}  // namespace delvaronte

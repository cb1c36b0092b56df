#include "shell/rules/MemoryCeiling.h"

#include <algorithm>

namespace delvaronte {

MemoryCeiling memoryCeilingFor(uint64_t physicalMiB) {
    constexpr uint64_t kLowest = 1536, kHighest = 8192;
    return {std::clamp<uint64_t>(physicalMiB * 2 / 5, kLowest, kHighest)};
}

}  // namespace delvaronte

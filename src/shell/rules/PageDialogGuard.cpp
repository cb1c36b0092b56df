#include "shell/rules/PageDialogGuard.h"

namespace delvaronte {

namespace {

constexpr int64_t kRunGapMicroseconds = 10'000'000;
constexpr int kFirstDialogOfferingBlock = 3;

}  // namespace

bool PageDialogGuard::starting(int64_t now) {
    run_ = lastEnd_ && now - *lastEnd_ <= kRunGapMicroseconds ? run_ + 1 : 1;
    return run_ >= kFirstDialogOfferingBlock;
}

}  // namespace delvaronte

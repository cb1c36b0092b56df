#include "shell/rules/QuitSequence.h"

#include <algorithm>
#include <utility>

namespace delvaronte {

bool QuitSequence::start(std::vector<PageId> pages) {
    if (!asked_.empty()) return false;
    asked_ = std::move(pages);
    return true;
}

bool QuitSequence::asking(PageId page) const {
    return std::find(asked_.begin(), asked_.end(), page) != asked_.end();
}

QuitSequence::Next QuitSequence::closed(PageId page) {
    if (!asking(page)) return Next::Wait;
    std::erase(asked_, page);
    return asked_.empty() ? Next::End : Next::Wait;
}

QuitSequence::Next QuitSequence::answered(PageId page, bool leave) {
    if (leave) return closed(page);
    asked_.clear();
    if (!stayed(page)) stayed_.push_back(page);
    return Next::GoOn;
}

bool QuitSequence::stayed(PageId page) const {
    return std::find(stayed_.begin(), stayed_.end(), page) != stayed_.end();
}

void QuitSequence::settled(PageId page) {
    std::erase(stayed_, page);
}

unsigned QuitSequence::takeLogoutHold() {
    return std::exchange(logoutHold_, 0u);
}

}  // namespace delvaronte

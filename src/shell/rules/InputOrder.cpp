#include "shell/rules/InputOrder.h"

#include <algorithm>

namespace delvaronte {

bool KeysInFlight::seen() {
    if (waiting_ > 0) --waiting_;
    return waiting_ == 0;
}

InputOrder::Verdict InputOrder::arrives(Kind kind, const InputStamp& stamp) {
    if (kind == Kind::Other) return Verdict::Pass;
    const bool key = kind == Kind::KeyPress || kind == Kind::KeyRelease;
    if (key && std::find(keysGiven_.begin(), keysGiven_.end(), stamp) != keysGiven_.end()) {
        return Verdict::Pass;  // the page left it alone: it goes on to the window
    }
    // One of those given to the view again: the ones before it that have not come back never
    // will.
    bool back = false;
    if (kind != Kind::Flowing) {
        const auto found = std::find(returning_.begin(), returning_.end(), stamp);
        back = found != returning_.end();
        if (back) returning_.erase(returning_.begin(), found + 1);
    }
    if (!back && !returning_.empty() && kind != Kind::Flowing) {
        // It came before what was released ahead of it: it goes behind.
        returning_.push_back(stamp);
        return Verdict::Resend;
    }
    if (!holding_ && kind == Kind::Press && keys_.waiting()) holding_ = true;
    if (holding_) {
        if (kind != Kind::Flowing) held_.push_back(stamp);
        return Verdict::Hold;
    }
    if (kind == Kind::KeyPress) keys_.given();
    if (key) {
        keysGiven_[nextKey_] = stamp;
        nextKey_ = (nextKey_ + 1) % keysGiven_.size();
    }
    return Verdict::Pass;
}

void InputOrder::release() {
    holding_ = false;
    returning_.insert(returning_.end(), held_.begin(), held_.end());
    held_.clear();
}

}  // namespace delvaronte

#include "shell/rules/InputOrder.h"

#include <algorithm>

namespace delvaronte {

bool InputInFlight::seen(Input input) {
    if (count(input) > 0) --count(input);
    return !waiting();
}

InputOrder::Verdict InputOrder::arrives(Kind kind, const InputStamp& stamp) {
    using Input = InputInFlight::Input;
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
    const bool press = kind == Kind::Press || kind == Kind::TouchBegin;
    if (!holding_ && ((press && inFlight_.waiting(Input::Key)) ||
                      (kind == Kind::KeyPress && inFlight_.waiting(Input::Button)))) {
        holding_ = true;
    }
    if (holding_) {
        if (kind != Kind::Flowing) held_.push_back(stamp);
        return Verdict::Hold;
    }
    if (kind == Kind::KeyPress) inFlight_.given(Input::Key);
    if (kind == Kind::Press || kind == Kind::Release) inFlight_.given(Input::Button);
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

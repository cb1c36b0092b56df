// Keeps a page's dialogs from locking the user out (an alert in a loop).
#pragma once

#include <cstdint>
#include <optional>

namespace delvaronte {

// One web view's page dialogs. Dialogs that follow each other within ten seconds (from the
// end of one to the start of the next) form a run, across the loads the page starts itself;
// from the third dialog of a run, the dialog offers to block the page's further dialogs.
// Times are microseconds of a monotonic clock.
class PageDialogGuard {
public:
    // A dialog is about to be shown: whether it offers to block the ones after it.
    bool starting(int64_t now);
    // The dialog shown last was answered.
    void ended(int64_t now) { lastEnd_ = now; }

    // Blocked dialogs are not shown: alerts return at once, the others answer no.
    bool blocked() const { return blocked_; }
    void block() { blocked_ = true; }

    // The user navigated (a link they clicked, Accueil, Actualiser): the page starts afresh.
    void reset() { *this = PageDialogGuard(); }

private:
    std::optional<int64_t> lastEnd_;
    int run_ = 0;
    bool blocked_ = false;
};

// One page's sign-in prompts: a page that keeps asking (a frame added in a loop, a reload in
// a loop) gets no more of them once the user has cancelled three in a row, until the user
// navigates; the server's refusal shows instead.
class SignInGuard {
public:
    bool mayAsk() const { return cancelled_ < 3; }
    void answered(bool cancelled) { cancelled_ = cancelled ? cancelled_ + 1 : 0; }
    void reset() { cancelled_ = 0; }

private:
    int cancelled_ = 0;
};

}  // namespace delvaronte

// Ending the program without losing typed work: each page is asked to close, and one with
// unsaved work asks its leave question first; the program ends when every page has closed,
// and goes on when the user stays on one. At a logout the desktop is held meanwhile.
#pragma once

#include <vector>

namespace delvaronte {

class QuitSequence {
public:
    using PageId = const void*;
    enum class Next { Wait, End, GoOn };

    // Starts asking these pages; false when they are already being asked.
    bool start(std::vector<PageId> pages);
    bool asking(PageId page) const;
    // The page closed, or went: End when it was the last one asked.
    Next closed(PageId page);
    // The page's leave question was answered. Leaving counts as closed at once: the engine
    // does not always close a page whose question it has asked more than twice. Staying ends
    // the sequence (GoOn), even when it was not running.
    Next answered(PageId page, bool leave);
    // Whether the user stayed on the page and the engine may still close it for the question
    // it asked: it gives up waiting for a page's answer after 50 ms and closes it, and on a busy
    // machine that close can come after a quick "Rester". Such a close must leave the page
    // open. True until settled(page), once the page's process has nothing left to send.
    bool stayed(PageId page) const;
    void settled(PageId page);

    // The desktop's session is ending: the logout is held while the pages are asked, with
    // the desktop's cookie for that hold; 0 when none is held.
    unsigned logoutHold() const { return logoutHold_; }
    void holdLogout(unsigned cookie) { logoutHold_ = cookie; }
    // The hold to release once the user stayed; 0 when there is none. It is then released.
    unsigned takeLogoutHold();

private:
    std::vector<PageId> asked_;
    std::vector<PageId> stayed_;
    unsigned logoutHold_ = 0;
};

}  // namespace delvaronte

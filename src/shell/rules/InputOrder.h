// Keys and pointer presses reach a page in the order the user gave them. The engine hands a
// page its keys one at a time, each once the page has taken the one before, and its pointer
// events through a queue of their own: a click made while keys still wait for a busy page
// overtakes them, and the keys then land in the field just clicked (an account typed then a
// click into the amount: "assets:bank:checki" and "ng"). So a press waits, with everything
// that comes after it, until the page has seen every key typed before it, or kPressWaitMs have
// passed (a page stuck in a script cannot hold the pointer). Then what waited goes to the view
// again, in its order. Nothing waits while no key does.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace delvaronte {

inline constexpr unsigned kPressWaitMs = 2000;

// Given to every frame, in the program's own script world: each key the page sees is told to
// the program as it comes, before the page's own handlers run.
inline constexpr char kKeySeenHandler[] = "delvaronteKeySeen";
inline constexpr char kKeySeenScript[] = R"(addEventListener('keydown', (event) => {
  if (event.isTrusted) window.webkit.messageHandlers.delvaronteKeySeen.postMessage(0);
}, true);)";

// Keys given to the engine that no page has seen yet. One count for all the program's pages:
// they share the engine's process, and what a page sees is told without saying which page.
class KeysInFlight {
public:
    void given() { ++waiting_; }
    // A page saw one; true when none waits any more.
    bool seen();
    // What is still counted will never be seen (a key that reached no page): forgotten.
    void forget() { waiting_ = 0; }
    bool waiting() const { return waiting_ > 0; }

private:
    int waiting_ = 0;
};

// One input event as the toolkit gave it, enough to know it again when it comes back.
struct InputStamp {
    int type = 0;
    uint32_t time = 0;
    uint32_t detail = 0;  // key code or button
    int x = 0, y = 0;     // where, for the pointer
    bool operator==(const InputStamp&) const = default;
};

// One view's input on its way to the page.
class InputOrder {
public:
    enum class Kind {
        KeyPress,
        KeyRelease,
        Press,    // a button or a touch begins
        Release,  // a button or a touch ends
        Flowing,  // motion and scrolling, which the toolkit may merge as they queue
        Other,    // not input: crossing, focus
    };
    enum class Verdict {
        Pass,    // to the view now
        Hold,    // kept, to go again once released
        Resend,  // to go again at once, behind what was released before it
    };

    explicit InputOrder(KeysInFlight& keys) : keys_(keys) {}

    // An event reaches the view; a key that passes counts as given to the engine.
    Verdict arrives(Kind kind, const InputStamp& stamp);
    // Whether a press waits now.
    bool holding() const { return holding_; }
    // What was held goes to the view again, in its order; the events given to the view again
    // from now on are known by these stamps and pass.
    void release();
    // Those of the released events that have not come back by now never will (the toolkit
    // merged them, or gave them to another widget): nothing more is expected.
    void settled() { returning_.clear(); }
    bool expecting() const { return !returning_.empty(); }

private:
    KeysInFlight& keys_;
    bool holding_ = false;
    std::vector<InputStamp> held_, returning_;
    // The last keys given to the view: the engine gives back, the same way, each key the page
    // left alone, for the window's own keys (the menu's) to have it.
    std::array<InputStamp, 32> keysGiven_{};
    size_t nextKey_ = 0;
};

}  // namespace delvaronte

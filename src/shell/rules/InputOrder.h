// Keys and clicks reach a page in the order the user gave them. The engine hands a page its
// keys one at a time, each once the page has taken the one before, and its mouse buttons one
// at a time in a queue of their own: a click made while keys still wait for a busy page
// overtakes them, and the keys then land in the field just clicked (an account typed then a
// click into the amount: "assets:bank:checki" and "ng"); keys typed just after a click
// overtake it the same way. So a press waits, with everything that comes after it, until the
// page has seen every key typed before it; and a key waits so for the buttons before it. When
// the page has seen nothing for kInputWaitMs, what waits goes anyway (a page stuck in a script
// cannot hold the mouse; a slow one that goes on seeing keys is waited for). Then what waited
// goes to the view again, in its order. Nothing waits while nothing is on its way.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace delvaronte {

inline constexpr unsigned kInputWaitMs = 2000;

// Given to every frame, in the program's own script world: each key and mouse button the page
// sees is told to the program once the page is done with it (its handlers have run, and the
// engine has been told so: until then the engine would not notice a page stuck on the next
// one).
inline constexpr char kInputSeenHandler[] = "delvaronteInputSeen";
inline constexpr char kInputSeenScript[] =
    R"(for (const type of ['keydown', 'mousedown', 'mouseup']) {
  const seen = type === 'keydown' ? 'key' : 'button';
  addEventListener(type, (event) => {
    if (event.isTrusted)
      setTimeout(() => window.webkit.messageHandlers.delvaronteInputSeen.postMessage(seen));
  }, true);
})";

// Keys and mouse buttons given to the engine that no page has seen yet. One count for all the
// program's pages: they share the engine's process, and what a page sees is told without
// saying which page.
class InputInFlight {
public:
    enum class Input { Key, Button };
    void given(Input input) { ++count(input); }
    // A page saw one; true when nothing waits any more.
    bool seen(Input input);
    // What is still counted will never be seen (a key that reached no page): forgotten.
    void forget() { keys_ = buttons_ = 0; }
    bool waiting(Input input) const { return (input == Input::Key ? keys_ : buttons_) > 0; }
    bool waiting() const { return keys_ > 0 || buttons_ > 0; }

private:
    int& count(Input input) { return input == Input::Key ? keys_ : buttons_; }
    int keys_ = 0, buttons_ = 0;
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
        Press,  // a mouse button
        Release,
        TouchBegin,  // waits for the keys like a press; the page is not asked about touches
        TouchEnd,
        Flowing,  // motion and scrolling, which the toolkit may merge as they queue
        Other,    // not input: crossing, focus
    };
    enum class Verdict {
        Pass,    // to the view now
        Hold,    // kept, to go again once released
        Resend,  // to go again at once, behind what was released before it
    };

    explicit InputOrder(InputInFlight& inFlight) : inFlight_(inFlight) {}

    // An event reaches the view; a key or a button that passes counts as given to the engine.
    Verdict arrives(Kind kind, const InputStamp& stamp);
    // Whether something waits now.
    bool holding() const { return holding_; }
    // What was held goes to the view again, in its order; the events given to the view again
    // from now on are known by these stamps and pass, or wait again for what they follow.
    void release();
    // Those of the released events that have not come back by now never will (the toolkit
    // merged them, or gave them to another widget): nothing more is expected.
    void settled() { returning_.clear(); }
    bool expecting() const { return !returning_.empty(); }

private:
    InputInFlight& inFlight_;
    bool holding_ = false;
    std::vector<InputStamp> held_, returning_;
    // The last keys given to the view: the engine gives back, the same way, each key the page
    // left alone, for the window's own keys (the menu's) to have it.
    std::array<InputStamp, 32> keysGiven_{};
    size_t nextKey_ = 0;
};

}  // namespace delvaronte

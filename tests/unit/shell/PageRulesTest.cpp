// What a page may do by its host and place, and the sequences a page goes through: its
// retries, the life of a form it sent, and quitting.
#include <gtest/gtest.h>

#include "shell/rules/FormFields.h"
#include "shell/rules/InputOrder.h"
#include "shell/rules/PageDialogGuard.h"
#include "shell/rules/PageTrust.h"
#include "shell/rules/QuitSequence.h"
#include "shell/rules/RetrySchedule.h"
#include "shell/rules/SavedSignIn.h"
#include "shell/rules/SentForm.h"
#include "shell/rules/TypedFields.h"

using namespace delvaronte;

TEST(Trust, WhatEachPageMayDoByHostAndPlace) {
    using enum PageFeature;
    constexpr bool y = true, n = false;
    // home host at the top of the main window, of a pop-up, in a frame; then another host
    const std::tuple<PageFeature, std::array<bool, 6>> rows[] = {
        {PinnedCertificate, {y, y, n, n, n, n}},  // the home page's own load
        {ClientCertificate, {y, y, y, n, n, n}},  // any request to the home host
        {Notifications, {y, y, n, n, n, n}},      // the page at the top asks
        {SignInPrompt, {y, y, n, n, n, n}},       // never a frame, never another host
        {KeptTyping, {y, y, n, y, y, n}},         // the forms of the page at the top
        {SavedSignIn, {y, y, n, n, n, n}},        // and never over http under an https home
    };
    ASSERT_EQ(std::size(rows), kTrustTable.size()) << "a row here for each feature";
    for (const auto& [feature, expected] : rows) {
        for (size_t column = 0; column < 6; ++column) {
            const Asker asker{column < 3, PagePlace(column % 3)};
            EXPECT_EQ(allows(feature, asker), expected[column])
                << kTrustTable[size_t(feature)].what << ", column " << column;
        }
    }

    // Who asks, by origin: the same scheme, host and port as the home's, however written.
    const PageTrust trust(HomeOrigin("https://Compta.exemple.ma:8443/app/"));
    EXPECT_EQ(trust.home().origin(), "https://compta.exemple.ma:8443");
    const Asker popup = trust.page("https://COMPTA.exemple.ma:08443/x?y", PagePlace::PopUp);
    EXPECT_TRUE(popup.homeOrigin && popup.place == PagePlace::PopUp);
    for (const char* other :
         {"https://compta.exemple.ma/", "http://compta.exemple.ma:8443/",
          "https://compta.exemple.ma:8444/", "https://aide.compta.exemple.ma:8443/",
          "https://compta.exemple.ma.evil:8443/", "https://compta.exemple.ma:99999/", "about:blank",
          ""})
        EXPECT_FALSE(trust.page(other, PagePlace::MainWindow).homeOrigin) << other;
    EXPECT_TRUE(
        PageTrust(HomeOrigin("https://compta/")).page("https://compta:443/", {}).homeOrigin);
    EXPECT_TRUE(PageTrust(HomeOrigin("http://[::1]:80/")).page("http://[0::1]/a", {}).homeOrigin);
    EXPECT_TRUE(
        PageTrust(HomeOrigin("http://0x7f.1:8001/")).page("http://127.0.0.1:8001", {}).homeOrigin);
    EXPECT_FALSE(HomeOrigin().isHomeOrigin("https://compta.exemple.ma/")) << "no home";
    // The links' rule is by host: another port or scheme is still the home host.
    EXPECT_TRUE(trust.home().isHomeAddress("http://compta.exemple.ma:8001/"));
    // The page, the origin its request goes to: whether that is the home origin, and from where.
    const char* home = "https://compta.exemple.ma:8443/grand-livre";
    const std::tuple<const char*, const char*, bool, PagePlace> requests[] = {
        {home, "https://COMPTA.exemple.ma:8443/", true, PagePlace::MainWindow},
        {home, "https://compta.exemple.ma:8444/", false, PagePlace::Frame},
        {home, "http://compta.exemple.ma:8443/", false, PagePlace::Frame},
        {home, "https://pub.exemple.com/", false, PagePlace::Frame},
        {"https://pub.exemple.com/", home, true, PagePlace::Frame},
        {"https://sso.exemple.com/", "https://sso.exemple.com:443/", false, PagePlace::MainWindow},
        {home, "", false, PagePlace::Frame}};
    for (const auto& [uri, to, homeOrigin, place] : requests) {
        const Asker asker = trust.request(uri, to, PagePlace::MainWindow);
        EXPECT_TRUE(asker.homeOrigin == homeOrigin && asker.place == place) << uri << " " << to;
    }
    // The keyring's key, and the one earlier versions used.
    EXPECT_EQ(signInOrigin("http://[::1]/"), "http://[::1]:80");
    EXPECT_EQ(formerSignInOrigin("http://127.0.0.1:8001/login"), "http://127.0.0.1");
}

// What is offered, and what fills the form.
TEST(SavedSignIn, OfferedWhenNewOrChangedFilledByIdentifier) {
    const SignIn alice{"alice", "s1"};
    const KeptSignIns kept{{alice, {"bob", "s2"}}};
    EXPECT_EQ(offerFor({"carol", "s3"}, kept), SignInOffer::Save);
    EXPECT_EQ(offerFor({"alice", "s9"}, kept), SignInOffer::Update);
    EXPECT_EQ(offerFor(alice, kept), SignInOffer::None);
    EXPECT_EQ(offerFor({"carol", "s3"}, {{}, true}), SignInOffer::None) << "never for this site";
    EXPECT_EQ(signInToFill(kept, ""), alice);
    EXPECT_EQ(signInToFill(kept, "bob")->password, "s2");
    EXPECT_FALSE(signInToFill(kept, "carol"));
    EXPECT_EQ(signInOrigin("https://Compta.exemple.ma:8443/x?y"), "https://compta.exemple.ma:8443");

    const std::string json = R"({"user":"alice","password":"s1","field":"mot"})";
    EXPECT_EQ(sentSignIn(json)->field, "mot");
    for (const char* refused : {"", "[]", R"({"user":"alice","password":""})", "{"})
        EXPECT_FALSE(sentSignIn(refused)) << refused;
}

TEST(Trust, APageThatKeepsAskingForASignInIsStopped) {
    SignInGuard guard;
    guard.answered(true);
    guard.answered(true);
    guard.answered(false);  // signed in: the count starts again
    guard.answered(true);
    guard.answered(true);
    EXPECT_TRUE(guard.mayAsk());
    guard.answered(true);
    EXPECT_FALSE(guard.mayAsk()) << "three cancelled in a row";
    guard.reset();
    EXPECT_TRUE(guard.mayAsk()) << "the user navigated";
}

TEST(Retries, FromTheFirstFailureToAPageOfItsOwn) {
    const RetryMoment now{true, true, false};
    RetryState retry;
    EXPECT_FALSE(retry.start(now)) << "nothing scheduled";
    EXPECT_TRUE(retry.failed("http://compta/a")) << "the page's own load: the error page";
    EXPECT_EQ(retry.attempt(), 0);
    EXPECT_FALSE(retry.start(now)) << "not due before its wait";
    retry.timeUp();
    EXPECT_FALSE(retry.start({true, false, false})) << "the window out of sight";
    EXPECT_FALSE(retry.start({false, true, false})) << "no network";
    EXPECT_EQ(retry.start(now), "http://compta/a");
    EXPECT_FALSE(retry.start(now)) << "in flight";
    EXPECT_FALSE(retry.networkBack()) << "in flight: nothing waits for the network";
    EXPECT_FALSE(retry.failed("http://compta/a")) << "a retry's failure: the page stays";
    EXPECT_EQ(retry.attempt(), 1);
    EXPECT_TRUE(retry.networkBack()) << "waiting on its clock: due at once";
    EXPECT_FALSE(retry.networkBack());
    EXPECT_EQ(retry.start(now), "http://compta/a");
    EXPECT_EQ(retry.attempt(), 2);
    retry.cancel();
    EXPECT_FALSE(retry.scheduled());
    EXPECT_TRUE(retry.failed("http://compta/b")) << "after a page of its own, the schedule anew";
    EXPECT_EQ(retry.attempt(), 0);
}

TEST(SentForms, KeptFailedBroughtBackAndDropped) {
    const std::string page = "https://compta/saisie",
                      fields = R"([[0,0,"libelle","text","Loyer"]])";
    SentForm form;
    form.navigating(true);
    form.kept(page, fields);
    EXPECT_FALSE(form.bringBack()) << "sent, not failed";
    form.loadFailed();
    EXPECT_EQ(form.bringBack(), page);
    form.committed();  // the form's page, on its way back
    EXPECT_EQ(form.loaded("https://compta/autre"), std::nullopt) << "another page came";
    EXPECT_FALSE(form.bringBack()) << "and the form was dropped";

    form.kept(page, fields);
    form.loadFailed();
    ASSERT_TRUE(form.bringBack());
    form.committed();
    EXPECT_EQ(form.loaded(page), fields);
    EXPECT_FALSE(form.loaded(page)) << "filled once";

    form.navigating(false);  // a link, not the form, failed
    form.kept(page, fields);
    form.loadFailed();
    EXPECT_FALSE(form.failed());
    form.navigating(true);
    form.kept(page, fields);
    form.committed();  // the server's answer arrived
    form.loadFailed();
    EXPECT_FALSE(form.bringBack()) << "a form that arrived is not kept";
    form.kept(page, std::string(kMaxTypedBytes + 1, 'x'));
    form.loadFailed();
    EXPECT_FALSE(form.bringBack()) << "too much typed to keep";
}

TEST(TypedFields, KeptAsTypedBackAfterTheProcessEndsDroppedWhenLeft) {
    const std::string page = "https://compta/saisie",
                      fields = R"([[0,0,"libelle","text","Loyer"]])";
    TypedFields typed;
    typed.typed(page, fields);
    typed.committed(page);  // Actualiser on a page that runs: what it held is gone with it
    EXPECT_FALSE(typed.loaded(page));
    typed.typed(page, fields);
    typed.processEnded();
    EXPECT_TRUE(typed.waiting());
    typed.typed(page, "[]");  // nothing comes from the page that is gone
    typed.committed(page);    // Recharger
    EXPECT_EQ(typed.loaded(page), fields);
    EXPECT_FALSE(typed.loaded(page)) << "filled once";

    typed.typed(page, fields);
    typed.committed("https://compta/autre");  // the user left the page
    typed.processEnded();
    EXPECT_FALSE(typed.waiting());
    // Neither an empty form nor more than an entry form holds is kept.
    for (const std::string& nothing : {std::string("[]"), std::string(kMaxTypedBytes + 1, 'x')}) {
        typed.typed(page, nothing);
        typed.processEnded();
        EXPECT_FALSE(typed.waiting());
    }
}

TEST(Quitting, EachPageAskedStayingAndTheLogout) {
    using Next = QuitSequence::Next;
    int main = 0, popup = 0;
    QuitSequence quit;
    EXPECT_EQ(quit.closed(&main), Next::Wait) << "not quitting";
    ASSERT_TRUE(quit.start({&main, &popup}));
    EXPECT_FALSE(quit.start({&main})) << "already asking";
    EXPECT_TRUE(quit.asking(&popup));
    EXPECT_EQ(quit.closed(&popup), Next::Wait);
    quit.holdLogout(7);
    EXPECT_EQ(quit.answered(&main, false), Next::GoOn) << "Rester";
    EXPECT_FALSE(quit.asking(&main));
    EXPECT_TRUE(quit.stayed(&main)) << "the engine's close may still come";
    EXPECT_FALSE(quit.stayed(&popup));
    EXPECT_EQ(quit.takeLogoutHold(), 7u);
    EXPECT_EQ(quit.takeLogoutHold(), 0u) << "released once";
    EXPECT_EQ(quit.answered(&main, false), Next::GoOn) << "staying outside a quit";
    quit.settled(&main);
    EXPECT_FALSE(quit.stayed(&main)) << "a later close is the page's own";

    ASSERT_TRUE(quit.start({&main, &popup}));
    EXPECT_EQ(quit.answered(&popup, true), Next::Wait) << "left: closed at once";
    EXPECT_EQ(quit.closed(&popup), Next::Wait) << "its close after that counts once";
    EXPECT_EQ(quit.answered(&main, true), Next::End);
}

// A click made while keys still wait for the page waits for them, with all that follows it,
// and goes again in its order; so does a key made while a click waits for the page. Nothing
// waits while nothing is on its way.
TEST(InputOrder, KeysAndClicksWaitForWhatCameBefore) {
    using Kind = InputOrder::Kind;
    using Verdict = InputOrder::Verdict;
    using Input = InputInFlight::Input;
    InputInFlight inFlight;
    InputOrder order(inFlight), other(inFlight);
    const auto at = [](int type, uint32_t time) { return InputStamp{type, time, 0, 0, 0}; };

    EXPECT_EQ(order.arrives(Kind::TouchBegin, at(7, 1)), Verdict::Pass);  // nothing waits
    EXPECT_EQ(order.arrives(Kind::TouchEnd, at(8, 1)), Verdict::Pass);
    EXPECT_FALSE(inFlight.waiting());  // the page is not asked about touches
    EXPECT_EQ(order.arrives(Kind::KeyPress, at(3, 3)), Verdict::Pass);
    EXPECT_EQ(order.arrives(Kind::KeyRelease, at(4, 4)), Verdict::Pass);
    EXPECT_EQ(order.arrives(Kind::KeyPress, at(3, 5)), Verdict::Pass);
    EXPECT_TRUE(inFlight.waiting(Input::Key));
    EXPECT_FALSE(inFlight.waiting(Input::Button));
    // The engine gives back a key the page left alone: neither held nor counted again.
    EXPECT_EQ(order.arrives(Kind::KeyPress, at(3, 3)), Verdict::Pass);
    EXPECT_FALSE(inFlight.seen(Input::Key));
    EXPECT_TRUE(inFlight.waiting(Input::Key));

    // The click, and what follows it, wait; crossing and focus do not.
    EXPECT_EQ(order.arrives(Kind::Press, at(1, 10)), Verdict::Hold);
    EXPECT_TRUE(order.holding());
    EXPECT_EQ(order.arrives(Kind::Flowing, at(5, 11)), Verdict::Hold);
    EXPECT_EQ(order.arrives(Kind::Release, at(2, 12)), Verdict::Hold);
    EXPECT_EQ(order.arrives(Kind::KeyPress, at(3, 13)), Verdict::Hold);
    EXPECT_EQ(order.arrives(Kind::Other, at(6, 14)), Verdict::Pass);
    // A view of the same engine waits too: the count is the engine's.
    EXPECT_EQ(other.arrives(Kind::TouchBegin, at(7, 15)), Verdict::Hold);
    other.release();

    ASSERT_TRUE(inFlight.seen(Input::Key));
    order.release();
    EXPECT_FALSE(order.holding());
    // An event that was on its way before the released ones came back goes behind them.
    EXPECT_EQ(order.arrives(Kind::KeyPress, at(3, 20)), Verdict::Resend);
    EXPECT_EQ(order.arrives(Kind::Flowing, at(5, 21)), Verdict::Pass);
    EXPECT_EQ(order.arrives(Kind::Press, at(1, 10)), Verdict::Pass);
    EXPECT_TRUE(inFlight.waiting(Input::Button));
    // The release was lost on the way (given elsewhere); the key after the press waits for it.
    EXPECT_EQ(order.arrives(Kind::KeyPress, at(3, 13)), Verdict::Hold);
    EXPECT_EQ(order.arrives(Kind::KeyPress, at(3, 20)), Verdict::Hold);
    EXPECT_FALSE(order.expecting());
    ASSERT_TRUE(inFlight.seen(Input::Button));
    order.release();
    EXPECT_EQ(order.arrives(Kind::KeyPress, at(3, 13)), Verdict::Pass);
    EXPECT_EQ(order.arrives(Kind::KeyPress, at(3, 20)), Verdict::Pass);
    EXPECT_TRUE(inFlight.waiting(Input::Key));  // given to the engine now
    // A press given back while a key it follows still waits waits again.
    EXPECT_EQ(order.arrives(Kind::Press, at(1, 30)), Verdict::Hold);
    order.release();
    EXPECT_EQ(order.arrives(Kind::Press, at(1, 30)), Verdict::Hold);
    EXPECT_TRUE(order.holding());

    // What no page will see is forgotten: nothing waits for it.
    inFlight.forget();
    order.release();
    EXPECT_EQ(order.arrives(Kind::Press, at(1, 30)), Verdict::Pass);
    EXPECT_EQ(order.arrives(Kind::Release, at(2, 31)), Verdict::Pass);
    order.settled();
    EXPECT_FALSE(order.expecting());
    EXPECT_FALSE(inFlight.seen(Input::Button));
    EXPECT_TRUE(inFlight.seen(Input::Button));
    EXPECT_TRUE(inFlight.seen(Input::Button));  // never below none
    EXPECT_EQ(order.arrives(Kind::KeyPress, at(3, 41)), Verdict::Pass);
}

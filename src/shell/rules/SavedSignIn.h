// The application's own sign-in, kept in the desktop's keyring: what a page sent, whether to
// offer keeping it, and which one fills the form when it comes back. The scripts that read and
// fill the form run in the program's own script world.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "shell/rules/NavigationPolicy.h"

namespace delvaronte {

struct SignIn {
    std::string user, password;
    bool operator==(const SignIn&) const = default;
};

// What the keyring keeps for an origin.
struct KeptSignIns {
    std::vector<SignIn> signIns;
    bool never = false;  // "Jamais pour ce site"
};

enum class SignInOffer { None, Save, Update };

// A sign-in just sent: offered to be kept when it is new, to be updated when its identifier is
// kept with another password; never for a site the user refused.
SignInOffer offerFor(const SignIn& sent, const KeptSignIns& kept);

// What fills the form: the kept sign-in of the identifier already typed, or the first kept one
// when none is typed.
std::optional<SignIn> signInToFill(const KeptSignIns& kept, std::string_view typedUser);

// The keyring's key for the page at uri: its origin ("https://compta.exemple.ma:443").
std::string signInOrigin(std::string_view uri);
// The key earlier versions gave the same sign-in: its scheme and host, without the port
// ("https://compta.exemple.ma"). Read for the home origin only, and then moved to its key.
std::string formerSignInOrigin(std::string_view uri);

// A sign-in form the reading script found filled in: the identifier, the password and the
// password field's name.
struct SentSignIn {
    SignIn signIn;
    std::string field;
};
// The reading script's answer, when it names an identifier and a password.
std::optional<SentSignIn> sentSignIn(std::string_view json);

// The finding script's answer: the identifier typed in the page's sign-in form and its
// password field's name; nothing when the page has no such form.
struct SignInForm {
    std::string typed, field;
};
std::optional<SignInForm> signInForm(std::string_view json);

// A page's sign-in from the moment its form goes until the page after it has loaded. The engine
// decides the form's navigation before it lets the form's page be read: either may come first.
class SignInWatch {
public:
    void sent(SentSignIn signIn) { pending_ = std::move(signIn); }
    // A navigation of the page was decided, of that kind, to where a sign-in may be kept from
    // or not.
    void navigating(NavigationKind kind, bool keptFrom);
    void committed();
    void failed() { *this = SignInWatch(); }
    // The page after the form has loaded: the sign-in to offer, unless it is the form again.
    std::optional<SentSignIn> loaded();

private:
    std::optional<SentSignIn> pending_;
    bool going_ = false;    // the form's navigation, to where the sign-in may be kept from
    bool arrived_ = false;  // its page committed
};

// The origin of the page a script runs in, written as uriOrigin writes it (the port always
// there): what a script of ours sent for one page checks before it touches the page now in
// its frame, which may be another by the time the script arrives.
inline constexpr char kPageOriginFunction[] = R"(
const pageOrigin = () => location.protocol + '//' + location.hostname + ':' +
    (location.port || {'http:': '80', 'https:': '443'}[location.protocol]);
)";

// The sign-in form of a page (or of the form within): the first password field, not one for a
// new password, and the identifier field before it in its form.
inline constexpr char kSignInFieldsFunction[] = R"(
const signInFields = (filled, within) => {
  const password = Array.from((within || document).querySelectorAll('input[type=password]'))
      .find(p => !/new-password/i.test(p.getAttribute('autocomplete') || '') && (!filled || p.value));
  if (!password) return null;
  const inputs = Array.from((password.form || document).querySelectorAll('input'));
  const user = inputs.slice(0, inputs.indexOf(password))
      .filter(i => ['text', 'email', 'tel'].includes(i.type)).pop() || null;
  return {user, password};
};
)";

// Given to each page's top frame, in the program's own script world: whether the user has
// pressed a key or a button in the page since it loaded. A sign-in a page fills and sends by
// itself is not the user's to keep.
inline constexpr char kUserActedScript[] = R"(
for (const type of ['keydown', 'pointerdown'])
  addEventListener(type, (event) => { if (event.isTrusted) window.delvaronteUserActed = true; }, true);
)";

// Given signInFields, as a form goes: the sign-in typed in it, as JSON; empty when there is none,
// or when the user has done nothing in the page. The form is the one the user was in (the
// engine does not say which form goes); none when that is a frame, whose forms are not the
// page's.
inline constexpr char kReadSignInFunction[] = R"(
const readSignIn = () => {
  if (!window.delvaronteUserActed) return '';
  const active = document.activeElement;
  if (active && /^I?FRAME$/.test(active.tagName)) return '';
  const found = signInFields(true, active ? active.closest('form') : null);
  return found && found.user && found.user.value ? JSON.stringify({user: found.user.value,
      password: found.password.value, field: found.password.name}) : '';
};
)";

// As a function's body: the page's sign-in form, as JSON with the identifier typed in it and the
// password field's name; empty when it has none.
inline const std::string& findSignInScript() {
    static const std::string script = std::string(kSignInFieldsFunction) + R"(
const found = signInFields(false);
return found ? JSON.stringify({typed: found.user ? found.user.value : '',
    field: found.password.name}) : '';)";
    return script;
}

// As a function's body over user, password and origin: fills the form as the user's typing
// would, unless the page is no longer of that origin, or the user has typed a password, or
// another identifier, meanwhile.
inline const std::string& fillSignInScript() {
    static const std::string script = std::string(kPageOriginFunction) + kSignInFieldsFunction + R"(
if (pageOrigin() !== origin) return false;
const found = signInFields(false);
if (!found || found.password.value || (found.user && found.user.value &&
    found.user.value !== user)) return false;
const fill = (field, value) => {
  field.value = value;
  field.dispatchEvent(new Event('input', {bubbles: true}));
  field.dispatchEvent(new Event('change', {bubbles: true}));
};
if (found.user) fill(found.user, user);
fill(found.password, password);
return true;)";
    return script;
}

}  // namespace delvaronte

// A form sent from a page, from the moment it goes until the page after it: what was typed is
// kept as it goes; when the send fails, the form's page comes back (never a GET of the form's
// address, which the server would take for something else) and is filled in again.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "shell/rules/FormFields.h"

namespace delvaronte {

class SentForm {
public:
    // A navigation of the page was decided: whether it sends a form.
    void navigating(bool sendsForm) { sending_ = sendsForm; }
    bool sending() const { return sending_; }
    // What was typed in the page at page as its form went (fields as the reading script gives
    // them); nothing is kept of more than an entry form holds.
    void kept(std::string page, std::string fields);
    // The load failed (not by itself retried): the form failed with it, if one went.
    void loadFailed() { failed_ = sending_ && !page_.empty(); }
    bool failed() const { return failed_; }
    // "Reessayer", "Actualiser" or "Retour" on the failed form's error page: the form's page,
    // to load in place of what was asked. Nothing when no form failed.
    std::optional<std::string> bringBack();
    // A page of its own has committed: the form stays only when it is on its way back.
    void committed();
    // A page has finished loading at `at`: the fields to fill in again when it is the form's
    // page that came back. Either way the form is done with.
    std::optional<std::string> loaded(std::string_view at);

private:
    std::string page_, fields_;
    bool sending_ = false;
    bool failed_ = false;
    bool refill_ = false;
};

}  // namespace delvaronte

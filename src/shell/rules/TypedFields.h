// What the user has typed in a page, kept in the program as it is typed, so that it comes back
// when the page's web process ends (the memory ceiling, "Arreter la page", a crash, a pop-up
// that took the process down): once the page is loaded again, its fields are filled in as they
// were. Dropped when the user leaves the page.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace delvaronte {

class TypedFields {
public:
    // The page at `page` holds these fields now (as the reading script gives them); nothing is
    // kept of more than an entry form holds, nor of an empty form.
    void typed(std::string page, std::string fields);
    // The page's web process ended: what was typed waits for the page to come back.
    void processEnded() { waiting_ = !page_.empty(); }
    // Something typed waits for its page.
    bool waiting() const { return waiting_; }
    // What is kept, as the reading script gave it.
    const std::string& fields() const { return fields_; }
    // A page of its own has committed at `at`: what was typed stays only when it is that page
    // coming back after its process ended.
    void committed(std::string_view at);
    // A page has finished loading at `at`: the fields to fill in when it is the page that was
    // waited for. They are then given back, and no longer kept.
    std::optional<std::string> loaded(std::string_view at);

private:
    std::string page_, fields_;
    bool waiting_ = false;
};

}  // namespace delvaronte

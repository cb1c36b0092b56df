// The bar over a page that offers to keep the sign-in just sent: "Enregistrer" (or "Mettre a
// jour"), "Jamais pour ce site", "Pas maintenant". Not a dialog: the page stays usable under it.
#pragma once

#include <gtk/gtk.h>

#include <functional>
#include <string>

namespace delvaronte {

class SignInBar {
public:
    enum class Answer { Keep, Never, NotNow };

    SignInBar();
    ~SignInBar();
    SignInBar(const SignInBar&) = delete;
    SignInBar& operator=(const SignInBar&) = delete;

    GtkWidget* widget() const { return bar_; }
    // Shows the offer for user's sign-in, a new one or an update; answered is called once,
    // unless another offer or hide() comes first.
    void offer(const std::string& user, bool update, std::function<void(Answer)> answered);
    void hide();

private:
    static void responseCb(GtkInfoBar*, int response, SignInBar* self);

    GtkWidget* bar_;
    GtkWidget* message_;
    GtkWidget* keep_;
    GtkWidget* never_;
    std::function<void(Answer)> answered_;
};

}  // namespace delvaronte

#include "shell/SignInBar.h"

#include "base/GObjectPtr.h"
#include "ui/ScreenReaderNames.h"

namespace delvaronte {

SignInBar::SignInBar() : bar_(gtk_info_bar_new()), message_(gtk_label_new("")) {
    g_object_ref_sink(bar_);
    gtk_info_bar_set_message_type(GTK_INFO_BAR(bar_), GTK_MESSAGE_QUESTION);
    nameForScreenReader(bar_, "Mot de passe");
    gtk_label_set_wrap(GTK_LABEL(message_), TRUE);
    gtk_label_set_xalign(GTK_LABEL(message_), 0);
    gtk_widget_set_hexpand(message_, TRUE);
    gtk_info_bar_add_child(GTK_INFO_BAR(bar_), message_);
    keep_ = gtk_info_bar_add_button(GTK_INFO_BAR(bar_), "Enregistrer", int(Answer::Keep));
    never_ = gtk_info_bar_add_button(GTK_INFO_BAR(bar_), "Jamais pour ce site", int(Answer::Never));
    gtk_info_bar_add_button(GTK_INFO_BAR(bar_), "Pas maintenant", int(Answer::NotNow));
    gtk_widget_set_visible(bar_, FALSE);
    connectSignal(bar_, "response", &SignInBar::responseCb, this);
}

SignInBar::~SignInBar() {
    g_signal_handlers_disconnect_by_data(bar_, this);
    g_object_unref(bar_);
}

void SignInBar::offer(const std::string& user, bool update, std::function<void(Answer)> answered) {
    answered_ = std::move(answered);
    const std::string message =
        update ? "Mettre a jour le mot de passe enregistre pour \"" + user + "\" ?"
               : "Enregistrer le mot de passe de \"" + user + "\" dans le trousseau ?";
    gtk_label_set_text(GTK_LABEL(message_), message.c_str());
    gtk_button_set_label(GTK_BUTTON(keep_), update ? "Mettre a jour" : "Enregistrer");
    gtk_widget_set_visible(never_, !update);
    gtk_info_bar_set_default_response(GTK_INFO_BAR(bar_), int(Answer::Keep));
    gtk_widget_set_visible(bar_, TRUE);
}

void SignInBar::hide() {
    answered_ = nullptr;
    gtk_widget_set_visible(bar_, FALSE);
}

void SignInBar::responseCb(GtkInfoBar*, int response, SignInBar* self) {
    const auto answered = std::exchange(self->answered_, nullptr);
    gtk_widget_set_visible(self->bar_, FALSE);
    if (answered && response >= int(Answer::Keep) && response <= int(Answer::NotNow)) {
        answered(Answer(response));
    }
}

}  // namespace delvaronte

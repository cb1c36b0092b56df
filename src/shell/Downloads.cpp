#include "shell/Downloads.h"

#include <glib/gstdio.h>

#include <filesystem>
#include <string>
#include <utility>

#include "base/GObjectPtr.h"
#include "shell/Page.h"
#include "shell/WebViews.h"
#include "shell/rules/DownloadNames.h"
#include "ui/ModalAlert.h"
#include "ui/ScreenReaderNames.h"
#include "ui/StandardAlerts.h"
#include "ui/SystemOpener.h"

namespace delvaronte {

namespace {

GtkWindow* parentWindow() {
    GApplication* application = g_application_get_default();
    return application != nullptr && GTK_IS_APPLICATION(application)
               ? gtk_application_get_active_window(GTK_APPLICATION(application))
               : nullptr;
}

// One download from the save dialog to its outcome. It owns itself and ends with the
// download's last signal; the windows it opens never outlive it, and it never outlives them
// unnoticed: each is let go with its handlers disconnected.
class Transfer {
public:
    Transfer(WebKitDownload* download, Downloads::Opener open, const Downloads::Place& place)
        : open_(std::move(open)),
          folder_(place.folder()),
          ask_(place.ask()),
          download_(GRef<WebKitDownload>::retain(download)) {
        connectSignal(download, "decide-destination", &Transfer::decideDestinationCb, this);
        connectSignal(download, "notify::estimated-progress", &Transfer::progressCb, this);
        connectSignal(download, "failed", &Transfer::failedCb, this);
        connectSignal(download, "finished", &Transfer::finishedCb, this);
    }

    ~Transfer() {
        g_signal_handlers_disconnect_by_data(download_.get(), this);
        closeWindows();
    }
    Transfer(const Transfer&) = delete;
    Transfer& operator=(const Transfer&) = delete;

private:
    static gboolean decideDestinationCb(WebKitDownload*, const char* suggested, Transfer* self) {
        const std::string name = safeFileName(suggested != nullptr ? suggested : "");
        if (self->ask_) {
            self->askWhere(name);
            return TRUE;  // the destination is set once the save dialog is answered
        }
        const std::filesystem::path folder(self->folder_);
        self->saveTo((folder / freeName(name, [&folder](const std::string& each) {
                          return g_file_test((folder / each).c_str(), G_FILE_TEST_EXISTS);
                      })).string());
        return TRUE;
    }

    void askWhere(const std::string& name) {
        GtkWidget* chooser = gtk_file_chooser_dialog_new(
            "Enregistrer le fichier", parentWindow(), GTK_FILE_CHOOSER_ACTION_SAVE, "Annuler",
            GTK_RESPONSE_CANCEL, "Enregistrer", GTK_RESPONSE_ACCEPT, nullptr);
        chooser_ = GTK_WINDOW(chooser);
        gtk_widget_set_name(chooser, "delvaronte-save");
        gtk_window_set_modal(chooser_, TRUE);
        gtk_dialog_set_default_response(GTK_DIALOG(chooser), GTK_RESPONSE_ACCEPT);
        connectSignal(chooser, "response", &Transfer::saveResponseCb, this);
        // Given once, before the dialog is shown. When it is mapped with no folder on its way,
        // GTK 4.8's chooser starts in the working folder; and a second folder given while one
        // is still being looked up makes it climb to that one's parent instead.
        offerPlace(chooser, name);
        gtk_window_present(chooser_);
    }

    // The Downloads folder and the suggested name, as one file: in save mode the chooser
    // shows its folder and puts its name in the name field.
    void offerPlace(GtkWidget* chooser, const std::string& name) const {
        const auto file =
            GRef<GFile>::adopt(g_file_new_build_filename(folder_.c_str(), name.c_str(), nullptr));
        gtk_file_chooser_set_file(GTK_FILE_CHOOSER(chooser), file.get(), nullptr);
        gtk_file_chooser_set_current_name(GTK_FILE_CHOOSER(chooser), name.c_str());
    }

    static void saveResponseCb(GtkDialog* chooser, int response, Transfer* self) {
        const auto file = GRef<GFile>::adopt(
            response == GTK_RESPONSE_ACCEPT ? gtk_file_chooser_get_file(GTK_FILE_CHOOSER(chooser))
                                            : nullptr);
        self->closeWindow(self->chooser_);
        if (!file) {
            self->cancelled_ = true;
            webkit_download_cancel(self->download_.get());
            return;
        }
        // Only a file of this machine is written to; a place the chooser reaches only through
        // a network protocol has no path, and nothing is written beside nothing.
        const GText path(g_file_get_path(file.get()));
        self->saveTo(path ? path.get() : "");
    }

    // The dialog asked before an existing file was chosen, or the name is a free one; the
    // partial file is ours.
    void saveTo(const std::string& chosen) {
        chosen_ = chosen;
        partial_ = chosen_.empty() ? "" : createPartialFile(chosen_);
        if (partial_.empty()) {
            failed_ = true;
            webkit_download_cancel(download_.get());
            return;
        }
        webkit_download_set_allow_overwrite(download_.get(), TRUE);
        webkit_download_set_destination(download_.get(), partial_.c_str());
        showProgress();
    }

    void showProgress() {
        progressWindow_ = GTK_WINDOW(gtk_window_new());
        gtk_widget_set_name(GTK_WIDGET(progressWindow_), "delvaronte-download");
        const std::string name = std::filesystem::path(chosen_).filename().string();
        gtk_window_set_title(progressWindow_, ("Telechargement de " + name).c_str());
        gtk_window_set_transient_for(progressWindow_, parentWindow());
        gtk_window_set_default_size(progressWindow_, 360, -1);
        GtkWidget* box = gtk_box_new(GTK_ORIENTATION_VERTICAL, 8);
        gtk_widget_set_margin_top(box, 14);
        gtk_widget_set_margin_bottom(box, 14);
        gtk_widget_set_margin_start(box, 16);
        gtk_widget_set_margin_end(box, 16);
        GtkWidget* label = gtk_label_new(name.c_str());
        gtk_label_set_xalign(GTK_LABEL(label), 0.0F);
        gtk_label_set_ellipsize(GTK_LABEL(label), PANGO_ELLIPSIZE_MIDDLE);
        progressBar_ = GTK_PROGRESS_BAR(gtk_progress_bar_new());
        gtk_progress_bar_set_show_text(progressBar_, TRUE);
        nameForScreenReader(GTK_WIDGET(progressBar_), ("Progression de " + name).c_str());
        GtkWidget* cancel = gtk_button_new_with_label("Annuler");
        gtk_widget_set_halign(cancel, GTK_ALIGN_END);
        gtk_widget_set_margin_top(cancel, 4);
        connectSignal(cancel, "clicked", &Transfer::cancelClickedCb, this);
        gtk_box_append(GTK_BOX(box), label);
        gtk_box_append(GTK_BOX(box), GTK_WIDGET(progressBar_));
        gtk_box_append(GTK_BOX(box), cancel);
        gtk_window_set_child(progressWindow_, box);
        // Closed by its button or the window manager, it cancels the download; the window
        // itself goes when the download has ended.
        connectSignal(progressWindow_, "close-request", &Transfer::progressCloseRequestCb, this);
        // From the keyboard: Annuler has it at once, Echap closes the window as its button does.
        GtkEventController* keys = gtk_shortcut_controller_new();
        gtk_shortcut_controller_add_shortcut(
            GTK_SHORTCUT_CONTROLLER(keys),
            gtk_shortcut_new(gtk_keyval_trigger_new(GDK_KEY_Escape, GdkModifierType(0)),
                             gtk_named_action_new("window.close")));
        gtk_widget_add_controller(GTK_WIDGET(progressWindow_), keys);
        gtk_window_set_focus(progressWindow_, cancel);
        gtk_window_present(progressWindow_);
    }

    void cancelByUser() {
        if (cancelled_) return;
        cancelled_ = true;
        webkit_download_cancel(download_.get());
    }

    static void cancelClickedCb(GtkButton*, Transfer* self) { self->cancelByUser(); }

    static gboolean progressCloseRequestCb(GtkWindow*, Transfer* self) {
        self->cancelByUser();
        return TRUE;
    }

    static void progressCb(WebKitDownload* download, GParamSpec*, Transfer* self) {
        if (self->progressBar_ != nullptr) {
            gtk_progress_bar_set_fraction(self->progressBar_,
                                          webkit_download_get_estimated_progress(download));
        }
    }

    static void failedCb(WebKitDownload*, GError*, Transfer* self) { self->failed_ = true; }

    // "finished" also follows a failure or a cancel: that is where the outcome is told.
    static void finishedCb(WebKitDownload*, Transfer* self) {
        const bool complete = !self->failed_ && !self->cancelled_ && !self->partial_.empty();
        self->succeeded_ = complete && g_rename(self->partial_.c_str(), self->chosen_.c_str()) == 0;
        // Nothing partial is left behind, and the chosen name was never touched.
        if (!self->succeeded_ && !self->partial_.empty()) g_remove(self->partial_.c_str());
        // A save dialog still open belongs to a download that is over.
        self->closeWindows();
        self->closeDownloadOnlyWindow();
        g_signal_handlers_disconnect_by_data(self->download_.get(), self);
        // Told from an idle callback: the alerts run their own loop, WebKit is done first.
        g_idle_add(
            +[](gpointer data) -> gboolean {
                auto* transfer = static_cast<Transfer*>(data);
                transfer->tell();
                delete transfer;
                return G_SOURCE_REMOVE;
            },
            self);
    }

    void closeWindow(GtkWindow*& window) {
        if (window == nullptr) return;
        g_signal_handlers_disconnect_by_data(window, this);
        gtk_window_destroy(std::exchange(window, nullptr));
    }

    void closeWindows() {
        closeWindow(chooser_);
        closeWindow(progressWindow_);
        progressBar_ = nullptr;
    }

    // The hidden pop-up a page opened only for this download.
    void closeDownloadOnlyWindow() {
        WebKitWebView* view = webkit_download_get_web_view(download_.get());
        const Page* page = view != nullptr ? Page::of(view) : nullptr;
        if (page != nullptr && page->downloadOnly()) gtk_window_destroy(page->window());
    }

    // The user hears of what they did not do themselves.
    void tell() {
        if (cancelled_) return;
        if (!succeeded_) {
            runErrorAlert("Le telechargement a echoue.");
            return;
        }
        ModalAlert notice;
        notice.setMessageText("Telechargement termine");
        notice.setInformativeText(chosen_);
        notice.setStyle(AlertStyle::Informational);
        notice.addButton("Ouvrir");
        notice.addButton("Ouvrir le dossier");
        notice.addButton("Fermer");
        const int answer = notice.runModal();
        if (answer == kAlertFirstButton) open_(fileUri(chosen_));
        if (answer == kAlertSecondButton) {
            open_(fileUri(std::filesystem::path(chosen_).parent_path().string()));
        }
    }

    const Downloads::Opener open_;
    const std::string folder_;  // as the settings were when it started
    const bool ask_;
    GRef<WebKitDownload> download_;
    std::string chosen_;
    std::string partial_;
    GtkWindow* chooser_ = nullptr;
    GtkWindow* progressWindow_ = nullptr;
    GtkProgressBar* progressBar_ = nullptr;
    bool failed_ = false;
    bool cancelled_ = false;
    bool succeeded_ = false;
};

}  // namespace

Downloads::Downloads(WebKitNetworkSession* session, const Opener& open, Place place)
    : session_(session), open_(open), place_(std::move(place)) {
    connectSignal(session_, "download-started", &Downloads::downloadStartedCb, this);
}

Downloads::~Downloads() {
    g_signal_handlers_disconnect_by_data(session_, this);
}

void Downloads::downloadStartedCb(WebKitNetworkSession*, WebKitDownload* download,
                                  Downloads* self) {
    new Transfer(download, self->open_, self->place_);
}

}  // namespace delvaronte

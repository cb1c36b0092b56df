#include "shell/Downloads.h"

#include <glib/gstdio.h>

#include <filesystem>
#include <optional>
#include <string>
#include <utility>

#include "base/GObjectPtr.h"
#include "shell/WebViews.h"
#include "shell/rules/DownloadNames.h"
#include "ui/FileChooser.h"
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
    Transfer(WebKitDownload* download, Downloads::Opener open, const Downloads::Place& place,
             Downloads::Ended ended)
        : open_(std::move(open)),
          ended_(std::move(ended)),
          folder_(place.folder()),
          ask_(place.ask()),
          refused_(place.refused()),
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
        if (self->refuse(name)) return TRUE;
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
        const FileChoice choice{.title = "Enregistrer le fichier",
                                .accept = "Enregistrer",
                                .name = "delvaronte-save",
                                .save = true,
                                .folder = folder_,
                                .file = name};
        chooser_ = askForFiles(choice, parentWindow(), [this](std::vector<std::string> chosen) {
            chooser_ = nullptr;  // gone with its answer
            if (chosen.empty()) {
                cancelled_ = true;
                webkit_download_cancel(download_.get());
                return;
            }
            // Only a file of this machine is written to; a place the chooser reaches only
            // through a network protocol has no path, and nothing is written beside nothing.
            // A name the user gave keeps to the office's refusals as the server's does.
            if (!refuse(std::filesystem::path(chosen.front()).filename().string())) {
                saveTo(chosen.front());
            }
        });
    }

    // Whether the office refuses files of name's kind: the download then ends before anything
    // is written, and the user is told why.
    bool refuse(const std::string& name) {
        const std::optional<std::string> extension = refusedExtension(name, refused_);
        if (!extension) return false;
        refusal_ = refusedDownloadText(name, *extension);
        webkit_download_cancel(download_.get());
        return true;
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
        if (WebKitWebView* view = webkit_download_get_web_view(self->download_.get())) {
            if (self->ended_) self->ended_(view);
        }
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

    // The user hears of what they did not do themselves.
    void tell() {
        if (!refusal_.empty()) {
            runErrorAlert(refusal_);
            return;
        }
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
    const Downloads::Ended ended_;
    const std::string folder_;  // as the settings were when it started
    const bool ask_;
    const std::vector<std::string> refused_;
    GRef<WebKitDownload> download_;
    std::string refusal_;  // what the user is told of a file the office refuses
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
    new Transfer(download, self->open_, self->place_, self->ended_);
}

}  // namespace delvaronte

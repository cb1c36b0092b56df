// Saving what pages download and printing them, through the toolkit's own dialogs.
#include <gtest/gtest.h>

#include <filesystem>

#include "../unit/TempDir.h"
#include "AlertDriver.h"
#include "LocalServer.h"
#include "RunningApp.h"
#include "shell/Printing.h"
#include "ui/GObjectPtr.h"
#include "ui/SystemOpener.h"

using namespace delvaronte;
using namespace delvaronte::testing;

namespace {

const std::string kReport = "Compte;Debit;Credit\n411000;18600,00;0,00\n512000;0,00;18600,00\n";
const std::string kSlowFirstPart(4096, 'x');
const std::string kSlowRest = "fin du grand livre\n";

GtkWindow* findWindowNamed(const char* name) {
    GListModel* toplevels = gtk_window_get_toplevels();
    for (guint i = 0; i < g_list_model_get_n_items(toplevels); ++i) {
        auto* window = GTK_WINDOW(g_list_model_get_item(toplevels, i));
        g_object_unref(window);
        if (g_strcmp0(gtk_widget_get_name(GTK_WIDGET(window)), name) == 0 &&
            gtk_widget_get_visible(GTK_WIDGET(window))) {
            return window;
        }
    }
    return nullptr;
}

std::string currentFolder(GtkWindow* chooser) {
    GFile* folder = gtk_file_chooser_get_current_folder(GTK_FILE_CHOOSER(chooser));
    char* path = folder != nullptr ? g_file_get_path(folder) : nullptr;
    std::string result = path != nullptr ? path : "";
    g_free(path);
    if (folder != nullptr) g_object_unref(folder);
    return result;
}

std::string downloadFolder() {
    const char* folder = g_get_user_special_dir(G_USER_DIRECTORY_DOWNLOAD);
    return folder != nullptr ? folder : g_get_home_dir();
}

class DownloadsAndPrinting : public AppOnDemoSite {
protected:
    void SetUp() override {
        setSystemOpenerForTesting([this](const std::string& uri) { opened_.push_back(uri); });
        server_.route("/rapport.csv", [](SoupServerMessage* message) {
            soup_message_headers_append(soup_server_message_get_response_headers(message),
                                        "Content-Disposition",
                                        "attachment; filename=\"../../rapport.csv\"");
            soup_server_message_set_status(message, 200, nullptr);
            soup_server_message_set_response(message, "text/csv", SOUP_MEMORY_COPY, kReport.data(),
                                             kReport.size());
        });
        AppOnDemoSite::SetUp();
    }
    void TearDown() override {
        setSystemOpenerForTesting(nullptr);
        setPrintRunnerForTesting(nullptr);
    }

    // Waits for the save dialog, checks what it offers and answers it with path (or cancels).
    void answerSaveDialog(const std::string& offeredName, const std::string& path) {
        GtkWindow* chooser = nullptr;
        ASSERT_TRUE(waitUntil([&] { return (chooser = findWindowNamed("delvaronte-save")); }));
        char* name = gtk_file_chooser_get_current_name(GTK_FILE_CHOOSER(chooser));
        EXPECT_STREQ(name, offeredName.c_str());
        g_free(name);
        if (path.empty()) {
            gtk_widget_activate(
                gtk_dialog_get_widget_for_response(GTK_DIALOG(chooser), GTK_RESPONSE_CANCEL));
            return;
        }
        // Typed as a whole path in the name field, as a person may.
        gtk_file_chooser_set_current_name(GTK_FILE_CHOOSER(chooser), path.c_str());
        // As a person does: the dialog's own "Enregistrer" button.
        gtk_widget_activate(
            gtk_dialog_get_widget_for_response(GTK_DIALOG(chooser), GTK_RESPONSE_ACCEPT));
        EXPECT_TRUE(waitUntil([] { return findWindowNamed("delvaronte-save") == nullptr; }));
    }

    // A file the server sends in part, then holds: each download of it runs until the test
    // finishes it or cuts its connection.
    void serveSlowly(const std::string& path) {
        server_.route(path, [this](SoupServerMessage* message) {
            SoupMessageHeaders* headers = soup_server_message_get_response_headers(message);
            // Its whole length is announced, so that a cut connection is a failure.
            soup_message_headers_set_content_length(headers,
                                                    kSlowFirstPart.size() + kSlowRest.size());
            soup_message_headers_append(headers, "Content-Disposition", "attachment");
            soup_message_headers_set_content_type(headers, "application/pdf", nullptr);
            soup_server_message_set_status(message, 200, nullptr);
            soup_message_body_append(soup_server_message_get_response_body(message),
                                     SOUP_MEMORY_COPY, kSlowFirstPart.data(),
                                     kSlowFirstPart.size());
            slow_.push_back(GRef<SoupServerMessage>::retain(message));
        });
    }
    // Asks for the slow file, saves it as target and waits until its progress shows.
    GtkWindow* startSlowDownload(const std::string& offeredName, const std::string& target) {
        const size_t before = slow_.size();
        app_.evaluate("location.href = '/" + offeredName + "'; 1");
        answerSaveDialog(offeredName, target);
        GtkWindow* progress = nullptr;
        EXPECT_TRUE(waitUntil([&] {
            return slow_.size() > before && (progress = findWindowNamed("delvaronte-download"));
        }));
        return progress;
    }
    void cutSlowDownload(size_t index) {
        g_socket_close(soup_server_message_get_socket(slow_.at(index).get()), nullptr);
    }
    void cutSlowDownloads() {
        for (size_t i = 0; i < slow_.size(); ++i) cutSlowDownload(i);
    }
    void finishSlowDownload(size_t index) {
        SoupServerMessage* message = slow_.at(index).get();
        SoupMessageBody* body = soup_server_message_get_response_body(message);
        soup_message_body_append(body, SOUP_MEMORY_COPY, kSlowRest.data(), kSlowRest.size());
        soup_message_body_complete(body);
        soup_server_message_unpause(message);
    }

    TempDir folder_;
    std::vector<std::string> opened_;
    std::vector<GRef<SoupServerMessage>> slow_;
};

}  // namespace

TEST_F(DownloadsAndPrinting, AnAttachmentIsSavedWhereTheUserChose) {
    const std::string target = folder_.file("rapport-decembre.csv");
    AlertDriver driver;
    driver.then([&](ShownAlert& shown) {
        EXPECT_EQ(shown.title(), "Telechargement termine");
        EXPECT_EQ(shown.informative(), target);
        EXPECT_EQ(shown.buttonLabels(),
                  (std::vector<std::string>{"Fermer", "Ouvrir le dossier", "Ouvrir"}));
        shown.press("Ouvrir le dossier");
    });
    app_.evaluate("location.href = '/rapport.csv'; 1");
    answerSaveDialog("rapport.csv", target);  // the server's "../../" is not followed
    ASSERT_TRUE(waitUntil([&] { return driver.pending() == 0; }));
    EXPECT_EQ(readFile(target), kReport);
    EXPECT_EQ(opened_, std::vector<std::string>{"file://" + folder_.path().string()});
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder_.path()),
                            std::filesystem::directory_iterator()),
              1)
        << "no partial file is left";
    EXPECT_STREQ(webkit_web_view_get_uri(app_.view()), server_.url("/").c_str());
}

TEST_F(DownloadsAndPrinting, TheSaveDialogStartsInTheDownloadsFolder) {
    app_.evaluate("location.href = '/rapport.csv'; 1");
    GtkWindow* chooser = nullptr;
    ASSERT_TRUE(waitUntil([&] { return (chooser = findWindowNamed("delvaronte-save")); }));
    EXPECT_TRUE(waitUntil([&] { return currentFolder(chooser) == downloadFolder(); }))
        << currentFolder(chooser);
    gtk_widget_activate(
        gtk_dialog_get_widget_for_response(GTK_DIALOG(chooser), GTK_RESPONSE_CANCEL));
}

TEST_F(DownloadsAndPrinting, AScriptExportIsSavedAndCancellingSavesNothing) {
    const std::string target = folder_.file("export.txt");
    const std::string script =
        "var a = document.createElement('a');"
        "a.href = URL.createObjectURL(new Blob(['Grand livre\\n2026'], {type: 'text/plain'}));"
        "a.download = 'export.txt'; document.body.appendChild(a); a.click(); 1";
    {
        AlertDriver driver;  // no notice after a cancel
        app_.evaluate(script);
        answerSaveDialog("export.txt", "");
        EXPECT_TRUE(waitUntil([&] { return findWindowNamed("delvaronte-save") == nullptr; }));
    }
    EXPECT_FALSE(std::filesystem::exists(target));

    AlertDriver driver;
    driver.press("Ouvrir");
    app_.evaluate(script);
    answerSaveDialog("export.txt", target);
    ASSERT_TRUE(waitUntil([&] { return driver.pending() == 0; }));
    EXPECT_EQ(readFile(target), "Grand livre\n2026");
    EXPECT_EQ(opened_, std::vector<std::string>{"file://" + target});
}

TEST_F(DownloadsAndPrinting, AConnectionDroppedMidwayIsAFailureAndLeavesNoFile) {
    serveSlowly("/grand-livre.pdf");
    const std::string target = folder_.file("grand-livre.pdf");
    AlertDriver driver;
    driver.then([](ShownAlert& shown) {
        EXPECT_EQ(shown.title(), "Erreur");
        EXPECT_EQ(shown.informative(), "Le telechargement a echoue.");
        shown.press("OK");
    });
    startSlowDownload("grand-livre.pdf", target);
    cutSlowDownloads();
    ASSERT_TRUE(waitUntil([&] { return driver.pending() == 0; }));
    EXPECT_FALSE(std::filesystem::exists(target));
    EXPECT_TRUE(std::filesystem::is_empty(folder_.path())) << "no partial file either";

    // Cut while the user is still choosing where to save: the engine tells of it once the
    // place is chosen, and nothing is left there either.
    driver.press("OK");
    app_.evaluate("location.href = '/grand-livre.pdf'; 1");
    ASSERT_TRUE(waitUntil([&] { return findWindowNamed("delvaronte-save") != nullptr; }));
    ASSERT_TRUE(waitUntil([&] { return slow_.size() == 2; }));
    cutSlowDownload(1);
    answerSaveDialog("grand-livre.pdf", target);
    EXPECT_TRUE(waitUntil([&] { return driver.pending() == 0; }));
    EXPECT_TRUE(std::filesystem::is_empty(folder_.path()));
}

TEST_F(DownloadsAndPrinting, ClosingTheProgressWindowCancelsTheDownloadQuietly) {
    // GTK says so when it is called on a widget that is gone.
    static int criticals = 0;
    const guint handler = g_log_set_handler(
        "Gtk", G_LOG_LEVEL_CRITICAL,
        +[](const char*, GLogLevelFlags, const char* message, gpointer) {
            ++criticals;
            ADD_FAILURE() << message;
        },
        nullptr);
    serveSlowly("/grand-livre.pdf");
    AlertDriver driver;  // no alert: the user chose to stop it
    for (const bool withButton : {false, true}) {
        GtkWindow* progress = startSlowDownload("grand-livre.pdf", folder_.file("grand-livre.pdf"));
        ASSERT_NE(progress, nullptr);
        saveShot(progress, "download-progress");
        if (withButton) {
            GtkWidget* cancel = gtk_widget_get_last_child(gtk_window_get_child(progress));
            ASSERT_STREQ(gtk_button_get_label(GTK_BUTTON(cancel)), "Annuler");
            g_signal_emit_by_name(cancel, "clicked");
        } else {
            gtk_window_close(progress);  // its close button, or Alt+F4
        }
        EXPECT_TRUE(waitUntil([] { return findWindowNamed("delvaronte-download") == nullptr; }));
        // Whatever the server does next reaches nothing of the cancelled download.
        cutSlowDownloads();
        EXPECT_EQ(app_.evaluate("6 * 7"), "42") << "the program still answers";
        EXPECT_TRUE(std::filesystem::is_empty(folder_.path()));
    }
    g_log_remove_handler("Gtk", handler);
    EXPECT_EQ(criticals, 0);
}

TEST_F(DownloadsAndPrinting, TwoDownloadsSavedUnderOneNameDoNotShareTheirPartialFile) {
    serveSlowly("/grand-livre.pdf");
    const std::string target = folder_.file("export.pdf");
    AlertDriver driver;
    driver
        .then([](ShownAlert& shown) {
            EXPECT_EQ(shown.informative(), "Le telechargement a echoue.");
            shown.press("OK");
        })
        .then([&](ShownAlert& shown) {
            EXPECT_EQ(shown.title(), "Telechargement termine");
            shown.press("Fermer");
        });
    startSlowDownload("grand-livre.pdf", target);
    startSlowDownload("grand-livre.pdf", target);
    ASSERT_EQ(slow_.size(), 2u);
    cutSlowDownload(0);
    ASSERT_TRUE(waitUntil([&] { return driver.pending() == 1; }));
    finishSlowDownload(1);
    ASSERT_TRUE(waitUntil([&] { return driver.pending() == 0; }));
    EXPECT_EQ(readFile(target), kSlowFirstPart + kSlowRest) << "the second one is whole";
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder_.path()),
                            std::filesystem::directory_iterator()),
              1);
}

TEST_F(DownloadsAndPrinting, APopupThatOnlyDownloadsLeavesNoWindow) {
    const std::string target = folder_.file("rapport.csv");
    AlertDriver driver;
    driver.press("Fermer");
    app_.evaluate("window.open('/rapport.csv'); 1");
    answerSaveDialog("rapport.csv", target);
    ASSERT_TRUE(waitUntil([&] { return driver.pending() == 0; }));
    EXPECT_EQ(readFile(target), kReport);
    EXPECT_TRUE(waitUntil([&] { return app_.delegate().childWindows().empty(); }));
}

TEST_F(DownloadsAndPrinting, PrintReachesThePrintDialogFromThePageTheMenuAndTheKey) {
    std::vector<GtkWindow*> printed;
    setPrintRunnerForTesting([&](WebKitPrintOperation* operation, GtkWindow* parent) {
        EXPECT_TRUE(WEBKIT_IS_PRINT_OPERATION(operation));
        printed.push_back(parent);
    });
    app_.evaluate("window.print(); 1");
    ASSERT_TRUE(waitUntil([&] { return printed.size() == 1; }));
    app_.activateAction("print");
    ASSERT_EQ(printed.size(), 2u);
    ASSERT_TRUE(waitUntil([&] { return gtk_window_is_active(app_.delegate().window()); }));
    pressKeys("ctrl+p");
    ASSERT_TRUE(waitUntil([&] { return printed.size() == 3; }));
    for (GtkWindow* parent : printed) EXPECT_EQ(parent, app_.delegate().window());

    // "Imprimer..." closes the Navigation menu, after a separator; nothing else moved.
    GMenuModel* bar = gtk_application_get_menubar(app_.application());
    GMenuModel* navigation = g_menu_model_get_item_link(bar, 1, G_MENU_LINK_SUBMENU);
    ASSERT_EQ(g_menu_model_get_n_items(navigation), 3) << "three sections";
    GMenuModel* last = g_menu_model_get_item_link(navigation, 2, G_MENU_LINK_SECTION);
    char* label = nullptr;
    g_menu_model_get_item_attribute(last, 0, G_MENU_ATTRIBUTE_LABEL, "s", &label);
    EXPECT_STREQ(label, "Imprimer...");
    g_free(label);
    g_object_unref(last);
    g_object_unref(navigation);
    char** keys = gtk_application_get_accels_for_action(app_.application(), "app.reload");
    EXPECT_STREQ(keys[0], "<Control>r");
    g_strfreev(keys);
}

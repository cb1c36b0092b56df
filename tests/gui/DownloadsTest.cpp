// Saving what pages download, and printing them, through the toolkit's own dialogs.
#include "../unit/TempDir.h"
#include "Harness.h"
#include "shell/Printing.h"
#include "ui/GObjectPtr.h"

using namespace delvaronte;
using namespace delvaronte::testing;

namespace {

const std::string kReport = "Compte;Debit;Credit\n411000;18600,00;0,00\n";
const std::string kFirstPart(4096, 'x');

class DownloadsAndPrinting : public AppOnDemoSite {
protected:
    void SetUp() override {
        // The report names a path; the ledger is sent in part, its length announced, then held
        // until the test cuts the connection.
        server_.route("/rapport.csv", [](SoupServerMessage* message) {
            soup_message_headers_append(soup_server_message_get_response_headers(message),
                                        "Content-Disposition",
                                        "attachment; filename=\"../../rapport.csv\"");
            soup_server_message_set_status(message, 200, nullptr);
            soup_server_message_set_response(message, "text/csv", SOUP_MEMORY_COPY, kReport.data(),
                                             kReport.size());
        });
        server_.route("/grand-livre.pdf", [this](SoupServerMessage* message) {
            SoupMessageHeaders* headers = soup_server_message_get_response_headers(message);
            soup_message_headers_set_content_length(headers, kFirstPart.size() + 10);
            soup_message_headers_append(headers, "Content-Disposition", "attachment");
            soup_server_message_set_status(message, 200, nullptr);
            soup_message_body_append(soup_server_message_get_response_body(message),
                                     SOUP_MEMORY_COPY, kFirstPart.data(), kFirstPart.size());
            held_.push_back(GRef<SoupServerMessage>::retain(message));
        });
        AppOnDemoSite::SetUp();
    }
    // Answers the save dialog with path, or cancels it when path is empty.
    void save(const std::string& offered, const std::string& path) {
        GtkWindow* chooser = nullptr;
        ASSERT_TRUE(waitUntil([&] { return (chooser = windowNamed("delvaronte-save")); }));
        g_autofree char* name = gtk_file_chooser_get_current_name(GTK_FILE_CHOOSER(chooser));
        EXPECT_STREQ(name, offered.c_str());
        if (!path.empty())
            gtk_file_chooser_set_current_name(GTK_FILE_CHOOSER(chooser), path.c_str());
        gtk_widget_activate(gtk_dialog_get_widget_for_response(
            GTK_DIALOG(chooser), path.empty() ? GTK_RESPONSE_CANCEL : GTK_RESPONSE_ACCEPT));
        EXPECT_TRUE(waitUntil([] { return windowNamed("delvaronte-save") == nullptr; }));
    }
    void cut() {
        for (const auto& message : held_)
            g_socket_close(soup_server_message_get_socket(message.get()), nullptr);
    }
    size_t filesLeft() const {
        return size_t(std::distance(std::filesystem::directory_iterator(folder_.path()), {}));
    }

    TempDir folder_;
    std::vector<GRef<SoupServerMessage>> held_;
};

}  // namespace

TEST_F(DownloadsAndPrinting, SavedWhereTheUserChoseOpenedOnRequestAndPrinted) {
    app_.evaluate("location.href = '/rapport.csv'; 1");
    GtkWindow* chooser = nullptr;
    ASSERT_TRUE(waitUntil([&] { return (chooser = windowNamed("delvaronte-save")); }));
    const char* downloads = g_get_user_special_dir(G_USER_DIRECTORY_DOWNLOAD);
    EXPECT_TRUE(waitUntil([&] {
        g_autoptr(GFile) folder = gtk_file_chooser_get_current_folder(GTK_FILE_CHOOSER(chooser));
        g_autofree char* path = folder ? g_file_get_path(folder) : nullptr;
        return g_strcmp0(path, downloads ? downloads : g_get_home_dir()) == 0;
    }));
    const std::string target = folder_.file("rapport-decembre.csv");
    AlertDriver driver;
    driver.then([&](ShownAlert& shown) {
        EXPECT_EQ(shown.title() + ": " + shown.informative(), "Telechargement termine: " + target);
        EXPECT_EQ(shown.buttonLabels(),
                  (std::vector<std::string>{"Fermer", "Ouvrir le dossier", "Ouvrir"}));
        shown.press("Ouvrir le dossier");
    });
    save("rapport.csv", target);  // the server's "../../" is not followed
    ASSERT_TRUE(waitUntil([&] { return driver.pending() == 0; }));
    EXPECT_EQ(readFile(target), kReport);
    EXPECT_EQ(filesLeft(), 1u) << "no partial file is left";
    EXPECT_STREQ(webkit_web_view_get_uri(app_.view()), server_.url("/").c_str());

    // A script's export: cancelled, nothing; saved and opened.
    const std::string script =
        "var a = document.createElement('a'); a.download = 'export.txt';"
        "a.href = URL.createObjectURL(new Blob(['Grand livre'])); a.click(); 1";
    app_.evaluate(script);
    save("export.txt", "");
    driver.press("Ouvrir");
    app_.evaluate(script);
    save("export.txt", folder_.file("export.txt"));
    ASSERT_TRUE(waitUntil([&] { return driver.pending() == 0; }));
    EXPECT_EQ(readFile(folder_.file("export.txt")), "Grand livre");
    EXPECT_EQ(opened_, (std::vector<std::string>{"file://" + folder_.path().string(),
                                                 "file://" + folder_.file("export.txt")}));

    // A pop-up that only downloads leaves no window.
    driver.press("Fermer");
    app_.evaluate("window.open('/rapport.csv'); 1");
    save("rapport.csv", folder_.file("copie.csv"));
    ASSERT_TRUE(waitUntil([&] { return driver.pending() == 0; }));
    EXPECT_TRUE(waitUntil([&] { return app_.delegate().childWindows().empty(); }));

    // Printing from the page, the menu and the key, always over the main window.
    std::vector<GtkWindow*> printed;
    setPrintRunnerForTesting(
        [&](WebKitPrintOperation*, GtkWindow* parent) { printed.push_back(parent); });
    app_.evaluate("window.print(); 1");
    ASSERT_TRUE(waitUntil([&] { return printed.size() == 1; }));
    app_.action("print");
    ASSERT_TRUE(app_.focusPage());
    pressKeys("ctrl+p");
    ASSERT_TRUE(waitUntil([&] { return printed.size() == 3; }));
    setPrintRunnerForTesting(nullptr);
    for (GtkWindow* parent : printed) EXPECT_EQ(parent, app_.delegate().window());
}

TEST_F(DownloadsAndPrinting, ACutConnectionFailsAndACancelIsQuiet) {
    static int criticals = 0;  // GTK says so when called on a widget that is gone
    const guint handler = g_log_set_handler(
        "Gtk", G_LOG_LEVEL_CRITICAL,
        +[](const char*, GLogLevelFlags, const char* message, gpointer) {
            ++criticals;
            ADD_FAILURE() << message;
        },
        nullptr);
    const std::string target = folder_.file("grand-livre.pdf");
    AlertDriver driver;
    driver.press("OK").press("OK");
    app_.evaluate("location.href = '/grand-livre.pdf'; 1");
    save("grand-livre.pdf", target);
    ASSERT_TRUE(waitUntil([&] { return held_.size() == 1 && windowNamed("delvaronte-download"); }));
    cut();
    ASSERT_TRUE(waitUntil([&] { return driver.pending() == 1; }));
    EXPECT_EQ(driver.seen()[0].informative, "Le telechargement a echoue.");
    EXPECT_EQ(filesLeft(), 0u) << "neither the file nor a partial one";
    // Cut while the place is being chosen: told once it is chosen, nothing left either.
    app_.evaluate("location.href = '/grand-livre.pdf'; 1");
    ASSERT_TRUE(waitUntil([&] { return held_.size() == 2 && windowNamed("delvaronte-save"); }));
    cut();
    save("grand-livre.pdf", target);
    EXPECT_TRUE(waitUntil([&] { return driver.pending() == 0; }));
    EXPECT_EQ(filesLeft(), 0u);

    // The progress window's "Annuler", or its close button: stopped, no alert, nothing left.
    for (const bool button : {true, false}) {
        app_.evaluate("location.href = '/grand-livre.pdf'; 1");
        save("grand-livre.pdf", target);
        GtkWindow* progress = nullptr;
        ASSERT_TRUE(waitUntil([&] { return (progress = windowNamed("delvaronte-download")); }));
        saveShot(progress, "download-progress");
        GtkWidget* cancel = gtk_widget_get_last_child(gtk_window_get_child(progress));
        ASSERT_STREQ(gtk_button_get_label(GTK_BUTTON(cancel)), "Annuler");
        if (button)
            g_signal_emit_by_name(cancel, "clicked");
        else
            gtk_window_close(progress);
        EXPECT_TRUE(waitUntil([] { return windowNamed("delvaronte-download") == nullptr; }));
        cut();  // whatever the server does next reaches nothing of it
        EXPECT_EQ(app_.evaluate("6 * 7"), "42");
        EXPECT_EQ(filesLeft(), 0u);
    }
    g_log_remove_handler("Gtk", handler);
    EXPECT_EQ(criticals, 0);
}

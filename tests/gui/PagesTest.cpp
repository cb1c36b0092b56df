// What pages do and ask of the program, on pages that behave like real web applications and
// pages that misbehave: links, pop-ups, dialogs, failures, downloads and printing. 127.0.0.1
// is the home host, localhost another one.
#include <signal.h>

#include "Harness.h"
#include "base/GObjectPtr.h"

using namespace delvaronte;
using namespace delvaronte::testing;

namespace {

// Lets the clock pass a limit of the program's: a wait on time, not on luck.
void waitMicroseconds(gint64 span) {
    const gint64 until = g_get_monotonic_time() + span;
    waitPolling([&] { return g_get_monotonic_time() >= until; });
}

const std::string kReport = "Compte;Debit;Credit\n411000;18600,00;0,00\n";
const std::string kFirstPart(4096, 'x');

// The site, with a report whose name holds a path and a ledger sent in part, its length
// announced, then held until the test cuts the connection.
class Pages : public AppOnDemoSite {
protected:
    void SetUp() override {
        server_.route("/rapport.csv", [](SoupServerMessage* message) {
            soup_message_headers_append(soup_server_message_get_response_headers(message),
                                        "Content-Disposition",
                                        "attachment; filename=\"../../rapport.csv\"");
            SiteServer::respond(message, 200, "text/csv", kReport);
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
    // Answers the save dialog, where the name offered is shown, with path.
    void save(const std::string& offered, const std::string& path) {
        GtkWindow* chooser = nullptr;
        ASSERT_TRUE(waitUntil([&] { return (chooser = windowNamed("delvaronte-save")); }));
        g_autofree char* name = gtk_file_chooser_get_current_name(GTK_FILE_CHOOSER(chooser));
        EXPECT_STREQ(name, offered.c_str());
        gtk_file_chooser_set_current_name(GTK_FILE_CHOOSER(chooser), path.c_str());
        gtk_widget_activate(
            gtk_dialog_get_widget_for_response(GTK_DIALOG(chooser), GTK_RESPONSE_ACCEPT));
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

TEST_F(Pages, EveryLinkDoesSomethingAndHandOffsAreTheUsers) {
    const std::string other = server_.url("/q?soc=Soci%E9t%E9", "localhost");
    server_.serve("/q", 200, "text/html", "<html><body><h1>Recherche</h1></body></html>");
    server_.route("/vers-connexion", [&](SoupServerMessage* message) {
        soup_server_message_set_redirect(message, 302,
                                         server_.url("/connexion.html", "localhost").c_str());
    });
    ASSERT_TRUE(visit("/liens.html"));
    ASSERT_TRUE(app_.typeInto("note", "Brouillon"));

    // Mail and phone from a script, a form and window.open; another host, however escaped;
    // fifty clicks of a script from one of the user's: each goes out once, the page stays.
    const std::pair<const char*, std::string> handOffs[] = {
        {"mail", "mailto:compta@exemple.ma?subject=Relev%E9"},
        {"envoyer", "mailto:compta@exemple.ma?body="},
        {"tel", "tel:+212522000000"},
        {"ailleurs", other},
        {"rafale", other}};
    for (const auto& [id, uri] : handOffs) {
        const size_t before = opened_.size();
        waitMicroseconds(1'100'000);  // hand-offs of a view come at most once a second
        app_.pressOn(id);
        ASSERT_TRUE(waitUntil([&] { return opened_.size() > before; })) << id;
        EXPECT_EQ(opened_.back(), uri);
    }
    EXPECT_TRUE(app_.delegate().childWindows().empty()) << "no empty window for tel:";
    EXPECT_EQ(app_.evaluate("note.value"), "Brouillon");
    waitMicroseconds(1'100'000);
    app_.pressOn("fichier");  // a file: link goes nowhere
    // A page that clicks by itself, nobody at the keyboard: nothing. (A script the test runs
    // counts as the user's: the page's own script does it.)
    ASSERT_TRUE(visit("/rafale.html"));

    // Escapes the engine loads stay in the window; a sign-in redirect elsewhere is followed;
    // a form posted to another host stays.
    for (const char* path : {"/q?soc=Soci%E9t%E9", "/q?taux=20%", "/q?n=%00"}) {
        ASSERT_TRUE(visit("/liens.html"));
        app_.evaluate(std::string("document.querySelector(\"a[href='") + path + "']\").click(); 1");
        EXPECT_TRUE(app_.waitForLoad(server_.url(path))) << path;
    }
    ASSERT_TRUE(visit("/liens.html"));
    app_.pressOn("sso");
    EXPECT_TRUE(app_.waitForLoad(server_.url("/connexion.html", "localhost")));
    app_.delegate().loadUrl(server_.url("/"));
    ASSERT_TRUE(app_.waitForLoad(server_.url("/")));
    const std::string post = server_.url("/enregistrer.html", "localhost");
    app_.evaluate("form.action = '" + post + "'; form.submit(); 1");  // the demo's form
    EXPECT_TRUE(app_.waitForLoad(post));
    EXPECT_EQ(opened_.size(), 5u) << ::testing::PrintToString(opened_);
}

TEST_F(Pages, PopupsTakeTheirSizeTitleAndRulesAndAreBounded) {
    app_.evaluate("document.cookie = 'societe=demo; path=/'; 1");
    app_.evaluate("document.getElementById('popup').click(); 1");  // 600 x 400
    ASSERT_TRUE(waitUntil([&] { return app_.delegate().childWindows().size() == 1; }));
    GtkWindow* sized = app_.delegate().childWindows()[0];
    ASSERT_TRUE(app_.waitForLoad(app_.popup(0), server_.url("/fenetre.html")));
    int width = 0, height = 0;
    gtk_window_get_default_size(sized, &width, &height);
    EXPECT_EQ(std::pair(width, height), std::pair(600, 400));
    EXPECT_TRUE(waitUntil(
        [&] { return g_strcmp0(gtk_window_get_title(sized), "Detail de l'ecriture") == 0; }));
    saveShot(sized, "popup");
    EXPECT_EQ(app_.evaluate(app_.popup(0), "document.cookie"), "societe=demo");
    app_.evaluate(app_.popup(0), "document.title = ''; 1");
    EXPECT_TRUE(waitUntil([&] {
        return g_strcmp0(gtk_window_get_title(sized), "DELVARONTE") == 0;
    })) << "a page without a title";

    app_.evaluate("window.open('/factures.html', 'b', 'width=100'); 1");
    ASSERT_TRUE(waitUntil([&] { return app_.delegate().childWindows().size() == 2; }));
    GtkWindow* narrow = app_.delegate().childWindows()[1];
    gtk_widget_get_size_request(GTK_WIDGET(narrow), &width, &height);
    EXPECT_EQ(std::pair(width, height), std::pair(400, 300));
    EXPECT_STREQ(gtk_window_get_title(narrow), "DELVARONTE") << "named before any title";
    ASSERT_TRUE(app_.waitForLoad(app_.popup(1), server_.url("/factures.html")));
    app_.evaluate(app_.popup(1), "var a = document.createElement('a'); a.href = '" +
                                     server_.url("/autre.html", "localhost") + "'; a.click(); 1");
    EXPECT_TRUE(waitUntil([&] { return opened_.size() == 1; })) << "the same rules in a pop-up";

    // A pop-up's dialogs are its own; closed by the user or by its page, a pop-up is gone.
    AlertDriver driver;
    driver.then([&](ShownAlert& shown) {
        EXPECT_EQ(gtk_window_get_transient_for(shown.window), narrow);
        shown.press("OK");
    });
    app_.evaluate(app_.popup(1), "alert('Depuis la fenetre'); 1");
    gtk_window_close(narrow);
    app_.evaluate(app_.popup(0), "document.getElementById('close').click(); 1");
    EXPECT_TRUE(waitUntil([&] { return app_.delegate().childWindows().empty(); }));

    // At most twenty at once; a place freed is a place again. A failure stays in its pop-up.
    EXPECT_EQ(app_.evaluate("var w = []; for (let i = 0; i < 21; i++) w.push(window.open(''));"
                            "w.filter(x => x === null).length"),
              "1");
    gtk_window_destroy(app_.delegate().childWindows().back());
    const std::string down = "http://127.0.0.1:" + std::to_string(closedPort()) + "/";
    EXPECT_EQ(app_.evaluate("window.open('" + down + "') !== null"), "true");
    EXPECT_TRUE(waitUntil([&] { return app_.heading(app_.popup(19)) == "Connexion impossible"; }));
    EXPECT_STREQ(webkit_web_view_get_uri(app_.view()), server_.url("/").c_str());
}

TEST_F(Pages, PageDialogsAreOursAndALoopCanBeBlocked) {
    // A loop: the third dialog of a run offers to block the rest, until the page reloads.
    AlertDriver driver;
    const std::string block = "Bloquer les autres dialogues de cette page";
    driver.press("OK").press("OK").then([&](ShownAlert& shown) {
        shown.press(block);
        saveShot(shown.window, "dialog-loop");
        shown.press("OK");
    });
    app_.evaluate(
        "setTimeout(() => { for (let i = 1; i <= 500; i++) alert('Boucle ' + i);"
        " document.title = confirm('Encore ?') ? 'oui' : 'non'; }); 1");
    EXPECT_TRUE(waitUntil([&] { return app_.evaluate("document.title") == "non"; }));
    EXPECT_EQ(app_.evaluate("prompt('Libelle ?', 'x')"), "null");
    app_.action("reload");
    ASSERT_TRUE(app_.waitForLoad(server_.url("/")));

    // A loop that reloads its page between its alerts: the run goes on across the loads, the
    // block too, until the user reloads ("Actualiser").
    const size_t shown = driver.seen().size();
    driver.press("OK").press("OK").then([&](ShownAlert& third) {
        third.press(block);
        third.press("OK");
    });
    ASSERT_TRUE(visit("/rappels.html"));
    EXPECT_TRUE(waitUntil([&] { return app_.evaluate("document.title") == "fin"; }));
    EXPECT_EQ(driver.seen().size(), shown + 3);
    driver.press("OK").press("OK");
    app_.evaluate("sessionStorage.n = 5; 1");
    app_.action("reload");
    EXPECT_TRUE(waitUntil([&] { return driver.pending() == 0; }));
    ASSERT_TRUE(visit("/"));

    // Left by the user, the page's dialogs are ours again: alert, confirm and prompt.
    driver.press("OK")
        .then([](ShownAlert& shown) {
            EXPECT_EQ(shown.buttonLabels(), (std::vector<std::string>{"Annuler", "OK"}));
            shown.press("OK");
        })
        .then([&](ShownAlert& shown) {
            EXPECT_EQ(gtk_window_get_transient_for(shown.window), app_.delegate().window());
            EXPECT_EQ(shown.fieldText(0), "Achat");
            shown.type(0, "Achat fournitures");
            shown.press("OK");
        })
        .press("Annuler");
    EXPECT_EQ(app_.evaluate("var t = 'avant'; alert('Ecriture enregistree'); t + ' puis apres'"),
              "avant puis apres");
    EXPECT_EQ(app_.evaluate("confirm('Supprimer la facture ?')"), "true");
    EXPECT_EQ(app_.evaluate("prompt(\"Libelle de l'ecriture ?\", 'Achat')"), "Achat fournitures");
    EXPECT_EQ(app_.evaluate("confirm('Encore ?')"), "false");

    // A text of any length fits on the screen, its button in view.
    driver.then([](ShownAlert& shown) {
        EXPECT_LE(gtk_widget_get_height(GTK_WIDGET(shown.window)), 1024);
        GtkWidget* ok = gtk_window_get_default_widget(shown.window);
        const graphene_point_t origin{};
        graphene_point_t corner{};
        ASSERT_TRUE(gtk_widget_compute_point(ok, GTK_WIDGET(shown.window), &origin, &corner));
        EXPECT_LE(corner.y + gtk_widget_get_height(ok),
                  gtk_widget_get_height(GTK_WIDGET(shown.window)));
        EXPECT_EQ(shown.informative().size(), 32u * 30000);
        shown.press("OK");
    });
    app_.evaluate("setTimeout(() => alert('Ligne de releve bancaire 512000\\n'.repeat(30000))); 1");
    EXPECT_TRUE(waitUntil([&] { return driver.pending() == 0; }, 90));

    // Leaving unsaved changes is asked: staying keeps the page past the home page's time
    // limit, leaving goes.
    ASSERT_TRUE(visit("/saisie.html"));
    ASSERT_TRUE(app_.typeInto("montant", "150"));  // asked only once the user touched it
    app_.seams.homeLoadTimeoutSeconds = 1;
    driver
        .then([](ShownAlert& shown) {
            EXPECT_EQ(shown.buttonLabels(),
                      (std::vector<std::string>{"Rester", "Quitter la page"}));
            saveShot(shown.window, "leave-page");
            waitMicroseconds(1'500'000);
            shown.press("Rester");
        })
        .press("Quitter la page");
    app_.action("goHome");
    ASSERT_TRUE(waitUntil([&] { return driver.pending() == 1; }));
    waitMicroseconds(1'500'000);
    EXPECT_EQ(app_.evaluate("montant.value"), "150");
    app_.action("goHome");
    EXPECT_TRUE(app_.waitForLoad(server_.url("/")));
    waitMicroseconds(1'500'000);  // the home page arrived: its time limit is over
    EXPECT_EQ(app_.heading(), "Tableau de bord");
}

TEST_F(Pages, FailuresShowOurPagesAndComeBack) {
    const guint port = closedPort();
    const std::string down = "http://127.0.0.1:" + std::to_string(port) + "/";
    app_.delegate().loadUrl(down);
    EXPECT_TRUE(waitUntil([&] { return app_.heading() == "Connexion impossible"; }));
    EXPECT_STREQ(webkit_web_view_get_uri(app_.view()), down.c_str());
    saveShot(app_.delegate().window(), "error-page");
    SiteServer revived(port);
    revived.serve("/", 200, "text/html", "<html><body><h1>De retour</h1></body></html>");
    app_.evaluate("document.querySelector('button').click(); 1");  // "Reessayer"
    EXPECT_TRUE(waitUntil([&] { return app_.heading() == "De retour"; }));

    const auto secure = selfSignedServer();
    app_.delegate().loadUrl(secure->url("/"));
    EXPECT_TRUE(waitUntil([&] { return app_.heading() == "Connexion impossible"; }));

    hang(server_, "/lent.html");  // left for another page: no failure
    app_.delegate().loadUrl(server_.url("/lent.html"));
    ASSERT_TRUE(waitUntil([&] { return server_.requests("/lent.html") == 1; }));
    app_.delegate().loadUrl(server_.url("/factures.html"));
    ASSERT_TRUE(app_.waitForLoad(server_.url("/factures.html")));
    EXPECT_EQ(app_.heading(), "Factures clients");

    // A pop-up whose load fails by itself (a redirect loop) shows the error page there.
    server_.route("/boucle", [&](SoupServerMessage* message) {
        soup_server_message_set_redirect(message, 302, "/boucle");
    });
    app_.evaluate("window.open('/boucle'); 1");
    ASSERT_TRUE(waitUntil([&] { return app_.delegate().childWindows().size() == 1; }));
    EXPECT_TRUE(waitUntil([&] { return app_.heading(app_.popup(0)) == "Connexion impossible"; }));
    EXPECT_EQ(app_.heading(), "Factures clients") << "the main page stays";
    gtk_window_destroy(app_.delegate().childWindows().back());

    // A web process that dies leaves a page that brings the address back, as "Actualiser" does.
    for (const char* again : {"button", "reload"}) {
        for (const pid_t pid : webProcesses()) kill(pid, SIGKILL);
        EXPECT_TRUE(waitUntil([&] { return app_.heading() == "La page s'est arretee"; }));
        EXPECT_STREQ(webkit_web_view_get_uri(app_.view()), server_.url("/factures.html").c_str());
        saveShot(app_.delegate().window(), "page-stopped");
        if (std::string(again) == "button")
            app_.evaluate("document.querySelector('button').click(); 1");
        else
            app_.action("reload");
        EXPECT_TRUE(waitUntil([&] { return app_.heading() == "Factures clients"; })) << again;
    }
}

TEST_F(Pages, DownloadsSavedWhereTheUserChoseOpenedOnRequestAndPrinted) {
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

    // A script's export, saved and opened.
    driver.press("Ouvrir");
    app_.evaluate(
        "var a = document.createElement('a'); a.download = 'export.txt';"
        "a.href = URL.createObjectURL(new Blob(['Grand livre'])); a.click(); 1");
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
    app_.seams.print = [&](WebKitPrintOperation*, GtkWindow* parent) {
        printed.push_back(parent);
        return WEBKIT_PRINT_OPERATION_RESPONSE_CANCEL;
    };
    app_.evaluate("window.print(); 1");
    ASSERT_TRUE(waitUntil([&] { return printed.size() == 1; }));
    app_.action("print");
    ASSERT_TRUE(app_.focusPage());
    pressKeys("ctrl+p");
    ASSERT_TRUE(waitUntil([&] { return printed.size() == 3; }));
    for (GtkWindow* parent : printed) EXPECT_EQ(parent, app_.delegate().window());
}

TEST_F(Pages, DownloadsACutConnectionFailsAndACancelIsQuiet) {
    const std::string target = folder_.file("grand-livre.pdf");
    AlertDriver driver;
    driver.press("OK");
    app_.evaluate("location.href = '/grand-livre.pdf'; 1");
    save("grand-livre.pdf", target);
    ASSERT_TRUE(waitUntil([&] { return held_.size() == 1 && windowNamed("delvaronte-download"); }));
    cut();
    ASSERT_TRUE(waitUntil([&] { return driver.pending() == 0; }));
    EXPECT_EQ(driver.seen()[0].informative, "Le telechargement a echoue.");
    EXPECT_EQ(filesLeft(), 0u) << "neither the file nor a partial one";

    // The progress window's "Annuler", which has the keyboard, or Echap: stopped, no alert,
    // nothing left.
    for (const bool button : {true, false}) {
        app_.evaluate("location.href = '/grand-livre.pdf'; 1");
        save("grand-livre.pdf", target);
        GtkWindow* progress = nullptr;
        ASSERT_TRUE(waitUntil([&] { return (progress = windowNamed("delvaronte-download")); }));
        saveShot(progress, "download-progress");
        GtkWidget* cancel = gtk_widget_get_last_child(gtk_window_get_child(progress));
        ASSERT_STREQ(gtk_button_get_label(GTK_BUTTON(cancel)), "Annuler");
        EXPECT_EQ(gtk_window_get_focus(progress), cancel);
        if (button)
            g_signal_emit_by_name(cancel, "clicked");
        else
            pressKeys("Escape");
        EXPECT_TRUE(waitUntil([] { return windowNamed("delvaronte-download") == nullptr; }));
        cut();  // whatever the server does next reaches nothing of it
        EXPECT_EQ(app_.evaluate("6 * 7"), "42");
        EXPECT_EQ(filesLeft(), 0u);
    }
}

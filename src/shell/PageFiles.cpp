// Files for the page: an <input type=file> opens the toolkit's chooser over the page's window,
// in the user's Documents folder, one file or several as the page asks, never a folder.
#include <filesystem>
#include <string>
#include <vector>

#include "base/GObjectPtr.h"
#include "shell/PageDialogs.h"

namespace delvaronte {

namespace {

std::string documentsFolder() {
    if (const char* documents = g_get_user_special_dir(G_USER_DIRECTORY_DOCUMENTS)) {
        return documents;
    }
    const std::filesystem::path fallback = std::filesystem::path(g_get_home_dir()) / "Documents";
    std::error_code error;
    return std::filesystem::is_directory(fallback, error) ? fallback.string() : g_get_home_dir();
}

}  // namespace

void chooseFiles(WebKitFileChooserRequest* request, GtkWindow* parent) {
    const bool several = webkit_file_chooser_request_get_select_multiple(request);
    GtkWidget* chooser =
        gtk_file_chooser_dialog_new(several ? "Choisir des fichiers" : "Choisir un fichier", parent,
                                    GTK_FILE_CHOOSER_ACTION_OPEN, "Annuler", GTK_RESPONSE_CANCEL,
                                    "Ouvrir", GTK_RESPONSE_ACCEPT, nullptr);
    gtk_widget_set_name(chooser, "delvaronte-open");
    gtk_window_set_modal(GTK_WINDOW(chooser), TRUE);
    gtk_dialog_set_default_response(GTK_DIALOG(chooser), GTK_RESPONSE_ACCEPT);
    gtk_file_chooser_set_select_multiple(GTK_FILE_CHOOSER(chooser), several);
    if (GtkFileFilter* filter = webkit_file_chooser_request_get_mime_types_filter(request)) {
        gtk_file_chooser_set_filter(GTK_FILE_CHOOSER(chooser), filter);
    }
    // Given once, before the dialog is shown (see the save dialog of the downloads).
    const auto start = GRef<GFile>::adopt(g_file_new_for_path(documentsFolder().c_str()));
    gtk_file_chooser_set_current_folder(GTK_FILE_CHOOSER(chooser), start.get(), nullptr);

    // The request waits for the answer; it goes with the dialog.
    g_object_set_data_full(G_OBJECT(chooser), "request", g_object_ref(request), g_object_unref);
    connectSignal(
        chooser, "response",
        +[](GtkDialog* dialog, int response, gpointer) {
            auto* pending = static_cast<WebKitFileChooserRequest*>(
                g_object_get_data(G_OBJECT(dialog), "request"));
            std::vector<std::string> paths;
            if (response == GTK_RESPONSE_ACCEPT) {
                const auto files =
                    GRef<GListModel>::adopt(gtk_file_chooser_get_files(GTK_FILE_CHOOSER(dialog)));
                for (guint i = 0; i < g_list_model_get_n_items(files.get()); ++i) {
                    const auto file =
                        GRef<GFile>::adopt(G_FILE(g_list_model_get_item(files.get(), i)));
                    const GText path(g_file_get_path(file.get()));
                    std::error_code error;
                    // A folder is not a file the page can be sent.
                    if (path && std::filesystem::is_regular_file(path.get(), error)) {
                        paths.emplace_back(path.get());
                    }
                }
            }
            if (paths.empty()) {
                webkit_file_chooser_request_cancel(pending);
            } else {
                std::vector<const char*> names;
                names.reserve(paths.size() + 1);
                for (const auto& path : paths) names.push_back(path.c_str());
                names.push_back(nullptr);
                webkit_file_chooser_request_select_files(pending, names.data());
            }
            gtk_window_destroy(GTK_WINDOW(dialog));
        },
        nullptr);
    gtk_window_present(GTK_WINDOW(chooser));
}

}  // namespace delvaronte

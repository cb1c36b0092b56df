#include "ui/FileChooser.h"

#include "base/GObjectPtr.h"

namespace delvaronte {

namespace {

using Answered = std::function<void(std::vector<std::string>)>;

void responseCb(GtkDialog* dialog, int response, Answered* answered) {
    std::vector<std::string> paths;
    if (response == GTK_RESPONSE_ACCEPT) {
        const auto files =
            GRef<GListModel>::adopt(gtk_file_chooser_get_files(GTK_FILE_CHOOSER(dialog)));
        for (guint i = 0; i < g_list_model_get_n_items(files.get()); ++i) {
            const auto file = GRef<GFile>::adopt(G_FILE(g_list_model_get_item(files.get(), i)));
            const GText path(g_file_get_path(file.get()));
            paths.emplace_back(path ? path.get() : "");
        }
    }
    // The answer goes with the dialog: taken out first, so that nothing calls it twice.
    const Answered then = std::move(*answered);
    gtk_window_destroy(GTK_WINDOW(dialog));
    then(std::move(paths));
}

}  // namespace

GtkWindow* askForFiles(const FileChoice& choice, GtkWindow* parent, Answered answered) {
    GtkWidget* chooser = gtk_file_chooser_dialog_new(
        choice.title, parent,
        choice.save ? GTK_FILE_CHOOSER_ACTION_SAVE : GTK_FILE_CHOOSER_ACTION_OPEN, "Annuler",
        GTK_RESPONSE_CANCEL, choice.accept, GTK_RESPONSE_ACCEPT, nullptr);
    gtk_widget_set_name(chooser, choice.name);
    gtk_window_set_modal(GTK_WINDOW(chooser), TRUE);
    gtk_dialog_set_default_response(GTK_DIALOG(chooser), GTK_RESPONSE_ACCEPT);
    auto* file = GTK_FILE_CHOOSER(chooser);
    gtk_file_chooser_set_select_multiple(file, choice.several && !choice.save);
    if (choice.filter != nullptr) gtk_file_chooser_set_filter(file, choice.filter);
    // Given once, before the dialog is shown. When it is mapped with no folder on its way,
    // GTK 4.8's chooser starts in the working folder; and a second folder given while one is
    // still being looked up makes it climb to that one's parent instead. Saving, the folder
    // and the offered name go as one file, and the name in the name field.
    if (choice.save) {
        const auto offered = GRef<GFile>::adopt(
            g_file_new_build_filename(choice.folder.c_str(), choice.file.c_str(), nullptr));
        gtk_file_chooser_set_file(file, offered.get(), nullptr);
        gtk_file_chooser_set_current_name(file, choice.file.c_str());
    } else {
        const auto start = GRef<GFile>::adopt(g_file_new_for_path(choice.folder.c_str()));
        gtk_file_chooser_set_current_folder(file, start.get(), nullptr);
    }
    auto* kept = new Answered(std::move(answered));
    g_object_set_data_full(
        G_OBJECT(chooser), "answered", kept,
        +[](gpointer data) { delete static_cast<Answered*>(data); });
    connectSignal(chooser, "response", &responseCb, kept);
    gtk_window_present(GTK_WINDOW(chooser));
    return GTK_WINDOW(chooser);
}

}  // namespace delvaronte

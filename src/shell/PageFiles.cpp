// Files for the page: an <input type=file> opens the toolkit's chooser over the page's window,
// in the user's Documents folder, one file or several as the page asks, never a folder.
#include <filesystem>
#include <string>
#include <vector>

#include "base/GObjectPtr.h"
#include "shell/PageDialogs.h"
#include "ui/FileChooser.h"

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
    const FileChoice choice{.title = several ? "Choisir des fichiers" : "Choisir un fichier",
                            .accept = "Ouvrir",
                            .name = "delvaronte-open",
                            .several = several,
                            .folder = documentsFolder(),
                            .file = "",
                            .filter = webkit_file_chooser_request_get_mime_types_filter(request)};
    // The request waits for the answer.
    const auto pending = GRef<WebKitFileChooserRequest>::retain(request);
    askForFiles(choice, parent, [pending](const std::vector<std::string>& chosen) {
        std::vector<const char*> paths;
        for (const std::string& path : chosen) {
            std::error_code error;
            // A folder is not a file the page can be sent.
            if (std::filesystem::is_regular_file(path, error)) paths.push_back(path.c_str());
        }
        if (paths.empty()) {
            webkit_file_chooser_request_cancel(pending.get());
            return;
        }
        paths.push_back(nullptr);
        webkit_file_chooser_request_select_files(pending.get(), paths.data());
    });
}

}  // namespace delvaronte

#include "shell/KeptSettings.h"

#include <filesystem>

#include "base/Identity.h"
#include "shell/rules/Zoom.h"

namespace delvaronte {

namespace {

constexpr char kZoomGroup[] = "Zoom";
constexpr char kReadingGroup[] = "Lecture";
constexpr char kCaretKey[] = "curseur";

// A host as a key of the file, which cannot hold '[', ']' or '='; an IPv6 address comes
// without its brackets already.
bool keyable(const std::string& host) {
    return !host.empty() && host.find_first_of("[]=\n\r") == std::string::npos;
}

}  // namespace

KeptSettings::KeptSettings(std::string path) : path_(std::move(path)), file_(g_key_file_new()) {
    if (!g_key_file_load_from_file(file_, path_.c_str(), G_KEY_FILE_NONE, nullptr)) {
        g_key_file_unref(file_);
        file_ = g_key_file_new();
    }
}

KeptSettings::~KeptSettings() {
    g_key_file_unref(file_);
}

std::string KeptSettings::defaultPath() {
    return (std::filesystem::path(g_get_user_data_dir()) / kDataFolderName / "settings.ini")
        .string();
}

std::optional<double> KeptSettings::zoom(const std::string& host) const {
    if (!keyable(host)) return std::nullopt;
    GError* error = nullptr;
    const double level = g_key_file_get_double(file_, kZoomGroup, host.c_str(), &error);
    if (error != nullptr) {
        g_error_free(error);
        return std::nullopt;
    }
    return keptZoom(level);
}

void KeptSettings::keepZoom(const std::string& host, double level) {
    if (!keyable(host)) return;
    g_key_file_set_double(file_, kZoomGroup, host.c_str(), level);
    save();
}

bool KeptSettings::caretBrowsing() const {
    return g_key_file_get_boolean(file_, kReadingGroup, kCaretKey, nullptr);
}

void KeptSettings::keepCaretBrowsing(bool on) {
    g_key_file_set_boolean(file_, kReadingGroup, kCaretKey, on);
    save();
}

GRef<GtkPrintSettings> KeptSettings::printSettings() const {
    return GRef<GtkPrintSettings>::adopt(
        gtk_print_settings_new_from_key_file(file_, nullptr, nullptr));
}

GRef<GtkPageSetup> KeptSettings::pageSetup() const {
    return GRef<GtkPageSetup>::adopt(gtk_page_setup_new_from_key_file(file_, nullptr, nullptr));
}

void KeptSettings::keepPrinting(GtkPrintSettings* settings, GtkPageSetup* setup) {
    if (settings != nullptr) gtk_print_settings_to_key_file(settings, file_, nullptr);
    if (setup != nullptr) gtk_page_setup_to_key_file(setup, file_, nullptr);
    save();
}

// Written whole to a new file put in place of the old: a crash leaves one or the other.
void KeptSettings::save() const {
    const std::filesystem::path path(path_);
    g_mkdir_with_parents(path.parent_path().c_str(), 0700);
    g_key_file_save_to_file(file_, path_.c_str(), nullptr);
}

}  // namespace delvaronte

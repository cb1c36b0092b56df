// What the user chose and finds again at the next start: the zoom of each host, the print
// settings (printer, paper, orientation, margins, the file "Imprimer dans un fichier" wrote)
// and the caret in the page (F7).
// Kept in a file of the user's data folder, rewritten whole at each change.
#pragma once

#include <gtk/gtk.h>

#include <optional>
#include <string>

#include "base/GObjectPtr.h"

namespace delvaronte {

class KeptSettings {
public:
    // Reads the file at path; a missing or damaged one keeps nothing.
    explicit KeptSettings(std::string path);
    ~KeptSettings();
    KeptSettings(const KeptSettings&) = delete;
    KeptSettings& operator=(const KeptSettings&) = delete;

    // The file in the user's data folder.
    static std::string defaultPath();

    std::optional<double> zoom(const std::string& host) const;
    void keepZoom(const std::string& host, double level);
    // Nothing when none were kept.
    GRef<GtkPrintSettings> printSettings() const;
    GRef<GtkPageSetup> pageSetup() const;
    void keepPrinting(GtkPrintSettings* settings, GtkPageSetup* setup);
    bool caretBrowsing() const;
    void keepCaretBrowsing(bool on);

private:
    void save() const;

    std::string path_;
    GKeyFile* file_;
};

}  // namespace delvaronte

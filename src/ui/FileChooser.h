// The toolkit's file chooser, set up one way for every part of the program that opens or saves
// a file: modal over its window, its place given once before it is shown, its answer the paths
// chosen.
#pragma once

#include <gtk/gtk.h>

#include <functional>
#include <string>
#include <vector>

namespace delvaronte {

struct FileChoice {
    const char* title = "";
    const char* accept = "";  // the button that takes the choice: "Ouvrir", "Enregistrer"
    const char* name = "";    // the dialog's widget name
    bool save = false;
    bool several = false;  // opening only
    std::string folder;    // where it starts
    std::string file;      // saving only: the name offered in that folder
    GtkFileFilter* filter = nullptr;
};

// Shows the chooser over parent. answered gets the local paths chosen, in order (a place with
// no local path gives an empty one), or nothing when the user cancelled; the dialog then goes.
// The dialog is returned for a caller that may have to close it first: then answered is never
// called.
GtkWindow* askForFiles(const FileChoice& choice, GtkWindow* parent,
                       std::function<void(std::vector<std::string>)> answered);

}  // namespace delvaronte

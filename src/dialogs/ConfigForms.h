// The hand-placed forms of the set-up dialog, the password gate and the editor.
#pragma once

#include <gtk/gtk.h>

#include <span>
#include <vector>

namespace delvaronte {

struct FormElement {
    enum class Kind { Label, Field, SecureField };
    Kind kind;
    int x;
    int top;  // distance of the element's top edge below the form's top edge
    int width;
    int height;
    const char* text;  // the label's text, or the field's placeholder (nullptr: none)
};

struct FormLayout {
    int width;
    int height;
    std::span<const FormElement> elements;
};

// First run: address, password, confirmation.
extern const FormLayout kSetupForm;
// The editor: address, new password, confirmation. Its confirmation field reaches 10 below
// the 160 the form was drawn with, so the form is 170 high to hold all of it.
extern const FormLayout kEditorForm;
// The gate's single password field.
inline constexpr int kGateFieldWidth = 300;
inline constexpr int kFieldHeight = 28;

struct Form {
    GtkWidget* container;            // floating until placed in an alert
    std::vector<GtkWidget*> fields;  // in layout order
};

// A fixed container of layout.width x layout.height with each element at (x, top).
Form buildForm(const FormLayout& layout);

// A single-line field; secure fields mask what is typed. Enter in it answers the alert.
GtkWidget* makeFormField(bool secure, int width, const char* placeholder);

}  // namespace delvaronte

#include "dialogs/ConfigForms.h"

#include "ui/ScreenReaderNames.h"
#include "ui/Style.h"

namespace delvaronte {

namespace {

using Kind = FormElement::Kind;

constexpr FormElement kSetupElements[] = {
    {Kind::Label, 0, 10, 400, 20, "URL de l'application :"},
    {Kind::Field, 0, 32, 400, 28, "https://compta.exemple.ma"},
    {Kind::Label, 0, 75, 400, 20, "Mot de passe admin :"},
    {Kind::SecureField, 0, 97, 400, 28, "Mot de passe"},
    {Kind::Label, 0, 135, 400, 20, "Confirmer le mot de passe :"},
    {Kind::SecureField, 0, 157, 400, 28, "Confirmer"},
};

constexpr FormElement kEditorElements[] = {
    {Kind::Label, 0, 5, 400, 20, "URL de l'application :"},
    {Kind::Field, 0, 27, 400, 28, nullptr},
    {Kind::Label, 0, 65, 400, 20, "Nouveau mot de passe (vide = pas de changement) :"},
    {Kind::SecureField, 0, 87, 400, 28, nullptr},
    {Kind::Label, 0, 122, 400, 20, "Confirmer :"},
    {Kind::SecureField, 0, 142, 400, 28, nullptr},
};

// Fields keep the frame's 28 pixels (the theme's entries are taller) in a 13-pixel font:
// the forms were drawn in points, one point to a pixel.
constexpr char kFormCss[] =
    ".delvaronte-field { min-height: 0; padding-top: 0; padding-bottom: 0; font-size: 13px; }"
    ".delvaronte-field text { min-height: 0; }";

}  // namespace

const FormLayout kSetupForm{400, 200, kSetupElements};
const FormLayout kEditorForm{400, 170, kEditorElements};

GtkWidget* makeFormField(bool secure, int width, const char* placeholder) {
    addStyleSheet(kFormCss);
    GtkWidget* field = secure ? gtk_password_entry_new() : gtk_entry_new();
    gtk_widget_add_css_class(field, "delvaronte-field");
    gtk_widget_set_size_request(field, width, kFieldHeight);
    if (placeholder != nullptr) {
        if (secure) {
            g_object_set(field, "placeholder-text", placeholder, nullptr);
        } else {
            gtk_entry_set_placeholder_text(GTK_ENTRY(field), placeholder);
        }
    }
    return field;
}

Form buildForm(const FormLayout& layout) {
    Form form{gtk_fixed_new(), {}};
    nameForScreenReader(form.container, "Formulaire");
    GtkWidget* lastLabel = nullptr;
    gtk_widget_set_size_request(form.container, layout.width, layout.height);
    for (const FormElement& element : layout.elements) {
        GtkWidget* widget = nullptr;
        if (element.kind == Kind::Label) {
            widget = gtk_label_new(element.text);
            gtk_label_set_xalign(GTK_LABEL(widget), 0.0F);
            gtk_widget_set_size_request(widget, element.width, element.height);
            lastLabel = widget;
        } else {
            widget = makeFormField(element.kind == Kind::SecureField, element.width, element.text);
            if (lastLabel != nullptr) nameByLabel(widget, lastLabel);
            form.fields.push_back(widget);
        }
        gtk_fixed_put(GTK_FIXED(form.container), widget, element.x, element.top);
    }
    return form;
}

}  // namespace delvaronte

#include "shell/rules/MenuModel.h"

namespace delvaronte {

std::span<const Menu> menuBar() {
    // Command on the platform this menu was first drawn for is Control here; an upper-case
    // key there is Shift here.
    static const std::vector<Menu> menus = {
        {"DELVARONTE",
         {{{"A propos de DELVARONTE", "app.showAbout", {}},
           {"Verifier les mises a jour...", "app.checkUpdates", {}}},
          {{"Configuration...", "app.openConfig", {"<Control><Shift>p"}}},
          {{"Quitter DELVARONTE", "app.quit", {"<Control>q"}}}}},
        {"Navigation",
         {{{"Retour", "app.goBack", {"<Control>bracketleft"}},
           {"Avancer", "app.goForward", {"<Control>bracketright"}}},
          {{"Actualiser", "app.reload", {"<Control>r"}}, {"Accueil", "app.goHome", {"<Control>h"}}},
          {{"Imprimer...", "app.print", {"<Control>p"}}}}},
        {"Edition",
         {{{"Annuler", "app.undo", {"<Control>z"}, true},
           {"Retablir", "app.redo", {"<Control><Shift>z"}, true}},
          {{"Couper", "app.cut", {"<Control>x"}, true},
           {"Copier", "app.copy", {"<Control>c"}, true},
           {"Coller", "app.paste", {"<Control>v"}, true},
           {"Tout selectionner", "app.selectAll", {"<Control>a"}, true}},
          {{"Rechercher...", "app.find", {"<Control><Shift>f"}, true}}}},
        {"Fenetre",
         {{{"Plein ecran", "app.toggleFullScreen", {"<Control>f"}},
           {"Minimiser", "app.miniaturize", {"<Control>m"}},
           {"Zoom", "app.zoomIn", {"<Control>plus", "<Control>KP_Add"}},
           {"Dezoom", "app.zoomOut", {"<Control>minus", "<Control>KP_Subtract"}},
           {"Taille reelle", "app.resetZoom", {"<Control>0", "<Control>KP_0"}}}}},
    };
    return menus;
}

}  // namespace delvaronte

// The pages shown in place of one that could not be loaded, or whose web process ended.
// Fixed: nothing from the page's address goes into them.
#pragma once

namespace delvaronte {

// Both pages share their look: a heading, a line of text and one button on a dark background.
#define DELVARONTE_PLACEHOLDER_PAGE_START                                                      \
    "<html>\n"                                                                                 \
    "<head><style>\n"                                                                          \
    "    body { font-family: -apple-system, sans-serif; display: flex; align-items: center;\n" \
    "           justify-content: center; height: 100vh; margin: 0;\n"                          \
    "           background: #181825; color: white; text-align: center; }\n"                    \
    "    .container { max-width: 400px; }\n"                                                   \
    "    h1 { font-size: 24px; margin-bottom: 10px; }\n"                                       \
    "    p { color: #aaa; font-size: 14px; }\n"                                                \
    "    button { background: #4f46e5; color: white; border: none; padding: 12px 24px;\n"      \
    "             border-radius: 8px; cursor: pointer; font-size: 14px; margin-top: 20px; }\n" \
    "    button:hover { background: #4338ca; }\n"                                              \
    "</style></head>\n"                                                                        \
    "<body><div class=\"container\">\n"

inline constexpr char kConnectionErrorPage[] = DELVARONTE_PLACEHOLDER_PAGE_START
    "    <h1>Connexion impossible</h1>\n"
    "    <p>Impossible de se connecter a DELVARONTE.<br>Verifiez votre connexion internet.</p>\n"
    "    <button onclick=\"window.location.reload()\">Reessayer</button>\n"
    "</div></body></html>";

// Loaded with the address the page had, so that its button (the page's reload), "Actualiser"
// and a reload by the page all bring that address back.
inline constexpr char kPageStoppedPage[] = DELVARONTE_PLACEHOLDER_PAGE_START
    "    <h1>La page s'est arretee</h1>\n"
    "    <p>L'affichage de cette page a ete interrompu.<br>"
    "Rechargez-la pour reprendre.</p>\n"
    "    <button onclick=\"window.location.reload()\">Recharger</button>\n"
    "</div></body></html>";

// The same, when the user had typed in the page: it comes back filled in as it was.
inline constexpr char kPageStoppedKeepingTypingPage[] = DELVARONTE_PLACEHOLDER_PAGE_START
    "    <h1>La page s'est arretee</h1>\n"
    "    <p>L'affichage de cette page a ete interrompu.<br>"
    "Rechargez-la pour reprendre :<br>ce que vous y aviez saisi reviendra.</p>\n"
    "    <button onclick=\"window.location.reload()\">Recharger</button>\n"
    "</div></body></html>";

#undef DELVARONTE_PLACEHOLDER_PAGE_START

}  // namespace delvaronte

// The page shown in place of one that could not be loaded. Fixed: nothing from the failed
// address goes into it.
#pragma once

namespace delvaronte {

inline constexpr char kConnectionErrorPage[] =
    "<html>\n"
    "<head><style>\n"
    "    body { font-family: -apple-system, sans-serif; display: flex; align-items: center;\n"
    "           justify-content: center; height: 100vh; margin: 0;\n"
    "           background: #181825; color: white; text-align: center; }\n"
    "    .container { max-width: 400px; }\n"
    "    h1 { font-size: 24px; margin-bottom: 10px; }\n"
    "    p { color: #aaa; font-size: 14px; }\n"
    "    button { background: #4f46e5; color: white; border: none; padding: 12px 24px;\n"
    "             border-radius: 8px; cursor: pointer; font-size: 14px; margin-top: 20px; }\n"
    "    button:hover { background: #4338ca; }\n"
    "</style></head>\n"
    "<body><div class=\"container\">\n"
    "    <h1>Connexion impossible</h1>\n"
    "    <p>Impossible de se connecter a DELVARONTE.<br>Verifiez votre connexion internet.</p>\n"
    "    <button onclick=\"window.location.reload()\">Reessayer</button>\n"
    "</div></body></html>";

}  // namespace delvaronte

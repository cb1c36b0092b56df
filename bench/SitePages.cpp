#include "SitePages.h"

#include <cstdio>

namespace delvaronte::bench {

namespace {

const char* const kStyle =
    "<style>body{font-family:sans-serif;margin:1em}table{border-collapse:collapse}"
    "td,th{border:1px solid #ccc;padding:2px 8px;text-align:right}"
    "label{display:inline-block;width:14em}</style>";

std::string head(const char* title, const std::string& script) {
    std::string page = "<!DOCTYPE html><html lang=\"fr\"><head><meta charset=\"utf-8\"><title>";
    page += title;
    page += "</title>";
    page += kStyle;
    if (!script.empty()) page += "<script src=\"" + script + "\"></script>";
    return page + "</head>";
}

std::string onLoad(const std::string& tail) {
    return "<script>addEventListener('load', () => {" + tail + "});</script>";
}

std::string frameContent(int frame);

}  // namespace

std::string applicationScript(size_t bytes) {
    std::string script = "'use strict';\nwindow.Compta = {};\n";
    char line[400];
    for (int i = 0; script.size() < bytes; ++i) {
        std::snprintf(line, sizeof line,
                      "Compta.f%d = function (amount, account) {\n"
                      "  const rate = %d / 1000, label = 'compte-' + (account || %d);\n"
                      "  if (typeof amount !== 'number' || !isFinite(amount)) return label;\n"
                      "  return label + ':' + (Math.round(amount * rate * 100) / 100).toFixed(2);\n"
                      "};\n",
                      i, i % 997, 400000 + i);
        script += line;
    }
    script += "Compta.ready = Object.keys(Compta).slice(0, 500).map((k, i) => Compta[k](i, 0));\n";
    return script;
}

std::string applicationStyle(size_t bytes) {
    std::string style =
        "body{font-family:sans-serif;margin:2em}table{border-collapse:collapse}\n"
        "td,th{border:1px solid #ccc;padding:4px 10px;text-align:right}\n";
    char rule[200];
    for (int i = 0; style.size() < bytes; ++i) {
        std::snprintf(rule, sizeof rule,
                      ".compte-%d td{border:1px solid #ccc;padding:4px 10px;color:#%06x}\n"
                      ".saisie-%d input:focus{outline:2px solid #%06x}\n",
                      i, (i * 2654435761u) & 0x7f7f7f, i, (i * 40503u) & 0xffffff);
        style += rule;
    }
    return style;
}

std::string ledgerPage(int rows, const std::string& script, const std::string& tail) {
    std::string page = head("Grand livre", script);
    page +=
        "<body><h1>Grand livre</h1><input id=\"recherche\" autofocus "
        "placeholder=\"Rechercher\"><table id=\"lignes\"><tr><th>Date</th><th>Piece</th>"
        "<th>Compte</th><th>Libelle</th><th>Debit</th><th>Credit</th></tr>";
    char row[320];
    for (int i = 0; i < rows; ++i) {
        std::snprintf(row, sizeof row,
                      "<tr><td>%02d/%02d/2026</td><td>FA-%05d</td><td>%d</td>"
                      "<td>Facture fournisseur %d, reglement partiel</td><td>%d,%02d</td>"
                      "<td></td></tr>",
                      i % 28 + 1, i % 12 + 1, i, 401000 + i % 90, i, 100 + i * 7 % 9000, i % 100);
        page += row;
    }
    page +=
        "</table><script>recherche.addEventListener('input', () => {"
        "const q = recherche.value.toLowerCase();"
        "for (const r of lignes.rows) r.hidden = r.rowIndex > 0 && q !== '' &&"
        " !r.textContent.toLowerCase().includes(q); });</script>";
    return page + onLoad(tail) + "</body></html>";
}

std::string entryFormPage(const std::string& script, const std::string& tail) {
    std::string page = head("Saisie", script);
    page += "<body><h1>Saisie d'une ecriture</h1><form method=\"post\" action=\"/day/recu\">";
    char field[240];
    for (int i = 0; i < 40; ++i) {
        std::snprintf(field, sizeof field,
                      "<p><label for=\"c%d\">Champ %d</label><input id=\"c%d\" name=\"c%d\" "
                      "value=\"%d\"></p>",
                      i, i, i, i, i * 13);
        page += field;
    }
    page += "<button>Enregistrer</button></form>";
    return page + onLoad(tail) + "</body></html>";
}

std::string accountEntryPage(const std::string& tail) {
    std::string page = head("Ecriture", "");
    page +=
        "<body><h1>Nouvelle ecriture</h1><form method=\"post\" action=\"/day/recu\">"
        "<p><label for=\"compte\">Compte</label><input id=\"compte\" name=\"compte\"></p>"
        "<p><label for=\"libelle\">Libelle</label><textarea id=\"libelle\" "
        "name=\"libelle\"></textarea></p>";
    char field[240];
    for (int i = 0; i < 40; ++i) {
        std::snprintf(field, sizeof field,
                      "<p><label for=\"l%d\">Ligne %d</label><input id=\"l%d\" name=\"l%d\" "
                      "value=\"%d,00\"></p>",
                      i, i + 1, i, i, i * 13);
        page += field;
    }
    page += "<button>Valider</button></form>";
    return page + onLoad(tail) + "</body></html>";
}

std::string reportPage(const std::string& script, const std::string& tail) {
    std::string page = head("Rapport", script);
    page +=
        "<body><h1>Rapport mensuel</h1><canvas id=\"graphe\" width=\"900\" height=\"300\">"
        "</canvas><table><tr><th>Mois</th><th>Charges</th><th>Produits</th></tr>";
    char row[160];
    for (int m = 1; m <= 12; ++m) {
        std::snprintf(row, sizeof row, "<tr><td>%02d/2026</td><td>%d</td><td>%d</td></tr>", m,
                      10000 + m * 731, 12000 + m * 517);
        page += row;
    }
    page +=
        "</table><script>{const g = graphe.getContext('2d'); g.beginPath();"
        "for (let i = 0; i < 2000; i++) g.lineTo(i * 0.45, 150 + 120 * Math.sin(i / 40) *"
        " Math.cos(i / 170)); g.stroke();}</script>";
    return page + onLoad(tail) + "</body></html>";
}

std::string framesetPage(const std::string& tail) {
    // The script goes in the head: after a frameset, the parser drops it.
    return "<!DOCTYPE html><html><head><title>Cadres</title>" + onLoad(tail) +
           "</head><frameset cols=\"50%,50%\"><frame src=\"/frame?n=1\">"
           "<frame src=\"/frame?n=2\"></frameset></html>";
}

std::string framePage(int frame) {
    return head("Cadre", "") + "<body style=\"margin:0\">" + frameContent(frame) + "</body></html>";
}

std::string formPage(const std::string& tail) {
    return head("Saisie", "") + "<body style=\"margin:0\">" + frameContent(1) + onLoad(tail) +
           "</body></html>";
}

namespace {

std::string frameContent(int frame) {
    std::string page;
    if (frame == 1) page += "<div style=\"width:300px;height:150px;background:#ff0080\"></div>";
    for (int i = 0; i < 12; ++i) {
        page += "<img width=\"120\" height=\"80\" src=\"/image?f=" + std::to_string(frame) +
                "&i=" + std::to_string(i) + "\">";
    }
    return page + "<p>Pieces jointes de l'exercice.</p>";
}

}  // namespace

std::string pngImage() {
    // 1 x 1, grey.
    static const unsigned char kPng[] = {
        0x89, 0x50, 0x4e, 0x47, 0x0d, 0x0a, 0x1a, 0x0a, 0x00, 0x00, 0x00, 0x0d, 0x49, 0x48,
        0x44, 0x52, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x01, 0x08, 0x00, 0x00, 0x00,
        0x00, 0x3a, 0x7e, 0x9b, 0x55, 0x00, 0x00, 0x00, 0x0a, 0x49, 0x44, 0x41, 0x54, 0x78,
        0x9c, 0x63, 0x68, 0x00, 0x00, 0x00, 0x82, 0x00, 0x81, 0x77, 0xcd, 0x72, 0xb6, 0x00,
        0x00, 0x00, 0x00, 0x49, 0x45, 0x4e, 0x44, 0xae, 0x42, 0x60, 0x82};
    return std::string(reinterpret_cast<const char*>(kPng), sizeof kPng);
}

}  // namespace delvaronte::bench

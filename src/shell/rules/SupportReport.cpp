#include "shell/rules/SupportReport.h"

#include "base/UriParts.h"

namespace delvaronte {

namespace {

void section(std::string& text, const char* title, const std::vector<std::string>& lines) {
    text += std::string(title) + (lines.empty() ? " : (aucun)\n" : " :\n");
    for (const std::string& line : lines) text += "  " + line + "\n";
}

}  // namespace

std::string supportText(const SupportFacts& facts) {
    std::string text = facts.program + "\n" + facts.toolkits + "\nAffichage : " + facts.display +
                       "\nDessin : " + facts.drawing + "\nProxy : " + facts.proxies + "\n";
    section(text, "Reglages", facts.settings);
    section(text, "Certificats", facts.certificates);
    text += "Dernier arret d'une page : " +
            (facts.lastProcessEnd.empty() ? std::string("(aucun)") : facts.lastProcessEnd) + "\n";
    section(text, "Derniers chargements echoues", facts.failedLoads);
    if (text.size() > kSupportTextLimit) {
        text.resize(text.rfind('\n', kSupportTextLimit - 1) + 1);
    }
    return text;
}

std::string addressForSupport(const std::string& uri) {
    const std::string host = uriHost(uri);
    return host.empty() ? "(sans hote)" : uriScheme(uri) + "://" + host;
}

void keepLast(std::vector<std::string>& lines, std::string line) {
    lines.push_back(std::move(line));
    if (lines.size() > kFailedLoadsKept) lines.erase(lines.begin());
}

}  // namespace delvaronte

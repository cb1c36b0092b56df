#include "shell/Site.h"

#include "shell/WebViews.h"

namespace delvaronte {

Site::Site(GApplication* application, const ShellSeams& seams, const std::string& homeUrl)
    : seams_(seams),
      rules_(homeUrl, office_),
      certificates_(rules_),
      engine_(office_, rules_),
      kept_(KeptSettings::defaultPath()),
      zoomAndPrint_(kept_, office_, seams),
      downloads_(sharedNetworkSession(), seams.open,
                 {[this] { return office_.downloadsFolder(); },
                  [this] { return office_.isOn("ask-where-to-save"); },
                  [this] { return office_.listOf("refused-download-extensions"); }}),
      notifications_(application) {}

UpdateCheckSettings Site::updateSettings() const {
    UpdateCheckSettings settings = seams_.updates;
    settings.open = seams_.open;
    // The office's own manifest, for a desk that takes its versions from the office.
    const std::string office = office_.text("update-manifest-url").value_or("");
    if (office.starts_with("https://")) settings.manifestUrl = office;
    if (!settings.proxy) {
        settings.proxy = proxies_.resolver();
        settings.proxyCredentials = proxies_.allCredentials();
    }
    return settings;
}

}  // namespace delvaronte

#include "shell/Site.h"

#include <algorithm>
#include <filesystem>

#include "base/UriParts.h"
#include "config/AppConfig.h"
#include "config/Certificates.h"
#include "shell/WebViews.h"
#include "shell/rules/Zoom.h"

namespace delvaronte {

Site::Site(GApplication* application, const ShellSeams& seams, const std::string& homeUrl)
    : seams_(seams),
      settings_(programSettings()),
      trust_(HomeOrigin(homeUrl)),
      downloads_(sharedNetworkSession(), seams.open),
      notifications_(application),
      kept_(KeptSettings::defaultPath()) {
    if (settings_) connectSignal(settings_.get(), "changed", &Site::settingChangedCb, this);
    const std::string folder = std::filesystem::path(AppConfig::configFilePath()).parent_path();
    pinned_ = loadCertificate(folder, kTrustedCertificateFile, false);
    client_ = loadCertificate(folder, kClientCertificateFile, true);
    const ProxyChoice proxies = chooseProxies(readProxySources());
    applyProxies(sharedNetworkSession(), proxies);
    proxyResolver_ = proxyResolverFor(proxies);
    proxyCredentials_ = proxies.credentials;
}

const ProxyChoice::Credentials* Site::proxyCredentials(const std::string& host) const {
    const auto given = proxyCredentials_.find(host);
    return given != proxyCredentials_.end() ? &given->second : nullptr;
}

Site::~Site() {
    if (context_) g_signal_handlers_disconnect_by_data(context_.get(), this);
    if (settings_) g_signal_handlers_disconnect_by_data(settings_.get(), this);
}

void Site::attach(WebKitWebContext* context) {
    context_ = GRef<WebKitWebContext>::retain(context);
    connectSignal(context, "initialize-notification-permissions",
                  &Site::initializeNotificationPermissionsCb, this);
    applyToEngine();
}

bool Site::isOn(const char* key) const {
    return !settings_ || g_settings_get_boolean(settings_.get(), key);
}

bool Site::mayNotify(const Asker& asker) const {
    return trust_.allows(PageFeature::Notifications, asker) && isOn("home-notifications");
}

void Site::settingChangedCb(GSettings*, const char*, Site* self) {
    self->applyToEngine();
}

void Site::applyToEngine() {
    webkit_settings_set_enable_developer_extras(sharedSettings(), isOn("page-inspector"));
    if (!context_) return;
    std::vector<std::string> chosen;
    if (settings_) {
        GStrv languages = g_settings_get_strv(settings_.get(), "spell-checking-languages");
        for (GStrv each = languages; *each != nullptr; ++each) chosen.emplace_back(*each);
        g_strfreev(languages);
    }
    checkSpelling(context_.get(), isOn("spell-checking"), chosen);
}

void Site::initializeNotificationPermissionsCb(WebKitWebContext* context, Site* self) {
    if (!self->mayNotify({true, PagePlace::MainWindow})) return;
    WebKitSecurityOrigin* origin =
        webkit_security_origin_new_for_uri(self->trust_.home().url().c_str());
    if (origin == nullptr) return;
    GList* allowed = g_list_append(nullptr, origin);
    webkit_web_context_initialize_notification_permissions(context, allowed, nullptr);
    g_list_free(allowed);
    webkit_security_origin_unref(origin);
}

bool Site::letThrough(GTlsCertificate* presented, const std::string& failedUri, PagePlace place) {
    const bool seen = std::any_of(allowed_.begin(), allowed_.end(), [&](const auto& allowed) {
        return g_tls_certificate_is_same(allowed.get(), presented);
    });
    if (seen || !trust_.allows(PageFeature::PinnedCertificate, trust_.page(failedUri, place))) {
        return false;
    }
    const std::string& host = trust_.home().host();
    if (!trustedUnder(presented, pinned_.get(), host)) return false;
    allowed_.push_back(GRef<GTlsCertificate>::retain(presented));
    webkit_network_session_allow_tls_certificate_for_host(sharedNetworkSession(), presented,
                                                          host.c_str());
    return true;
}

void Site::answerClientCertificate(WebKitAuthenticationRequest* request, const Asker& asker) {
    if (!client_ || !trust_.allows(PageFeature::ClientCertificate, asker)) {
        // Any other server goes on without one, as it would without us.
        webkit_authentication_request_authenticate(request, nullptr);
        return;
    }
    WebKitCredential* credential = webkit_credential_new_for_certificate(
        client_.get(), WEBKIT_CREDENTIAL_PERSISTENCE_FOR_SESSION);
    webkit_authentication_request_authenticate(request, credential);
    webkit_credential_free(credential);
}

void Site::open(const std::string& uri) const {
    seams_.open(uri);
}

void Site::print(WebKitPrintOperation* operation, GtkWindow* parent) {
    if (const auto settings = kept_.printSettings()) {
        webkit_print_operation_set_print_settings(operation, settings.get());
    }
    if (const auto setup = kept_.pageSetup()) {
        webkit_print_operation_set_page_setup(operation, setup.get());
    }
    if (seams_.print(operation, parent) == WEBKIT_PRINT_OPERATION_RESPONSE_PRINT) {
        kept_.keepPrinting(webkit_print_operation_get_print_settings(operation),
                           webkit_print_operation_get_page_setup(operation));
    }
}

double Site::zoomFor(const std::string& uri) const {
    if (const std::optional<double> kept = kept_.zoom(uriHost(uri))) return *kept;
    const double standing =
        settings_ ? g_settings_get_double(settings_.get(), "default-zoom") : kZoomActualSize;
    return keptZoom(standing).value_or(kZoomActualSize);
}

void Site::keepZoom(const std::string& uri, double level) {
    kept_.keepZoom(uriHost(uri), level);
}

unsigned Site::retryDelayMs(int attempt) const {
    return unsigned(seams_.retryDelayMs(attempt));
}

unsigned Site::loadTimeLimitMs() const {
    return seams_.homeLoadTimeoutSeconds * 1000;
}

UpdateCheckSettings Site::updateSettings() const {
    UpdateCheckSettings settings = seams_.updates;
    settings.open = seams_.open;
    // The office's own manifest, for a desk that takes its versions from the office.
    if (settings_) {
        const GText office(g_settings_get_string(settings_.get(), "update-manifest-url"));
        if (g_str_has_prefix(office.get(), "https://")) settings.manifestUrl = office.get();
    }
    if (!settings.proxy) {
        settings.proxy = proxyResolver_;
        settings.proxyCredentials = proxyCredentials_;
    }
    return settings;
}

}  // namespace delvaronte

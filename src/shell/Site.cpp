#include "shell/Site.h"

#include <algorithm>
#include <filesystem>

#include "base/UriParts.h"
#include "config/AppConfig.h"
#include "config/Certificates.h"
#include "shell/StartupEnvironment.h"
#include "shell/WebViews.h"
#include "shell/rules/Zoom.h"

namespace delvaronte {

Site::Site(GApplication* application, const ShellSeams& seams, const std::string& homeUrl)
    : seams_(seams),
      settings_(programSettings()),
      trust_(HomeOrigin(homeUrl)),
      downloads_(
          sharedNetworkSession(), seams.open,
          {[this] { return downloadsFolder(); }, [this] { return isOn("ask-where-to-save"); }}),
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
    proxiesForSupport_ =
        proxies.mode == ProxyChoice::Mode::System ? "reglages du bureau" : "manuels";
    for (const auto& [scheme, proxy] : proxies.proxies) {
        proxiesForSupport_ += ", " + scheme + " par " + addressForSupport(proxy);
    }
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

std::string Site::downloadsFolder() const {
    const GText chosen(settings_ ? g_settings_get_string(settings_.get(), "downloads-folder")
                                 : nullptr);
    if (chosen && g_path_is_absolute(chosen.get())) return chosen.get();
    const char* folder = g_get_user_special_dir(G_USER_DIRECTORY_DOWNLOAD);
    return folder != nullptr ? folder : g_get_home_dir();
}

std::vector<HomeOrigin> Site::keptHosts() const {
    std::vector<HomeOrigin> kept;
    for (const std::string& host : listOf("kept-hosts")) kept.emplace_back("https://" + host + "/");
    return kept;
}

std::vector<std::string> Site::listOf(const char* key) const {
    std::vector<std::string> items;
    if (!settings_) return items;
    GStrv values = g_settings_get_strv(settings_.get(), key);
    for (GStrv each = values; *each != nullptr; ++each) items.emplace_back(*each);
    g_strfreev(values);
    return items;
}

bool Site::allows(PageFeature feature, const Asker& asker) const {
    if (!delvaronte::allows(feature, asker)) return false;
    if (feature == PageFeature::Notifications) return isOn("home-notifications");
    if (feature == PageFeature::SavedSignIn) return isOn("remember-sign-in");
    return true;
}

void Site::settingChangedCb(GSettings*, const char*, Site* self) {
    self->applyToEngine();
}

void Site::startSpelling() {
    spelling_ = true;
    applyToEngine();
}

void Site::applyToEngine() {
    webkit_settings_set_enable_developer_extras(sharedSettings(), isOn("page-inspector"));
    if (!context_ || !spelling_) return;
    checkSpelling(context_.get(), isOn("spell-checking"), listOf("spell-checking-languages"));
}

void Site::initializeNotificationPermissionsCb(WebKitWebContext* context, Site* self) {
    WebKitSecurityOrigin* origin =
        webkit_security_origin_new_for_uri(self->trust_.home().url().c_str());
    if (origin == nullptr) return;
    // The engine keeps what it was told for the processes after: the home is taken off its
    // list once the office turns reminders off.
    GList* listed = g_list_append(nullptr, origin);
    if (self->allows(PageFeature::Notifications, {true, PagePlace::MainWindow})) {
        webkit_web_context_initialize_notification_permissions(context, listed, nullptr);
    } else {
        webkit_web_context_initialize_notification_permissions(context, nullptr, listed);
    }
    g_list_free(listed);
    webkit_security_origin_unref(origin);
}

bool Site::letThrough(GTlsCertificate* presented, const std::string& failedUri, PagePlace place) {
    const bool seen = std::any_of(allowed_.begin(), allowed_.end(), [&](const auto& allowed) {
        return g_tls_certificate_is_same(allowed.get(), presented);
    });
    if (seen || !allows(PageFeature::PinnedCertificate, trust_.page(failedUri, place))) {
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
    if (!client_ || !allows(PageFeature::ClientCertificate, asker)) {
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

namespace {

std::string now() {
    GDateTime* time = g_date_time_new_now_local();
    std::string text = GText(g_date_time_format(time, "%Y-%m-%d %H:%M:%S")).get();
    g_date_time_unref(time);
    return text;
}

std::string fingerprint(GTlsCertificate* certificate) {
    GByteArray* der = nullptr;
    g_object_get(certificate, "certificate", &der, nullptr);
    if (der == nullptr) return "(illisible)";
    std::string text =
        GText(g_compute_checksum_for_data(G_CHECKSUM_SHA256, der->data, der->len)).get();
    g_byte_array_unref(der);
    return "SHA-256 " + text;
}

}  // namespace

void Site::loadFailed(const std::string& uri, const GError* error) {
    keepLast(failedLoads_, now() + " " + addressForSupport(uri) + " : " +
                               g_quark_to_string(error->domain) + " " +
                               std::to_string(error->code));
}

void Site::processEnded(WebKitWebProcessTerminationReason reason) {
    lastProcessEnd_ = now() + (reason == WEBKIT_WEB_PROCESS_CRASHED ? " : arret anormal"
                               : reason == WEBKIT_WEB_PROCESS_EXCEEDED_MEMORY_LIMIT
                                   ? " : memoire depassee"
                                   : " : arretee par le programme");
}

SupportFacts Site::supportFacts() const {
    SupportFacts facts;
    facts.toolkits = "GTK " + std::to_string(gtk_get_major_version()) + "." +
                     std::to_string(gtk_get_minor_version()) + "." +
                     std::to_string(gtk_get_micro_version()) + ", WebKitGTK " +
                     std::to_string(webkit_get_major_version()) + "." +
                     std::to_string(webkit_get_minor_version()) + "." +
                     std::to_string(webkit_get_micro_version());
    GdkDisplay* display = gdk_display_get_default();
    GListModel* monitors = display != nullptr ? gdk_display_get_monitors(display) : nullptr;
    auto* monitor = monitors != nullptr ? GDK_MONITOR(g_list_model_get_item(monitors, 0)) : nullptr;
    facts.display = std::string(display != nullptr ? G_OBJECT_TYPE_NAME(display) : "aucun") +
                    ", echelle " +
                    std::to_string(monitor != nullptr ? gdk_monitor_get_scale_factor(monitor) : 1);
    if (monitor != nullptr) g_object_unref(monitor);
    const char* renderer = g_getenv("GSK_RENDERER");
    facts.drawing =
        drawingOnProcessor()
            ? "cairo, sans OpenGL (OpenGL ne serait qu'un rendu logiciel ici)"
            : std::string("au choix de GTK") +
                  (renderer != nullptr ? std::string(" (GSK_RENDERER=") + renderer + ")" : "");
    facts.proxies = proxiesForSupport_;
    for (const SettingState& state : settingStates(settings_.get(), SettingReader::Support)) {
        facts.settings.push_back(state.key + " = " + state.value + " (" +
                                 std::string(sourceLabel(state.source)) + ")");
    }
    if (pinned_) facts.certificates.push_back("de confiance : " + fingerprint(pinned_.get()));
    if (client_) facts.certificates.push_back("client : " + fingerprint(client_.get()));
    facts.lastProcessEnd = lastProcessEnd_;
    facts.failedLoads = failedLoads_;
    return facts;
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

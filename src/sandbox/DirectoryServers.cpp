#include "sandbox/DirectoryServers.h"

#include <gio/gio.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "sandbox/SiteServer.h"

namespace delvaronte {

namespace {

// Whether something answers on that loopback port.
bool listening(unsigned port) {
    GSocketClient* client = g_socket_client_new();
    GSocketConnection* connection =
        g_socket_client_connect_to_host(client, "127.0.0.1", guint16(port), nullptr, nullptr);
    const bool answered = connection != nullptr;
    if (connection != nullptr) g_object_unref(connection);
    g_object_unref(client);
    return answered;
}

void write(const std::string& path, const std::string& text) {
    std::ofstream(path) << text;
    chmod(path.c_str(), 0644);  // the web server may read as a user of its own
}

}  // namespace

DirectoryServers::DirectoryServers(const std::string& folder, const std::string& certificate)
    : folder_(folder) {
    {
        // Three ports nothing listens on now: site servers', held together so that they
        // differ, and gone before the KDC and the web server take them.
        const SiteServer kdc, http, https;
        kdcPort_ = kdc.port();
        httpPort_ = http.port();
        httpsPort_ = https.port();
    }
    const std::string realm = kRealm, at = folder_ + "/";
    chmod(folder_.c_str(), 0755);
    write(at + "krb5.conf",
          "[libdefaults]\n default_realm = " + realm +
              "\n dns_lookup_realm = false\n dns_lookup_kdc = false\n"
              " dns_canonicalize_hostname = false\n rdns = false\n udp_preference_limit = 1\n"
              "[realms]\n " +
              realm + " = {\n  kdc = 127.0.0.1:" + std::to_string(kdcPort_) + "\n }\n");
    write(at + "kdc.conf", "[kdcdefaults]\n kdc_listen = 127.0.0.1:" + std::to_string(kdcPort_) +
                               "\n kdc_tcp_listen = 127.0.0.1:" + std::to_string(kdcPort_) +
                               "\n[realms]\n " + realm + " = {\n  database_name = " + at +
                               "principal\n  key_stash_file = " + at + "stash\n }\n" +
                               "[logging]\n kdc = FILE:" + at + "kdc.log\n");
    if (!run({"/usr/sbin/kdb5_util", "create", "-s", "-P", "cle-maitre", "-r", realm},
             "kdb5_util") ||
        !run({"/usr/sbin/kadmin.local", "-q",
              std::string("addprinc -pw ") + kClerkPassword + " " + kClerk},
             "the clerk") ||
        !run({"/usr/sbin/kadmin.local", "-q", "addprinc -randkey HTTP/127.0.0.1"}, "127.0.0.1") ||
        !run({"/usr/sbin/kadmin.local", "-q", "addprinc -randkey HTTP/localhost"}, "localhost") ||
        !run({"/usr/sbin/kadmin.local", "-q",
              "ktadd -k " + at + "http.keytab HTTP/127.0.0.1 HTTP/localhost"},
             "the web server's keys") ||
        !run({"/usr/sbin/kadmin.local", "-q",
              "ktadd -k " + at + "clerk.keytab -norandkey " + kClerk},
             "the clerk's key")) {
        return;
    }
    chmod((at + "http.keytab").c_str(), 0644);
    kdc_ = std::make_unique<Launched>(
        std::vector<std::string>{"/usr/sbin/krb5kdc", "-n"},
        std::vector<std::pair<std::string, std::string>>{{"KRB5_CONFIG", at + "krb5.conf"},
                                                         {"KRB5_KDC_PROFILE", at + "kdc.conf"}},
        at + "kdc.err");

    for (const char* each : {"", "/prive", "/mixte"}) {
        std::filesystem::create_directories(www() + each);
        chmod((www() + each).c_str(), 0755);
    }
    const std::string modules = "/usr/lib/apache2/modules/";
    std::string conf = "ServerRoot " + folder_ + "\nPidFile " + at + "httpd.pid\n" +
                       "Listen 127.0.0.1:" + std::to_string(httpPort_) +
                       "\nListen 127.0.0.1:" + std::to_string(httpsPort_) +
                       "\nServerName 127.0.0.1\n";
    for (const char* module : {"mpm_event", "authn_core", "authz_core", "authz_user", "auth_gssapi",
                               "include", "mime", "alias", "ssl"}) {
        conf +=
            std::string("LoadModule ") + module + "_module " + modules + "mod_" + module + ".so\n";
    }
    conf += "ErrorLog " + at + "error.log\n" +
            "LogFormat \"%{Host}i %U %u \\\"%{Authorization}i\\\" %>s\" seen\n" + "CustomLog " +
            at + "requests.log seen\nTypesConfig /dev/null\nAddType text/html .html .shtml\n" +
            "AddOutputFilter INCLUDES .shtml\nDocumentRoot " + www() + "\n<Directory " + www() +
            ">\n Options +Includes\n Require all granted\n</Directory>\n" +
            "Redirect /ailleurs/ http://localhost:" + std::to_string(httpPort_) + "/\n";
    // Signed in by the directory's tickets; under /mixte by the clerk's password too.
    for (const auto& [path, password] :
         {std::pair<std::string, std::string>{"/prive", "Off"}, {"/mixte", "On"}}) {
        conf += "<Location " + path + ">\n AuthType GSSAPI\n AuthName \"Annuaire\"\n" +
                " GssapiCredStore keytab:" + at + "http.keytab\n GssapiAllowedMech krb5\n" +
                " GssapiBasicAuth " + password + "\n Require valid-user\n</Location>\n";
    }
    conf += "<VirtualHost 127.0.0.1:" + std::to_string(httpsPort_) +
            ">\n SSLEngine on\n SSLCertificateFile " + certificate + "\n</VirtualHost>\n";
    write(at + "httpd.conf", conf);
    web_ = std::make_unique<Launched>(
        std::vector<std::string>{"/usr/sbin/apache2", "-X", "-f", at + "httpd.conf"},
        std::vector<std::pair<std::string, std::string>>{{"KRB5_CONFIG", at + "krb5.conf"},
                                                         {"APACHE_RUN_DIR", folder_}},
        at + "web.err");
    // Both are processes of their own: waiting here holds up nothing they need.
    for (int tries = 0; tries < 300; ++tries) {
        if (listening(kdcPort_) && listening(httpPort_) && listening(httpsPort_)) return;
        g_usleep(100 * 1000);
    }
    error_ = "the KDC or the web server did not start; see " + at;
}

DirectoryServers::~DirectoryServers() {
    if (web_) web_->stop();
    if (kdc_) kdc_->stop();
}

bool DirectoryServers::run(const std::vector<std::string>& argv, const std::string& what) {
    Launched step(
        argv,
        {{"KRB5_CONFIG", folder_ + "/krb5.conf"}, {"KRB5_KDC_PROFILE", folder_ + "/kdc.conf"}},
        folder_ + "/setup.err");
    const int status = step.waitForExit(30).value_or(-1);
    if (status != 0) error_ = "could not make " + what + "; see " + folder_ + "/setup.err";
    return status == 0;
}

std::vector<std::pair<std::string, std::string>> DirectoryServers::clientEnvironment() const {
    return {{"KRB5_CONFIG", folder_ + "/krb5.conf"}, {"KRB5CCNAME", "FILE:" + folder_ + "/ccache"}};
}

bool DirectoryServers::signInClerk() const {
    auto environment = clientEnvironment();
    Launched kinit({"/usr/bin/kinit", "-k", "-t", folder_ + "/clerk.keytab", kClerk}, environment,
                   folder_ + "/kinit.err");
    return kinit.waitForExit(30) == 0;
}

void DirectoryServers::destroyTickets() const {
    Launched({"/usr/bin/kdestroy"}, clientEnvironment()).waitForExit(30);
}

void DirectoryServers::stopKdc() {
    if (kdc_) kdc_->stop();
}

std::string DirectoryServers::requests() const {
    std::ifstream log(folder_ + "/requests.log");
    return {std::istreambuf_iterator<char>(log), std::istreambuf_iterator<char>()};
}

}  // namespace delvaronte

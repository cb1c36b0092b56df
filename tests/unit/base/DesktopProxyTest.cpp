// Which proxy the pages and the update check go through.
#include <gtest/gtest.h>

#include "base/DesktopProxy.h"

using namespace delvaronte;

TEST(DesktopProxy, GnomesSettingsFirstThenTheEnvironment) {
    using Mode = ProxyChoice::Mode;
    const GnomeProxy manual{"manual", "proxy.lan", "", 3128, 0, {"localhost", "*.lan"}};
    const GnomeProxy none{"none", "proxy.lan", "", 3128, 0, {}};
    const GnomeProxy automatic{"auto", "", "", 0, 0, {}};
    const GnomeProxy hostless{"manual", "", "", 0, 0, {}};
    struct Row {
        const char* name;
        ProxySources sources;
        Mode mode;
        std::map<std::string, std::string> proxies;
        std::vector<std::string> ignore;
    };
    const Row rows[] = {
        {"nothing set", {}, Mode::System, {}, {}},
        {"GNOME manual over the environment",
         {manual, "http://env:1", "", ""},
         Mode::Custom,
         {{"http", "http://proxy.lan:3128"}},
         {"localhost", "*.lan"}},
        {"GNOME automatic: its PAC file, through the system",
         {automatic, "http://env:1", "", ""},
         Mode::System,
         {},
         {}},
        {"GNOME none: the environment",
         {none, "proxy:3128", "https://secure:443", " compta.lan , 10.0.0.0/8,"},
         Mode::Custom,
         {{"http", "http://proxy:3128"}, {"https", "https://secure:443"}},
         {"compta.lan", "10.0.0.0/8"}},
        {"GNOME manual without a host", {hostless, "", "", ""}, Mode::System, {}, {}}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const ProxyChoice choice = chooseProxies(row.sources);
        EXPECT_EQ(choice.mode, row.mode);
        EXPECT_EQ(choice.proxies, row.proxies);
        EXPECT_EQ(choice.ignoreHosts, row.ignore);
        EXPECT_TRUE(choice.credentials.empty());
    }
    // A user and password in the address: out of it, kept for that proxy, decoded.
    const ProxyChoice given = chooseProxies(
        {std::nullopt, "alice:s%40cret@proxy.lan:3128", "https://bob@secure:443", ""});
    EXPECT_EQ(given.proxies.at("http"), "http://proxy.lan:3128");
    EXPECT_EQ(given.proxies.at("https"), "https://secure:443");
    EXPECT_EQ(given.credentials.at("proxy.lan"), (ProxyChoice::Credentials{"alice", "s@cret"}));
    EXPECT_EQ(given.credentials.at("secure"), (ProxyChoice::Credentials{"bob", ""}));
}

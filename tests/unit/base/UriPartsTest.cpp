// Parts of addresses, read as the web engine reads them.
#include <gtest/gtest.h>

#include "base/UriParts.h"

using namespace delvaronte;

TEST(UriParts, HostsAsTheEngineReadsThem) {
    const std::pair<std::string, std::string> cases[] = {
        {"https://compta.exemple.ma/q?soc=Soci%E9t%E9", "compta.exemple.ma"},
        {"HTTPS://Compta.Exemple.MA:8443/", "compta.exemple.ma"},
        {"https://user:p%40ss@a@compta.exemple.ma/", "compta.exemple.ma"},
        {"http://[::1]:8080/", "::1"},
        {"https://soci%C3%A9t%C3%A9.ma/", "xn--socit-esab.ma"},
        {"http://X%F9/", "x\xF9"},
        // Forms the engine rewrites before it asks: numbers of an IPv4 address, one spelling
        // of an IPv6 address, a backslash as a slash.
        {"http://0x7f.1:8080/", "127.0.0.1"},
        {"http://2130706433/", "127.0.0.1"},
        {"http://0177.0.0.01./", "127.0.0.1"},
        {"http://[::FFFF:127.0.0.1]:8080/", "::ffff:127.0.0.1"},
        {"http://[::ffff:7f00:1]/", "::ffff:127.0.0.1"},
        {"http://127.0.0.1:8080\\factures", "127.0.0.1"},
        {"https:\\\\compta.exemple.ma\\x", "compta.exemple.ma"},
        {"http://1.2.3.4.5/", "1.2.3.4.5"},
        {"http://0x100.1/", "0x100.1"}};  // capitals the IDN conversion cannot take
    for (const auto& [url, host] : cases) EXPECT_EQ(uriHost(url), host) << url;
    for (const char* url : {"http://[fe80::1/", "mailto:compta@exemple.ma", "compta.exemple.ma/x"})
        EXPECT_EQ(uriHost(url), "") << url;
    for (const char* text : {"", "pas une adresse", "https://exemple .ma/", "https://a.ma/\x7F"})
        EXPECT_FALSE(parsesAsUrl(text)) << text;
    for (const char* url :
         {"mailto:compta@exemple.ma", "https://a.ma/?soc=Soci%E9t%E9&t=20%&n=%00"})
        EXPECT_TRUE(parsesAsUrl(url)) << url;
}

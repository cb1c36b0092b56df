// What a page may do, decided in this one place: the trust table over the home origin, with the
// office's setting for each feature that has one.
#pragma once

#include <string>

#include "shell/OfficeSettings.h"
#include "shell/rules/PageTrust.h"

namespace delvaronte {

class HomeRules {
public:
    HomeRules(const std::string& homeUrl, const OfficeSettings& office)
        : trust_(HomeOrigin(homeUrl)), office_(office) {}

    const PageTrust& trust() const { return trust_; }
    // The configuration editor saved another address.
    void setHome(const std::string& url) { trust_ = PageTrust(HomeOrigin(url)); }
    // Whether that page may have that feature: the trust table's rule and the office's
    // setting for it together ("home-notifications", "remember-sign-in").
    bool allows(PageFeature feature, const Asker& asker) const;

private:
    PageTrust trust_;
    const OfficeSettings& office_;
};

}  // namespace delvaronte

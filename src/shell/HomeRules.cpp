#include "shell/HomeRules.h"

namespace delvaronte {

bool HomeRules::allows(PageFeature feature, const Asker& asker) const {
    if (!delvaronte::allows(feature, asker)) return false;
    if (feature == PageFeature::Notifications) return office_.isOn("home-notifications");
    if (feature == PageFeature::SavedSignIn) return office_.isOn("remember-sign-in");
    return true;
}

}  // namespace delvaronte

#include "base/HomeOrigin.h"

#include "base/UriParts.h"

namespace delvaronte {

HomeOrigin::HomeOrigin(std::string_view url)
    : url_(url), host_(uriHost(url)), origin_(uriOrigin(url)) {}

bool HomeOrigin::isHomeOrigin(std::string_view address) const {
    return !origin_.empty() && uriOrigin(address) == origin_;
}

bool HomeOrigin::isHomeAddress(std::string_view address) const {
    return !host_.empty() && uriHost(address) == host_;
}

}  // namespace delvaronte

#include "update/rules/ManifestAddress.h"

namespace delvaronte {

const char* manifestAddress() {
    return DELVARONTE_UPDATE_URL;
}

}  // namespace delvaronte

#pragma once

namespace delvaronte {

// The version manifest's address, fixed when the program is built.
const char* manifestAddress();

}  // namespace delvaronte

// Who the program is to the desktop: one name for each, read wherever it is needed.
#pragma once

namespace delvaronte {

// The application id: the desktop entry, the icon, the single instance, the notifications.
inline constexpr char kApplicationId[] = "ma.delvaronte.Delvaronte";
// The folder under the user's configuration, data and cache folders.
inline constexpr char kDataFolderName[] = "Delvaronte";

}  // namespace delvaronte

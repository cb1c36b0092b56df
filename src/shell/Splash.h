// The white overlay with the logo and a spinner, shown over the main web view until the
// first page is done.
#pragma once

#include <gtk/gtk.h>

namespace delvaronte {

inline constexpr int kSplashLogoMaxWidth = 450;
inline constexpr int kSplashLogoMaxHeight = 150;
inline constexpr int kSplashLogoRaise = 20;   // logo centre above the overlay's centre
inline constexpr int kSplashSpinnerGap = 25;  // from the logo's bottom to the spinner's top
inline constexpr int kSplashSpinnerSize = 32;

struct Splash {
    GtkWidget* view;     // the overlay itself (floating until placed)
    GtkWidget* spinner;  // already spinning
};

Splash buildSplash();

}  // namespace delvaronte

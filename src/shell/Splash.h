// The white overlay with the logo and a spinner, shown over the main web view until the
// first page is done, then faded out.
#pragma once

#include <gtk/gtk.h>

#include <functional>

#include "base/GObjectPtr.h"

namespace delvaronte {

inline constexpr int kSplashLogoMaxWidth = 450;
inline constexpr int kSplashLogoMaxHeight = 150;
inline constexpr int kSplashLogoRaise = 20;   // logo centre above the overlay's centre
inline constexpr int kSplashSpinnerGap = 25;  // from the logo's bottom to the spinner's top
inline constexpr int kSplashSpinnerSize = 32;
inline constexpr gint64 kSplashFadeMicroseconds = 500'000;

class Splash {
public:
    // The overlay, its spinner already spinning; placed by the caller.
    Splash();
    ~Splash();
    Splash(const Splash&) = delete;
    Splash& operator=(const Splash&) = delete;

    GtkWidget* view() const { return view_.get(); }
    GtkWidget* spinner() const { return spinner_; }

    // Fades the overlay out over half a second, then hides it, stops its spinner and calls
    // `then`. Clicks go through to the page from the start of the fade. Nothing once it is
    // hidden or fading.
    void fadeOut(std::function<void()> then = {});

private:
    static gboolean fadeTickCb(GtkWidget* widget, GdkFrameClock* clock, gpointer self);

    GRef<GtkWidget> view_;
    GtkWidget* spinner_ = nullptr;
    guint fadeTick_ = 0;
    gint64 fadeStart_ = 0;
    std::function<void()> then_;
};

}  // namespace delvaronte

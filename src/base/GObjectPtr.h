// Ownership of GLib and GObject resources, in one place, so that no other file has to pair
// its own unref or g_free calls. The one idiom of the program: GRef for a GObject, GText for
// a string GLib allocated, GOwned for GLib's other counted values (GMainLoop, GBytes, GUri,
// PangoAttrList). A raw unref elsewhere carries a comment that says why.
#pragma once

#include <glib-object.h>

#include <memory>
#include <utility>

namespace delvaronte {

// Holds one reference to a GObject.
template <typename T>
class GRef {
public:
    GRef() = default;
    ~GRef() { reset(); }
    GRef(const GRef& other) : object_(other.object_) {
        if (object_) g_object_ref(object_);
    }
    GRef(GRef&& other) noexcept : object_(std::exchange(other.object_, nullptr)) {}
    GRef& operator=(GRef other) noexcept {
        std::swap(object_, other.object_);
        return *this;
    }

    // Takes over a reference the caller owns (a "transfer full" result).
    static GRef adopt(T* object) {
        GRef ref;
        ref.object_ = object;
        return ref;
    }
    // Adds a reference of its own; a floating reference (a new widget) is sunk.
    static GRef retain(T* object) {
        GRef ref;
        if (object) ref.object_ = static_cast<T*>(g_object_ref_sink(object));
        return ref;
    }

    T* get() const { return object_; }
    explicit operator bool() const { return object_ != nullptr; }
    void reset() {
        if (object_) g_object_unref(std::exchange(object_, nullptr));
    }

private:
    T* object_ = nullptr;
};

// Holds a string (or any block) that GLib allocated and the caller must g_free.
struct GFreeDeleter {
    void operator()(void* block) const { g_free(block); }
};
using GText = std::unique_ptr<char, GFreeDeleter>;

// Holds one reference to a counted GLib value that is not a GObject, released with Release.
template <typename T, void (*Release)(T*)>
struct GReleaser {
    void operator()(T* value) const { Release(value); }
};
template <typename T, void (*Release)(T*)>
using GOwned = std::unique_ptr<T, GReleaser<T, Release>>;

// Connects a plain function pointer to a signal, cast to a GCallback here once rather than at
// every call site. Nothing checks the handler's arguments against the signal's: they must
// match what the signal's documentation gives.
template <typename Function>
gulong connectSignal(gpointer instance, const char* signal, Function* handler, gpointer data) {
    return g_signal_connect(instance, signal, reinterpret_cast<GCallback>(handler), data);
}

}  // namespace delvaronte

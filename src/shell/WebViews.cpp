#include "shell/WebViews.h"

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "base/GObjectPtr.h"
#include "base/Identity.h"
#include "shell/StartupEnvironment.h"
#include "shell/rules/FormFields.h"
#include "shell/rules/InputOrder.h"
#include "shell/rules/NotificationRequest.h"
#include "shell/rules/Spelling.h"
#include "shell/rules/TypingFocus.h"

namespace delvaronte {

WebKitNetworkSession* sharedNetworkSession() {
    static WebKitNetworkSession* session = [] {
        const std::filesystem::path data =
            std::filesystem::path(g_get_user_data_dir()) / kDataFolderName;
        const std::filesystem::path cache =
            std::filesystem::path(g_get_user_cache_dir()) / kDataFolderName;
        WebKitNetworkSession* created = webkit_network_session_new(data.c_str(), cache.c_str());
        // Without this the session keeps cookies in memory only, and a restart logs out.
        g_mkdir_with_parents(data.c_str(), 0700);
        webkit_cookie_manager_set_persistent_storage(
            webkit_network_session_get_cookie_manager(created), (data / "cookies.sqlite").c_str(),
            WEBKIT_COOKIE_PERSISTENT_STORAGE_SQLITE);
        return created;
    }();
    return session;
}

namespace {

bool canSwipe() {
    GdkDisplay* display = gdk_display_get_default();
    GdkSeat* seat = display != nullptr ? gdk_display_get_default_seat(display) : nullptr;
    if (seat == nullptr) return false;
    GList* devices = gdk_seat_get_devices(seat, GDK_SEAT_CAPABILITY_ALL);
    bool found = false;
    for (GList* each = devices; each != nullptr && !found; each = each->next) {
        const GdkInputSource source = gdk_device_get_source(GDK_DEVICE(each->data));
        found = source == GDK_SOURCE_TOUCHPAD || source == GDK_SOURCE_TOUCHSCREEN;
    }
    g_list_free(devices);
    return found;
}

// The scripts every page of the program gets, the pop-ups' included. (A pop-up's page takes
// its opener's scripts and handlers whatever manager its view is given: one is shared.)
WebKitUserContentManager* sharedUserContent() {
    static WebKitUserContentManager* content = [] {
        WebKitUserContentManager* made = webkit_user_content_manager_new();
        for (const char* source : {kTypingFocusScript, kNotificationRequestScript}) {
            WebKitUserScript* script = webkit_user_script_new(
                source, WEBKIT_USER_CONTENT_INJECT_ALL_FRAMES,
                WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_START, nullptr, nullptr);
            webkit_user_content_manager_add_script(made, script);
            webkit_user_script_unref(script);
        }
        for (const auto& [source, when] :
             {std::pair{kUserActedScript, WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_START},
              std::pair{watchTypingScript().c_str(), WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_END}}) {
            WebKitUserScript* script = webkit_user_script_new_for_world(
                source, WEBKIT_USER_CONTENT_INJECT_TOP_FRAME, when, kFormWorld, nullptr, nullptr);
            webkit_user_content_manager_add_script(made, script);
            webkit_user_script_unref(script);
        }
        webkit_user_content_manager_register_script_message_handler(made, kTypedFieldsHandler,
                                                                    kFormWorld);
        WebKitUserScript* seen = webkit_user_script_new_for_world(
            kInputSeenScript, WEBKIT_USER_CONTENT_INJECT_ALL_FRAMES,
            WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_START, kFormWorld, nullptr, nullptr);
        webkit_user_content_manager_add_script(made, seen);
        webkit_user_script_unref(seen);
        webkit_user_content_manager_register_script_message_handler(made, kInputSeenHandler,
                                                                    kFormWorld);
        return made;
    }();
    return content;
}

// Whether the spelling engine finds a dictionary of that name ("fr_FR"): where its Hunspell
// back-end looks, the user's own folder first.
bool dictionaryInstalled(const std::string& name) {
    std::vector<std::filesystem::path> folders{std::filesystem::path(g_get_user_config_dir()) /
                                               "enchant" / "hunspell"};
    for (const char* const* data = g_get_system_data_dirs(); *data != nullptr; ++data) {
        for (const char* under : {"hunspell", "myspell", "myspell/dicts"}) {
            folders.push_back(std::filesystem::path(*data) / under);
        }
    }
    std::error_code error;
    return std::any_of(folders.begin(), folders.end(), [&](const std::filesystem::path& folder) {
        return std::filesystem::exists(folder / (name + ".dic"), error) &&
               std::filesystem::exists(folder / (name + ".aff"), error);
    });
}

}  // namespace

// Underlined words get their suggestions in the page's context menu.
void checkSpelling(WebKitWebContext* context, bool on, const std::vector<std::string>& chosen) {
    std::vector<std::string> languages;
    if (chosen.empty()) {
        languages = spellingLanguages(g_get_language_names()[0], dictionaryInstalled);
    } else {
        std::copy_if(chosen.begin(), chosen.end(), std::back_inserter(languages),
                     dictionaryInstalled);
    }
    std::vector<const char*> names;
    for (const auto& language : languages) names.push_back(language.c_str());
    names.push_back(nullptr);
    if (!languages.empty()) webkit_web_context_set_spell_checking_languages(context, names.data());
    webkit_web_context_set_spell_checking_enabled(context, on && !languages.empty());
}

WebKitSettings* sharedSettings() {
    static WebKitSettings* settings = [] {
        WebKitSettings* created = webkit_settings_new();
        webkit_settings_set_enable_developer_extras(created, TRUE);
        webkit_settings_set_enable_javascript(created, TRUE);
        // Pages open pop-ups from script without a click, as the accounting application does.
        webkit_settings_set_javascript_can_open_windows_automatically(created, TRUE);
        webkit_settings_set_user_agent(created, kUserAgent);
        // Back and forward with a two-finger swipe, in the main window and the pop-ups, where
        // there is something to swipe on: the engine keeps a picture of every page left for
        // the gesture, some 400 MiB over a day, which a mouse alone would never use.
        webkit_settings_set_enable_back_forward_navigation_gestures(created, canSwipe());
        if (drawingOnProcessor()) {
            webkit_settings_set_hardware_acceleration_policy(
                created, WEBKIT_HARDWARE_ACCELERATION_POLICY_NEVER);
        }
        return created;
    }();
    return settings;
}

uint64_t physicalMemoryMiB() {
    const long pages = sysconf(_SC_PHYS_PAGES), size = sysconf(_SC_PAGESIZE);
    return pages > 0 && size > 0 ? uint64_t(pages) * uint64_t(size) / (uint64_t(1) << 20) : 0;
}

WebKitWebView* newMainWebView(const MemoryCeiling& ceiling) {
    // The settings go with the web context, which the program makes once.
    static WebKitWebContext* context = [&ceiling] {
        WebKitMemoryPressureSettings* memory = webkit_memory_pressure_settings_new();
        webkit_memory_pressure_settings_set_memory_limit(memory, guint(ceiling.limitMiB));
        // Each threshold must stay below the next: the urgent one first, from the defaults.
        webkit_memory_pressure_settings_set_strict_threshold(memory, ceiling.urgentAt);
        webkit_memory_pressure_settings_set_conservative_threshold(memory, ceiling.freeAt);
        webkit_memory_pressure_settings_set_kill_threshold(memory, ceiling.endAt);
        webkit_memory_pressure_settings_set_poll_interval(memory, ceiling.pollSeconds);
        auto* made = WEBKIT_WEB_CONTEXT(
            g_object_new(WEBKIT_TYPE_WEB_CONTEXT, "memory-pressure-settings", memory, nullptr));
        webkit_memory_pressure_settings_free(memory);
        return made;
    }();
    return WEBKIT_WEB_VIEW(g_object_new(
        WEBKIT_TYPE_WEB_VIEW, "web-context", context, "network-session", sharedNetworkSession(),
        "settings", sharedSettings(), "user-content-manager", sharedUserContent(), nullptr));
}

WebKitWebView* newRelatedWebView(WebKitWebView* opener) {
    return WEBKIT_WEB_VIEW(g_object_new(WEBKIT_TYPE_WEB_VIEW, "related-view", opener, "settings",
                                        sharedSettings(), "user-content-manager",
                                        sharedUserContent(), nullptr));
}

void applyProxies(WebKitNetworkSession* session, const ProxyChoice& choice) {
    if (choice.mode == ProxyChoice::Mode::System) {
        webkit_network_session_set_proxy_settings(session, WEBKIT_NETWORK_PROXY_MODE_DEFAULT,
                                                  nullptr);
        return;
    }
    std::vector<const char*> ignore;
    for (const auto& host : choice.ignoreHosts) ignore.push_back(host.c_str());
    ignore.push_back(nullptr);
    WebKitNetworkProxySettings* settings =
        webkit_network_proxy_settings_new(nullptr, ignore.data());
    for (const auto& [scheme, proxy] : choice.proxies) {
        webkit_network_proxy_settings_add_proxy_for_scheme(settings, scheme.c_str(), proxy.c_str());
    }
    webkit_network_session_set_proxy_settings(session, WEBKIT_NETWORK_PROXY_MODE_CUSTOM, settings);
    webkit_network_proxy_settings_free(settings);
}

GtkWindow* windowOf(WebKitWebView* view) {
    GtkRoot* root = gtk_widget_get_root(GTK_WIDGET(view));
    return root != nullptr && GTK_IS_WINDOW(root) ? GTK_WINDOW(root) : nullptr;
}

}  // namespace delvaronte

#include "shell/EngineSettings.h"

#include "shell/WebViews.h"

namespace delvaronte {

EngineSettings::EngineSettings(OfficeSettings& office, const HomeRules& rules)
    : office_(office), rules_(rules) {
    office.onChange([this] { apply(); });
}

EngineSettings::~EngineSettings() {
    if (context_) g_signal_handlers_disconnect_by_data(context_.get(), this);
}

void EngineSettings::attach(WebKitWebContext* context) {
    context_ = GRef<WebKitWebContext>::retain(context);
    connectSignal(context, "initialize-notification-permissions",
                  &EngineSettings::initializeNotificationPermissionsCb, this);
    apply();
}

void EngineSettings::startSpelling() {
    spelling_ = true;
    apply();
}

void EngineSettings::apply() {
    webkit_settings_set_enable_developer_extras(sharedSettings(), office_.isOn("page-inspector"));
    if (!context_ || !spelling_) return;
    checkSpelling(context_.get(), office_.isOn("spell-checking"),
                  office_.listOf("spell-checking-languages"));
}

void EngineSettings::initializeNotificationPermissionsCb(WebKitWebContext* context,
                                                         EngineSettings* self) {
    WebKitSecurityOrigin* origin =
        webkit_security_origin_new_for_uri(self->rules_.trust().home().url().c_str());
    if (origin == nullptr) return;
    // The engine keeps what it was told for the processes after: the home is taken off its
    // list once the office turns reminders off.
    GList* listed = g_list_append(nullptr, origin);
    if (self->rules_.allows(PageFeature::Notifications, {true, PagePlace::MainWindow})) {
        webkit_web_context_initialize_notification_permissions(context, listed, nullptr);
    } else {
        webkit_web_context_initialize_notification_permissions(context, nullptr, listed);
    }
    g_list_free(listed);
    webkit_security_origin_unref(origin);
}

}  // namespace delvaronte

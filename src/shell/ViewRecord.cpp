#include "shell/ViewRecord.h"

namespace delvaronte {

namespace {

// Private to this file: nothing else reads the view's data by name.
constexpr char kRecordKey[] = "delvaronte-view-record";

}  // namespace

ViewRecord::~ViewRecord() {
    if (retry.timer != 0) g_source_remove(retry.timer);
    if (stuckTimer != 0) g_source_remove(stuckTimer);
}

ViewRecord& recordOf(WebKitWebView* view) {
    auto* record = static_cast<ViewRecord*>(g_object_get_data(G_OBJECT(view), kRecordKey));
    if (record == nullptr) {
        record = new ViewRecord;
        g_object_set_data_full(
            G_OBJECT(view), kRecordKey, record,
            +[](gpointer data) { delete static_cast<ViewRecord*>(data); });
    }
    return *record;
}

}  // namespace delvaronte

#include "update/ManifestFetch.h"

#include <libsoup/soup.h>

#include "base/GObjectPtr.h"

namespace delvaronte {

namespace {

constexpr gsize kReadChunk = gsize{64} * 1024;

// One fetch in flight; it owns itself and is deleted when done has run.
struct Fetch {
    GRef<SoupSession> session;
    GRef<SoupMessage> message;
    GRef<GCancellable> cancellable = GRef<GCancellable>::adopt(g_cancellable_new());
    GRef<GInputStream> stream;
    std::string body;
    size_t limit = 0;
    std::function<void(FetchResult)> done;
    std::map<std::string, ProxyChoice::Credentials> proxyCredentials;
    std::string url;  // as the request first went

    void finish(FetchResult::Status status) {
        g_signal_handlers_disconnect_by_data(message.get(), this);
        FetchResult result{
            status, status == FetchResult::Status::Received ? std::move(body) : std::string()};
        if (stream)
            g_input_stream_close_async(stream.get(), G_PRIORITY_DEFAULT, nullptr, nullptr, nullptr);
        auto callback = std::move(done);
        delete this;
        callback(std::move(result));
    }

    void readMore() {
        g_input_stream_read_bytes_async(stream.get(), kReadChunk, G_PRIORITY_DEFAULT, nullptr,
                                        &Fetch::readCb, this);
    }

    // libsoup is about to send the request again: to where a redirect pointed, never off
    // https (a manifest from a plain http address could be anyone's); to the same address, with
    // the proxy's credentials, as asked.
    static void restartedCb(SoupMessage* message, Fetch* fetch) {
        GUri* now = soup_message_get_uri(message);
        if (GText(g_uri_to_string(now)).get() != fetch->url &&
            g_strcmp0(g_uri_get_scheme(now), "https") != 0) {
            g_cancellable_cancel(fetch->cancellable.get());
        }
    }

    // A proxy that asks gets the user and password the session's address gave it, once; one
    // that refuses them, or asks without any given, gets nothing: the check fails.
    static gboolean authenticateCb(SoupMessage*, SoupAuth* auth, gboolean retrying, Fetch* fetch) {
        if (!soup_auth_is_for_proxy(auth) || retrying) return FALSE;
        std::string host = soup_auth_get_authority(auth);
        if (const size_t colon = host.rfind(':'); colon != std::string::npos) host.resize(colon);
        const auto given = fetch->proxyCredentials.find(host);
        if (given == fetch->proxyCredentials.end()) return FALSE;
        // Answered at once: nothing to wait for, so the handler does not claim the request.
        soup_auth_authenticate(auth, given->second.user.c_str(), given->second.password.c_str());
        return FALSE;
    }

    static void sentCb(GObject* source, GAsyncResult* result, gpointer data) {
        auto* fetch = static_cast<Fetch*>(data);
        GInputStream* stream = soup_session_send_finish(SOUP_SESSION(source), result, nullptr);
        if (stream == nullptr) return fetch->finish(FetchResult::Status::Failed);
        fetch->stream = GRef<GInputStream>::adopt(stream);
        // Only the manifest itself is one: an error page is not, whatever its body says, and
        // like any unusable body it is met with silence.
        if (soup_message_get_status(fetch->message.get()) != SOUP_STATUS_OK) {
            return fetch->finish(FetchResult::Status::NotAManifest);
        }
        fetch->readMore();
    }

    static void readCb(GObject* source, GAsyncResult* result, gpointer data) {
        auto* fetch = static_cast<Fetch*>(data);
        const GOwned<GBytes, g_bytes_unref> bytes(
            g_input_stream_read_bytes_finish(G_INPUT_STREAM(source), result, nullptr));
        if (!bytes) return fetch->finish(FetchResult::Status::Failed);
        gsize size = 0;
        const auto* chunk = static_cast<const char*>(g_bytes_get_data(bytes.get(), &size));
        if (size > 0) fetch->body.append(chunk, size);

        if (size == 0) return fetch->finish(FetchResult::Status::Received);
        if (fetch->body.size() > fetch->limit) return fetch->finish(FetchResult::Status::TooLarge);
        fetch->readMore();
    }
};

}  // namespace

bool fetchManifest(const std::string& url, unsigned timeoutSeconds, size_t limit,
                   GTlsDatabase* authorities, GProxyResolver* proxy,
                   const std::map<std::string, ProxyChoice::Credentials>& proxyCredentials,
                   std::function<void(FetchResult)> done) {
    SoupMessage* message = soup_message_new(SOUP_METHOD_GET, url.c_str());
    if (message == nullptr) return false;

    auto* fetch = new Fetch;
    fetch->message = GRef<SoupMessage>::adopt(message);
    // A session of its own: checks share nothing, and no cache feature is ever added.
    fetch->session =
        GRef<SoupSession>::adopt(soup_session_new_with_options("timeout", timeoutSeconds, nullptr));
    if (authorities != nullptr) soup_session_set_tls_database(fetch->session.get(), authorities);
    if (proxy != nullptr) soup_session_set_proxy_resolver(fetch->session.get(), proxy);
    connectSignal(message, "restarted", &Fetch::restartedCb, fetch);
    connectSignal(message, "authenticate", &Fetch::authenticateCb, fetch);
    fetch->proxyCredentials = proxyCredentials;
    fetch->url = GText(g_uri_to_string(soup_message_get_uri(message))).get();
    fetch->limit = limit;
    fetch->done = std::move(done);
    soup_session_send_async(fetch->session.get(), message, G_PRIORITY_DEFAULT,
                            fetch->cancellable.get(), &Fetch::sentCb, fetch);
    return true;
}

}  // namespace delvaronte

#include "shell/rules/RetrySchedule.h"

#include <gio/gio.h>

#include <array>
#include <utility>

namespace delvaronte {

namespace {

constexpr std::array<int64_t, 6> kFirstDelaysMs = {1'000, 5'000, 30'000, 60'000, 300'000, 600'000};
constexpr int64_t kLaterDelayMs = 1'800'000;

}  // namespace

LoadFailure classifyLoadFailure(GQuark domain, int code) {
    if (domain == G_TLS_ERROR) return LoadFailure::Certificate;
    if (domain == G_RESOLVER_ERROR) return LoadFailure::Unreachable;  // name not resolved
    if (domain != G_IO_ERROR) return LoadFailure::Other;
    switch (code) {
        case G_IO_ERROR_CONNECTION_REFUSED:
        case G_IO_ERROR_CONNECTION_CLOSED:  // reset by the peer, or cut
        case G_IO_ERROR_HOST_UNREACHABLE:
        case G_IO_ERROR_NETWORK_UNREACHABLE:
        case G_IO_ERROR_TIMED_OUT:
        case G_IO_ERROR_HOST_NOT_FOUND:
            return LoadFailure::Unreachable;
        default:
            return LoadFailure::Other;
    }
}

bool retriesByItself(LoadFailure failure, bool formWasSent) {
    return failure == LoadFailure::Unreachable && !formWasSent;
}

int64_t retryDelayMs(int attempt) {
    if (attempt < 0) attempt = 0;
    return static_cast<size_t>(attempt) < kFirstDelaysMs.size() ? kFirstDelaysMs[size_t(attempt)]
                                                                : kLaterDelayMs;
}

bool mayRetryNow(const RetryMoment& moment) {
    return moment.networkAvailable && moment.windowShown && !moment.loading;
}

bool RetryState::failed(std::string uri) {
    const bool retried = std::exchange(inFlight_, false);
    uri_ = std::move(uri);
    if (!retried) attempt_ = 0;
    due_ = false;
    return !retried;
}

bool RetryState::networkBack() {
    if (!scheduled() || due_ || inFlight_) return false;
    due_ = true;
    return true;
}

std::optional<std::string> RetryState::start(const RetryMoment& moment) {
    if (!due_ || !mayRetryNow(moment)) return std::nullopt;
    due_ = false;
    inFlight_ = true;
    ++attempt_;
    return uri_;
}

}  // namespace delvaronte

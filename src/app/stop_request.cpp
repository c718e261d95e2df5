#include "app/stop_request.h"

#include <atomic>

namespace {

std::atomic<bool> stopRequested{false};

} // namespace

bool StopRequested() {
    return stopRequested.load();
}

void RequestStop() {
    stopRequested.store(true);
}

void ClearStopRequest() {
    stopRequested.store(false);
}

#include "WheelWatcher.h"

namespace platform {

WheelWatcher::WheelWatcher() = default;
WheelWatcher::~WheelWatcher() = default;

void WheelWatcher::watch(QWidget* window, std::function<void(int)> callback) {
    watchers_[window] = std::move(callback);
}

void WheelWatcher::unwatch(QWidget* window) {
    watchers_.remove(window);
}

} // namespace platform

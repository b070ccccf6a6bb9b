#pragma once

#include <QHash>

#include <functional>

class QWidget;

namespace platform {

// Reports wheel notches anywhere on the screen to the watcher of the active
// window (the pointer need not be over it).
class WheelWatcher {
public:
    WheelWatcher();
    ~WheelWatcher();
    void watch(QWidget* window, std::function<void(int notch)> callback);
    void unwatch(QWidget* window);

private:
    QHash<QWidget*, std::function<void(int)>> watchers_;
};

} // namespace platform

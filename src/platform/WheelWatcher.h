#pragma once

#include <QHash>

#include <functional>
#include <memory>

class QWidget;

namespace platform {

// Reports wheel notches anywhere on the screen to the watcher of the active
// window (the pointer need not be over it). On X11 it listens to the raw
// button events of the root window; elsewhere nothing is reported.
class WheelWatcher {
public:
    WheelWatcher();
    ~WheelWatcher();
    WheelWatcher(const WheelWatcher&) = delete;
    WheelWatcher& operator=(const WheelWatcher&) = delete;

    void watch(QWidget* window, std::function<void(int notch)> callback);
    void unwatch(QWidget* window);

    // One notch (+1 towards the user, -1 away) for the watcher of the active
    // window, if it has one.
    void deliver(int notch);

private:
    class RawEvents;
    void listen(bool on);

    QHash<QWidget*, std::function<void(int)>> watchers_;
    std::unique_ptr<RawEvents> raw_;
};

} // namespace platform

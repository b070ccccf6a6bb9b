#pragma once

#include <QPoint>

#include <functional>
#include <memory>
#include <optional>

namespace platform {

// Knows where the pointer is without a round trip to the X server on every
// read. The RECORD extension reports every pointer motion the server
// processes, warps from other programs included, on a connection of our own;
// a read with no motion since the last one makes no X request at all, and a
// still pointer wakes nothing.
class X11PointerTracker {
public:
    // nullptr without X11, without RECORD (some servers leave it out), or
    // when the server refuses the recording.
    static std::unique_ptr<X11PointerTracker> start();
    ~X11PointerTracker();
    X11PointerTracker(const X11PointerTracker&) = delete;
    X11PointerTracker& operator=(const X11PointerTracker&) = delete;

    // The pointer in root-window pixels, or nullopt while the position is not
    // known from the recording: the caller then asks the server itself.
    std::optional<QPoint> position();

    // Calls `moved` once at the next recorded motion; one call per `who` is
    // kept and an empty function withdraws it. False while nothing is being
    // recorded, where the caller must keep asking.
    bool wakeAtMotion(const void* who, std::function<void()> moved);

private:
    class Impl;
    explicit X11PointerTracker(std::unique_ptr<Impl> d);
    std::unique_ptr<Impl> d_;
};

} // namespace platform

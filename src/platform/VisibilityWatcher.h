#pragma once

#include <QHash>

#include <cstdint>
#include <memory>

class QWidget;

namespace platform {

// Whether a top-level window lies wholly uncovered, as the X server reports
// it (visibility events). A window that keeps itself on top every tick asks
// for a restack only when something covers it, instead of making the window
// manager restack it a hundred times a second.
class VisibilityWatcher {
public:
    VisibilityWatcher();
    ~VisibilityWatcher();
    VisibilityWatcher(const VisibilityWatcher&) = delete;
    VisibilityWatcher& operator=(const VisibilityWatcher&) = delete;

    // Starts watching a window that has its native window. The server
    // reports changes only, so a window watched from before it is mapped is
    // known from its first map on.
    void watch(QWidget* window);
    // True once the shown window is known uncovered and nothing covered it
    // since; false where that is not known or X is not at hand.
    bool uncovered(QWidget* window);
    // The window was just restacked on top. A window first watched while
    // already shown gets no report for the state it is in, so it counts as
    // uncovered from here until the server reports it covered.
    void raised(QWidget* window);

private:
    class Events;
    std::unique_ptr<Events> events_;
};

} // namespace platform

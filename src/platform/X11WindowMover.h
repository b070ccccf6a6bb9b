#pragma once

#include <QHash>
#include <QPoint>

class QWidget;

namespace platform {

class OwnX11Connection;

// Moves a window that follows the pointer straight through the X server.
// Qt's own move writes the size hints, and each move then comes back as a
// configure from the window manager, after which Qt asks the server for the
// frame extents: a round trip and four wake-ups per move. While a window
// moves this way, Qt does not hear of its moves; `end` tells it the place.
class X11WindowMover {
public:
    // False where this cannot be done (not X11, or the window not yet
    // exposed, since Qt still needs to hear it mapped): move it through Qt.
    // The move itself goes out with the other requests of the tick on `own`.
    bool move(QWidget* window, QPoint to, OwnX11Connection& own);
    // Qt takes the window's moves and place again.
    void end(QWidget* window);
    // Where the window stands on the screen, also while Qt does not know.
    QPoint topLeft(const QWidget* window) const;

private:
    struct Quiet {
        unsigned win = 0; // the native window made quiet
        QPoint at;
    };
    // The form ends it before it hides; an entry left by a window since
    // destroyed is only overwritten.
    QHash<const QWidget*, Quiet> quiet_;
};

} // namespace platform

#pragma once

#include <QString>
#include <QStringList>

namespace platform {

// Why the program could not reach its X display, in one line; empty when it
// can, or when Qt is told to use a platform other than X11. Checked before
// QApplication, which would otherwise abort with a message of its own.
// arguments: the command line, for Qt's -display and -platform.
QString DisplayProblem(const QStringList& arguments);

// The X display the program is for: Qt's -display, else $DISPLAY.
QString DisplayName(const QStringList& arguments);

// Ends a launcher's startup feedback (the busy pointer, the entry in the
// task list) for a start that showed no window of its own: a later start that
// handed over to the running instance. Does nothing for an empty id.
void EndStartupFeedback(const QString& display, const QString& startupId);

} // namespace platform

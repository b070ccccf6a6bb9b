#pragma once

#include <QAbstractEventDispatcher>
#include <QCoreApplication>

// Ends a tick as the running program does: pending events are handled, then
// the loop is about to wait, which is when our own X requests leave.
inline void FinishTick() {
    QCoreApplication::processEvents();
    if (QAbstractEventDispatcher* d = QAbstractEventDispatcher::instance()) emit d->aboutToBlock();
}

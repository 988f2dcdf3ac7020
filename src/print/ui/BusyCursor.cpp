#include "BusyCursor.h"

#include <QCursor>
#include <QGuiApplication>

namespace pg {

TBusyCursor::TBusyCursor()
    : active_(qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr) {
    if (active_)
        QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
}

TBusyCursor::~TBusyCursor() {
    if (active_)
        QGuiApplication::restoreOverrideCursor();
}

} // namespace pg

#include "platform/qt/BusyCursor.h"

#include <QApplication>

TBusyCursor::TBusyCursor() { Show(true); }

TBusyCursor::~TBusyCursor() { Show(false); }

void TBusyCursor::Show(bool busy)
{
    if (busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

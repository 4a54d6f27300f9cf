#include "platform/qt/FormParts.h"

#include <QAction>

void SetHint(QAction& action, const QString& hint)
{
    if (hint.isEmpty()) return;
    const qsizetype bar = hint.indexOf('|');
    action.setToolTip(bar < 0 ? hint : hint.left(bar));
    action.setStatusTip(bar < 0 ? hint : hint.mid(bar + 1));
}

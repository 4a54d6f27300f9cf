#include "platform/qt/FormParts.h"

#include <QAction>
#include <QWidget>

#include "platform/qt/ErrorReport.h"

void SetHint(QAction& action, const QString& hint)
{
    if (hint.isEmpty()) return;
    const qsizetype bar = hint.indexOf('|');
    action.setToolTip(bar < 0 ? hint : hint.left(bar));
    action.setStatusTip(bar < 0 ? hint : hint.mid(bar + 1));
}

QAction* MakeAction(QWidget* window, QObject* owner, const QString& name, const QString& caption,
                    const QString& hint, std::function<void()> handler)
{
    auto* action = new QAction(caption, owner);
    action->setObjectName(name);
    SetHint(*action, hint);
    QObject::connect(action, &QAction::triggered, window,
                     [window, handler = std::move(handler)]() { RunGuarded(window, handler); });
    return action;
}

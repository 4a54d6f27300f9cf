#pragma once
// What forms of both programs do while they build their parts: give a part
// the object name tests and the code find it by, split an action's
// "short|long" hint and make a command's action.
#include <QString>
#include <functional>

class QAction;
class QObject;
class QWidget;

// Sets the object name of a freshly made part and hands it back, so that one
// layout line makes and names it.
template <class T>
T* Named(T* part, const char* name)
{
    part->setObjectName(QString::fromLatin1(name));
    return part;
}

// The two parts of a "short|long" hint: the tool tip before the bar, the
// status tip after it; a hint without a bar serves as both. An empty hint
// leaves the action as it is.
void SetHint(QAction& action, const QString& hint);

// The action `name` (its object name) with its caption and hint, owned by
// `owner`. Its handler runs while `window` lives; whatever the handler
// throws is shown in the "Error" box over `window`.
QAction* MakeAction(QWidget* window, QObject* owner, const QString& name, const QString& caption,
                    const QString& hint, std::function<void()> handler);

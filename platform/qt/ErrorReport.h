#pragma once
// How a failure reaches the user in both programs: one text for an
// exception, the "Error" box, and the application object whose event
// dispatch shows what a handler let escape instead of ending the program.
#include <QApplication>
#include <QString>
#include <exception>
#include <functional>

class QWidget;

// The text of a failure as the user reads it; a failed allocation is the
// run time's "Out of memory", not the library's type name.
QString ErrorText(const std::exception& error);
// Shows `text` in the "Error" box; a failure to show it is swallowed.
void ShowErrorBox(QWidget* parent, const QString& text) noexcept;
// Runs `action`; whatever it throws is shown in the "Error" box. Returns
// false when it threw.
bool RunGuarded(QWidget* parent, const std::function<void()>& action) noexcept;

// Qt cannot carry an exception through its event loop: one that reaches the
// loop is shown and the program goes on.
class TGuardedApplication : public QApplication {
public:
    using QApplication::QApplication;
    bool notify(QObject* receiver, QEvent* event) override;
};

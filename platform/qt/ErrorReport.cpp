#include "platform/qt/ErrorReport.h"

#include <new>

#include "platform/qt/UiServices.h"

namespace {

void ShowCurrentException(QWidget* parent) noexcept
{
    try {
        throw;
    } catch (const std::exception& error) {
        ShowErrorBox(parent, ErrorText(error));
    } catch (...) {
        ShowErrorBox(parent, QStringLiteral("Unknown error."));
    }
}

} // namespace

QString ErrorText(const std::exception& error)
{
    if (dynamic_cast<const std::bad_alloc*>(&error)) return QStringLiteral("Out of memory");
    return QString::fromUtf8(error.what());
}

void ShowErrorBox(QWidget* parent, const QString& text) noexcept
{
    try {
        Ui().MessageBox(parent, QStringLiteral("Error"), text, TMsgIcon::Error);
    } catch (...) {
        // Nothing more can be shown.
    }
}

bool RunGuarded(QWidget* parent, const std::function<void()>& action) noexcept
{
    try {
        action();
        return true;
    } catch (...) {
        ShowCurrentException(parent);
        return false;
    }
}

bool TGuardedApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        ShowCurrentException(nullptr);
    }
    return false;
}

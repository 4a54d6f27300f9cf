#pragma once
// The application-wide window messages between the map windows and the main
// window. They are posted to the application object and handled by the main
// window's application event filter, before any widget sees them.
#include <QCoreApplication>
#include <QEvent>

constexpr int WM_MAPZOOMSTATE = 2025;
constexpr int WM_MAPPAN = 2026;
constexpr int WM_MAPFULLSCREEN = 2027;
constexpr int WM_MAPNORMALSCREEN = 2028;
constexpr int WM_MAPHINTS = 2029;
constexpr int WM_MAPRASTERCHANGED = 2030;

inline QEvent::Type AppMessageType(int number)
{
    return static_cast<QEvent::Type>(number);
}

// Posts message `number` to the application; it takes effect once events are
// processed.
inline void PostAppMessage(int number)
{
    QCoreApplication::postEvent(QCoreApplication::instance(), new QEvent(AppMessageType(number)));
}

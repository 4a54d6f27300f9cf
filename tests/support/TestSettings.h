#pragma once
// Points the user's settings at a folder of the tests' own, so that no test
// reads or changes the real ones. On Linux the native format is the INI
// format; both are set anyway.
#include <QSettings>
#include <QString>

inline void PointTestSettingsAt(const QString& path)
{
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, path);
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, path);
}

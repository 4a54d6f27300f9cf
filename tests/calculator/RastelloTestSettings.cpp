#include "RastelloTestSettings.h"

#include <QSettings>

TTestSettingsFolder::TTestSettingsFolder()
{
    PointSettingsAt(Folder.path() + "/config");
}

TTestSettingsFolder::~TTestSettingsFolder()
{
    PointSettingsAt(Folder.path() + "/gone");
}

void TTestSettingsFolder::PointSettingsAt(const QString& path)
{
    // On Linux the native format is the INI format; both are set anyway.
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, path);
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, path);
}

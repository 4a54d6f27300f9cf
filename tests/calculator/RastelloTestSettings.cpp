#include "RastelloTestSettings.h"

#include <QSettings>

TTestSettingsFolder::TTestSettingsFolder()
{
    PointSettingsAt(Folder.path() + "/config");
}

TTestSettingsFolder::~TTestSettingsFolder()
{
    // Qt writes some settings (QtProject.conf) as late as the application's
    // exit; a path under a file can never be created, so nothing is left.
    PointSettingsAt("/dev/null/settings");
}

void TTestSettingsFolder::PointSettingsAt(const QString& path)
{
    // On Linux the native format is the INI format; both are set anyway.
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, path);
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, path);
}

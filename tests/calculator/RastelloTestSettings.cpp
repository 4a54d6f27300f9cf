#include "RastelloTestSettings.h"

#include "tests/support/TestSettings.h"

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
    PointTestSettingsAt(path);
}

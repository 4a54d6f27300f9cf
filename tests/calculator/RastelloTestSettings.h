#pragma once
// Points the user's QSettings at a fresh temporary folder for one test, so
// that tests never read or change the real image-folder list.
#include <QString>
#include <QTemporaryDir>

class TTestSettingsFolder {
public:
    TTestSettingsFolder();
    ~TTestSettingsFolder();
    TTestSettingsFolder(const TTestSettingsFolder&) = delete;
    TTestSettingsFolder& operator=(const TTestSettingsFolder&) = delete;

    // A folder for the test's own files.
    QString Path() const { return Folder.path(); }
    // Points the settings at `path` (say, one that cannot be created).
    static void PointSettingsAt(const QString& path);

private:
    QTemporaryDir Folder;
};

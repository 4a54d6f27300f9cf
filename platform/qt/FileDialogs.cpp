#include "platform/qt/FileDialogs.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <memory>

#include "platform/FileNames.h"

namespace {

// Under each program's own settings ("Quillmere"/"Lumivar", "Rastello"),
// beside the values its settings dialog stores.
constexpr const char* kOrganisation = "Quillmere";
constexpr const char* kGroup = "FileDialogs";

std::unique_ptr<QSettings> ProgramSettings()
{
    return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope, kOrganisation,
                                       QCoreApplication::applicationName());
}

QString Key(const QString& dialog)
{
    return QString::fromLatin1(kGroup) + "/" + dialog;
}

// The folder as it is on disk (names written on Windows may differ in
// case), or empty when there is none.
QString ExistingFolder(const QString& folder)
{
    if (folder.isEmpty()) return {};
    const std::string onDisk = ResolveFileCase(ToSlashes(folder.toStdString()));
    if (!DirectoryExists(onDisk)) return {};
    return QDir::cleanPath(QString::fromStdString(onDisk));
}

QString RememberedFolder(const QString& dialog)
{
    return ProgramSettings()->value(Key(dialog)).toString();
}

} // namespace

// A folder that cannot be remembered costs the user nothing but the next
// dialog's start, so a settings failure is not reported.
void RememberDialogFolder(const QString& dialog, const QString& folder)
{
    ProgramSettings()->setValue(Key(dialog), folder);
}

QString FileDialogStartFolder(const QString& dialog, const QString& proposed)
{
    for (const QString& candidate : {RememberedFolder(dialog), proposed}) {
        const QString folder = ExistingFolder(candidate);
        if (!folder.isEmpty()) return folder;
    }
    return QDir::homePath();
}

QString ChooseFileName(QWidget* parent, TFileDialogKind kind, const QString& dialog, TFileDialogRequest request)
{
    request.Folder = FileDialogStartFolder(dialog, request.Folder);
    const QString chosen = kind == TFileDialogKind::Save ? Ui().SaveFileName(parent, request)
                                                         : Ui().OpenFileName(parent, request);
    if (!chosen.isEmpty()) RememberDialogFolder(dialog, QFileInfo(chosen).absolutePath());
    return chosen;
}

QString ChooseFileToOpen(QWidget* parent, const QString& dialog, const char* windowsFilter, const QString& folder)
{
    TFileDialogRequest request;
    request.Filter = ConvertFileFilter(QString::fromLatin1(windowsFilter));
    request.Folder = folder;
    return ChooseFileName(parent, TFileDialogKind::Open, dialog, request);
}

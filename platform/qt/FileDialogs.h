#pragma once
// The file dialogs of both programs start where the user works: in the
// folder of the last file chosen in the same dialog, kept in the program's
// settings across runs; before the first choice (or when that folder is
// gone) in the folder the caller proposes, such as the open composition's
// or the palette folder; else in the user's home folder. They run through
// Ui(), so the request a recording fake sees holds the start folder.
#include <QString>

#include "platform/qt/UiServices.h"

class QWidget;

enum class TFileDialogKind { Open, Save };

// Runs the dialog of `request`, remembered under `dialog` ("OpenLayer"),
// with request.Folder as the caller's proposal; request.FileName is a name
// without folder. Returns the chosen file, empty when the user cancelled.
QString ChooseFileName(QWidget* parent, TFileDialogKind kind, const QString& dialog, TFileDialogRequest request);

// The open dialog `dialog` for the files of `windowsFilter` ("caption|*.ext"
// pairs), first in `folder`. Returns the chosen file, empty when cancelled.
QString ChooseFileToOpen(QWidget* parent, const QString& dialog, const char* windowsFilter, const QString& folder);

// The folder dialog `dialog` starts in when the caller proposes `proposed`.
QString FileDialogStartFolder(const QString& dialog, const QString& proposed);
// Keeps `folder` as where dialog `dialog` starts next time: for dialogs that
// choose folders, which ChooseFileName does not run.
void RememberDialogFolder(const QString& dialog, const QString& folder);

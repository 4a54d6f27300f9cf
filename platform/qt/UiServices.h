#pragma once
// Every message box, file, folder, colour and font picker, the beep and the
// start of a sibling program go through this one interface, so that tests
// can replace it with a recording fake and drive windows offscreen, where
// modal dialogs cannot be answered.
#include <QColor>
#include <QFont>
#include <QString>
#include <QStringList>
#include <optional>

class QFileDialog;
class QWidget;

enum class TMsgIcon { None, Information, Warning, Error, Question };
enum class TMsgButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum class TMsgResult { Ok, Cancel, Yes, No };

struct TFileDialogRequest {
    QString Caption;
    QString Filter;          // Qt's form: "Idrisi rastr files (*.rst *.RST);;All files (*)"
    QString Folder;          // where the dialog starts; empty: the current folder
    QString FileName;        // proposed name, without folder
    QString DefaultSuffix;   // appended when the user types none ("qmc")
    bool ConfirmOverwrite = true; // save dialogs only
};

class UiServices {
public:
    virtual ~UiServices() = default;

    // The box is at least as wide as its caption needs in a title bar.
    virtual TMsgResult MessageBox(QWidget* parent, const QString& caption, const QString& text, TMsgIcon icon,
                                  TMsgButtons buttons = TMsgButtons::Ok) = 0;
    // The chosen file, or an empty text when the user cancelled.
    virtual QString OpenFileName(QWidget* parent, const TFileDialogRequest& request) = 0;
    virtual QString SaveFileName(QWidget* parent, const TFileDialogRequest& request) = 0;
    // The chosen folder (without a trailing separator), or empty on cancel.
    virtual QString SelectFolder(QWidget* parent, const QString& caption, const QString& startFolder) = 0;
    // Runs a folder dialog that the caller prepared (caption, start folder,
    // position, its own validation) modally; the chosen folder (without a
    // trailing separator), or empty on cancel.
    virtual QString ExecFolderDialog(QFileDialog& dialog);
    virtual std::optional<QColor> PickColor(QWidget* parent, const QColor& initial) = 0;
    virtual std::optional<QFont> PickFont(QWidget* parent, const QFont& initial) = 0;
    virtual void Beep() = 0;
    // Starts a program detached, with no arguments; false when it could not start.
    virtual bool StartProgram(const QString& program) = 0;
};

// The services in use: the environment's (platform/Environment.h), else the
// real dialogs. Every box and picker waits for the user, so none of them
// shows the wait cursor of the command that asked (TBusyCursor::TPause).
UiServices& Ui();

// The real implementation over Qt's dialogs.
class QtUiServices : public UiServices {
public:
    TMsgResult MessageBox(QWidget* parent, const QString& caption, const QString& text, TMsgIcon icon,
                          TMsgButtons buttons) override;
    QString OpenFileName(QWidget* parent, const TFileDialogRequest& request) override;
    QString SaveFileName(QWidget* parent, const TFileDialogRequest& request) override;
    QString SelectFolder(QWidget* parent, const QString& caption, const QString& startFolder) override;
    std::optional<QColor> PickColor(QWidget* parent, const QColor& initial) override;
    std::optional<QFont> PickFont(QWidget* parent, const QFont& initial) override;
    void Beep() override;
    bool StartProgram(const QString& program) override;
};

// Converts a Windows filter ("Idrisi rastr files(*.rst/rdc)|*.rst|All (*.*)|*.*")
// into Qt's form; each pattern gets an upper-case twin because Linux matches
// case ("*.rst *.RST"), and "*.*" becomes "*".
QString ConvertFileFilter(const QString& windowsFilter);

#include "platform/qt/UiServices.h"

#include <QApplication>
#include <QColorDialog>
#include <QDir>
#include <QFileDialog>
#include <QFontDialog>
#include <QGridLayout>
#include <QMessageBox>
#include <QProcess>
#include <QSpacerItem>

#include "platform/Environment.h"
#include "platform/qt/BusyCursor.h"

namespace {

QMessageBox::Icon ToQtIcon(TMsgIcon icon)
{
    switch (icon) {
    case TMsgIcon::Information: return QMessageBox::Information;
    case TMsgIcon::Warning: return QMessageBox::Warning;
    case TMsgIcon::Error: return QMessageBox::Critical;
    case TMsgIcon::Question: return QMessageBox::Question;
    case TMsgIcon::None: break;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons ToQtButtons(TMsgButtons buttons)
{
    switch (buttons) {
    case TMsgButtons::OkCancel: return QMessageBox::Ok | QMessageBox::Cancel;
    case TMsgButtons::YesNo: return QMessageBox::Yes | QMessageBox::No;
    case TMsgButtons::YesNoCancel: return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case TMsgButtons::Ok: break;
    }
    return QMessageBox::Ok;
}

// Window managers shorten a caption that does not fit beside the title
// bar's icon and buttons ("Infor… tion"), and a box sizes itself to its
// text alone. Title bars set their caption in a bold face; the icon and up
// to three buttons take about six lines' height of room beside it.
void FitCaption(QMessageBox& box)
{
    QFont titleFont = box.font();
    titleFont.setBold(true);
    const QFontMetrics metrics(titleFont);
    const int width = metrics.horizontalAdvance(box.windowTitle()) + 6 * metrics.height();
    auto* grid = qobject_cast<QGridLayout*>(box.layout());
    if (!grid) return;
    // The layout owns the spacer; a row of its own under the rest.
    grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Fixed), grid->rowCount(), 0, 1,
                  grid->columnCount());
}

// Passes every request on to the services in use; a request that waits for
// the user takes the wait cursor away meanwhile.
class TUserWaitUi final : public UiServices {
public:
    UiServices* Target = nullptr;

    TMsgResult MessageBox(QWidget* parent, const QString& caption, const QString& text, TMsgIcon icon,
                          TMsgButtons buttons) override
    {
        TBusyCursor::TPause pause;
        return Target->MessageBox(parent, caption, text, icon, buttons);
    }
    QString OpenFileName(QWidget* parent, const TFileDialogRequest& request) override
    {
        TBusyCursor::TPause pause;
        return Target->OpenFileName(parent, request);
    }
    QString SaveFileName(QWidget* parent, const TFileDialogRequest& request) override
    {
        TBusyCursor::TPause pause;
        return Target->SaveFileName(parent, request);
    }
    QString SelectFolder(QWidget* parent, const QString& caption, const QString& startFolder) override
    {
        TBusyCursor::TPause pause;
        return Target->SelectFolder(parent, caption, startFolder);
    }
    QString ExecFolderDialog(QFileDialog& dialog) override
    {
        TBusyCursor::TPause pause;
        return Target->ExecFolderDialog(dialog);
    }
    std::optional<QColor> PickColor(QWidget* parent, const QColor& initial) override
    {
        TBusyCursor::TPause pause;
        return Target->PickColor(parent, initial);
    }
    std::optional<QFont> PickFont(QWidget* parent, const QFont& initial) override
    {
        TBusyCursor::TPause pause;
        return Target->PickFont(parent, initial);
    }
    void Beep() override { Target->Beep(); }
    bool StartProgram(const QString& program) override { return Target->StartProgram(program); }
};

} // namespace

UiServices& Ui()
{
    static QtUiServices real;
    static TUserWaitUi waiting;
    UiServices* installed = Environment().Ui;
    waiting.Target = installed ? installed : &real;
    return waiting;
}

TMsgResult QtUiServices::MessageBox(QWidget* parent, const QString& caption, const QString& text, TMsgIcon icon,
                                    TMsgButtons buttons)
{
    QMessageBox box(ToQtIcon(icon), caption, text, ToQtButtons(buttons), parent);
    FitCaption(box);
    switch (box.exec()) {
    case QMessageBox::Yes: return TMsgResult::Yes;
    case QMessageBox::No: return TMsgResult::No;
    case QMessageBox::Cancel: return TMsgResult::Cancel;
    default: return buttons == TMsgButtons::Ok ? TMsgResult::Ok : TMsgResult::Cancel;
    }
}

QString QtUiServices::OpenFileName(QWidget* parent, const TFileDialogRequest& request)
{
    const QString start =
        request.FileName.isEmpty() ? request.Folder : QDir(request.Folder).filePath(request.FileName);
    return QFileDialog::getOpenFileName(parent, request.Caption, start, request.Filter);
}

QString QtUiServices::SaveFileName(QWidget* parent, const TFileDialogRequest& request)
{
    QFileDialog dialog(parent, request.Caption, request.Folder, request.Filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(request.DefaultSuffix);
    if (!request.ConfirmOverwrite) dialog.setOption(QFileDialog::DontConfirmOverwrite);
    if (!request.FileName.isEmpty()) dialog.selectFile(request.FileName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().first();
}

QString QtUiServices::SelectFolder(QWidget* parent, const QString& caption, const QString& startFolder)
{
    return QFileDialog::getExistingDirectory(parent, caption, startFolder);
}

QString UiServices::ExecFolderDialog(QFileDialog& dialog)
{
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return QDir::cleanPath(dialog.selectedFiles().first());
}

std::optional<QColor> QtUiServices::PickColor(QWidget* parent, const QColor& initial)
{
    QColor c = QColorDialog::getColor(initial, parent);
    if (!c.isValid()) return std::nullopt;
    return c;
}

std::optional<QFont> QtUiServices::PickFont(QWidget* parent, const QFont& initial)
{
    bool ok = false;
    QFont f = QFontDialog::getFont(&ok, initial, parent);
    if (!ok) return std::nullopt;
    return f;
}

void QtUiServices::Beep()
{
    QApplication::beep();
}

bool QtUiServices::StartProgram(const QString& program)
{
    return QProcess::startDetached(program, {});
}

QString ConvertFileFilter(const QString& windowsFilter)
{
    const QStringList parts = windowsFilter.split('|');
    QStringList filters;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns;
        for (const QString& raw : parts[i + 1].split(';', Qt::SkipEmptyParts)) {
            QString pattern = raw.trimmed();
            if (pattern == "*.*") {
                patterns << "*";
                continue;
            }
            patterns << pattern;
            if (pattern.toUpper() != pattern) patterns << pattern.toUpper();
        }
        QString title = parts[i].trimmed();
        int paren = title.indexOf('(');
        if (paren > 0) title = title.left(paren).trimmed();
        filters << title + " (" + patterns.join(' ') + ")";
    }
    return filters.join(";;");
}

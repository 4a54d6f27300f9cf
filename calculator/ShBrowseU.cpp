#include "calculator/ShBrowseU.h"

#include <QGuiApplication>
#include <QScreen>
#include <exception>

#include "platform/qt/UiServices.h"

TShBrowse::TShBrowse() : Caption("Browse for Folder"), Title("Select folder") {}

void TShBrowse::SetOptions(std::uint16_t value)
{
    if (value == OptionSet) return;
    OptionSet = value;
    FlagBits = 0;
    for (std::size_t element = 0; element < kBrowseOptionFlags.size(); ++element)
        if (value & (1u << element)) FlagBits |= kBrowseOptionFlags[element];
}

bool TShBrowse::Execute()
{
    QWidget* owner = WindowHandle;
    std::unique_ptr<TShBrowseDialog> dialog = CreateDialog();
    WindowHandle = dialog.get();
    QString chosen = Ui().ExecFolderDialog(*dialog);
    WindowHandle = owner;
    if (chosen.isEmpty()) return false;
    Path = chosen;
    return true;
}

std::unique_ptr<TShBrowseDialog> TShBrowse::CreateDialog()
{
    auto dialog = std::make_unique<TShBrowseDialog>(*this, WindowHandle);
    if (!Caption.isEmpty()) dialog->setWindowTitle(Caption);
    dialog->setLabelText(QFileDialog::LookIn, Title);
    if (!InitialFolder.isEmpty()) dialog->setDirectory(InitialFolder);
    PlaceDialog(*dialog);
    return dialog;
}

// Centres the dialog in the work area the first time; the place stays in
// the instance, so a later pick opens where the first one did.
void TShBrowse::PlaceDialog(QFileDialog& dialog)
{
    if (DialogLeft == 0 || DialogTop == 0) {
        QScreen* screen = WindowHandle ? WindowHandle->screen() : QGuiApplication::primaryScreen();
        QRect work = screen ? screen->availableGeometry() : QRect(0, 0, 0, 0);
        QSize size = dialog.sizeHint().expandedTo(dialog.minimumSizeHint());
        // The work area's origin counts: on a screen right of or below
        // another, or with a panel at the left or top, the centre moves too.
        DialogLeft = work.left() + (work.width() - size.width()) / 2;
        DialogTop = work.top() + (work.height() - size.height()) / 2;
    }
    dialog.move(DialogLeft, DialogTop);
}

TShBrowseDialog::TShBrowseDialog(TShBrowse& browser, QWidget* parent) : QFileDialog(parent), Browser(browser)
{
    setOption(QFileDialog::DontUseNativeDialog);
    setOption(QFileDialog::ShowDirsOnly);
    setFileMode(QFileDialog::Directory);
    setAcceptMode(QFileDialog::AcceptOpen);
    connect(this, &QFileDialog::currentChanged, this, &TShBrowseDialog::SelectionChanged);
    connect(this, &QFileDialog::directoryEntered, this, &TShBrowseDialog::SelectionChanged);
}

void TShBrowseDialog::SelectionChanged(const QString& path)
{
    if (!Browser.OnValidate || path.isEmpty()) return;
    Browser.Path = path;
    // Called from the dialog's signals: nothing may leave here, and a check
    // that failed cannot approve the folder.
    try {
        OkAllowed = Browser.OnValidate(Browser, path);
    } catch (...) {
        OkAllowed = false;
    }
}

void TShBrowseDialog::accept()
{
    if (Browser.OnValidate) {
        const QStringList chosen = selectedFiles();
        if (chosen.isEmpty()) return;
        SelectionChanged(chosen.first());
        if (!OkAllowed) return;
    }
    QFileDialog::accept();
}

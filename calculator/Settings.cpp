#include "calculator/Settings.h"

#include <QListWidget>
#include <QPushButton>
#include <QSettings>
#include <exception>
#include <memory>

#include "calculator/ShBrowseU.h"
#include "geodata/QMMapDecl.h"
#include "platform/qt/ErrorReport.h"
#include "platform/qt/FileDialogs.h"
#include "platform/qt/UiServices.h"

namespace {

constexpr const char* kOrganisation = "Quillmere";
constexpr const char* kApplication = "Rastello";
constexpr const char* kFoldersArray = "ImageFolders";
constexpr const char* kFolderKey = "Folder";
// The browser of new image folders, remembered as the file dialogs are.
constexpr const char* kBrowseDialog = "ImageFolderBrowser";

} // namespace

QStringList ReadImageFolders()
{
    QSettings settings(kOrganisation, kApplication);
    QStringList folders;
    int count = settings.beginReadArray(kFoldersArray);
    for (int i = 0; i < count; ++i) {
        settings.setArrayIndex(i);
        QString folder = settings.value(kFolderKey).toString();
        if (!folder.isEmpty()) folders << folder;
    }
    settings.endArray();
    return folders;
}

void WriteImageFolders(const QStringList& folders)
{
    QSettings settings(kOrganisation, kApplication);
    settings.remove(kFoldersArray);
    settings.beginWriteArray(kFoldersArray, static_cast<int>(folders.size()));
    for (int i = 0; i < folders.size(); ++i) {
        settings.setArrayIndex(i);
        settings.setValue(kFolderKey, folders[i]);
    }
    settings.endArray();
    settings.sync();
    if (settings.status() != QSettings::NoError)
        throw QMError("Cannot store the image folders in %s", settings.fileName().toStdString().c_str());
}

bool ContainsFolder(const QStringList& folders, const QString& folder)
{
    for (const QString& listed : folders)
        if (listed.compare(folder, Qt::CaseInsensitive) == 0) return true;
    return false;
}

TSettingsForm::TSettingsForm(QWidget* parent) : QDialog(parent)
{
    setWindowTitle("Settings");
    setFixedSize(357, 166);
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);

    ListBox1 = new QListWidget(this);
    ListBox1->setObjectName("ListBox1");
    ListBox1->setSelectionMode(QAbstractItemView::SingleSelection);
    ListBox1->setGeometry(8, 8, 248, 150);

    BAdd = new QPushButton("Add...", this);
    BAdd->setObjectName("BAdd");
    BAdd->setGeometry(268, 8, 81, 25);
    connect(BAdd, &QPushButton::clicked, this, [this] { RunGuarded(this, [this] { BAddClick(); }); });

    BDel = new QPushButton("Delete", this);
    BDel->setObjectName("BDel");
    BDel->setGeometry(268, 40, 81, 25);
    connect(BDel, &QPushButton::clicked, this, [this] { RunGuarded(this, [this] { BDelClick(); }); });

    BOK = new QPushButton("OK", this);
    BOK->setObjectName("BOK");
    BOK->setGeometry(268, 133, 81, 25);
    BOK->setDefault(true);
    connect(BOK, &QPushButton::clicked, this, [this] { BOKClick(); });
}

void TSettingsForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    RunGuarded(this, [this] { FormActivate(); });
}

void TSettingsForm::FormActivate()
{
    ListBox1->clear();
    ListBox1->addItems(ReadImageFolders());
}

QString TSettingsForm::StartFolder() const
{
    if (QListWidgetItem* selected = ListBox1->currentItem(); selected && selected->isSelected())
        return selected->text();
    return FileDialogStartFolder(kBrowseDialog, ListBox1->count() > 0 ? ListBox1->item(0)->text() : QString());
}

void TSettingsForm::BAddClick()
{
    TShBrowse browser;
    browser.WindowHandle = this;
    browser.SetOptions(kImageFolderBrowseOptions);
    browser.Caption = "Select Folder";
    browser.Title = "Select Folder for Images";
    browser.InitialFolder = StartFolder();
    if (!browser.Execute() || browser.Path.isEmpty()) return;
    RememberDialogFolder(kBrowseDialog, browser.Path);

    QStringList listed;
    for (int i = 0; i < ListBox1->count(); ++i) listed << ListBox1->item(i)->text();
    if (ContainsFolder(listed, browser.Path)) return;
    ListBox1->addItem(browser.Path);
    listed << browser.Path;

    // Additions only: folders stored meanwhile by another copy of the program stay.
    QStringList stored = ReadImageFolders();
    for (const QString& folder : listed)
        if (!ContainsFolder(stored, folder)) stored << folder;
    WriteImageFolders(stored);
}

void TSettingsForm::BDelClick()
{
    QListWidgetItem* selected = ListBox1->currentItem();
    if (!selected || !selected->isSelected()) return;
    const QString folder = selected->text();
    if (Ui().MessageBox(this, "Question", "Are you sure?", TMsgIcon::None, TMsgButtons::YesNo) != TMsgResult::Yes)
        return;
    std::unique_ptr<QListWidgetItem> removed(ListBox1->takeItem(ListBox1->row(selected)));

    QStringList stored = ReadImageFolders();
    stored.removeIf([&](const QString& listed) { return listed.compare(folder, Qt::CaseInsensitive) == 0; });
    WriteImageFolders(stored);
}

void TSettingsForm::BOKClick()
{
    accept();
}

#include "viewer/SettingsDialog.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include "platform/qt/FileDialogs.h"
#include "platform/qt/UiServices.h"

namespace {

constexpr int kValueColumn = 1;

QString FromStd(const std::string& text)
{
    return QString::fromStdString(text);
}

// A picked folder is stored with its trailing separator, so names can be
// appended to it directly.
std::string WithTrailingSeparator(const QString& folder)
{
    QString result = QDir::fromNativeSeparators(folder);
    if (!result.endsWith('/')) result += '/';
    return result.toStdString();
}

} // namespace

TSettingsDlg::TSettingsDlg(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Settings"));
    resize(384, 177);

    ValueListEditor1 = new QTableWidget(0, 2, this);
    ValueListEditor1->setHorizontalHeaderLabels({QStringLiteral("Property"), QStringLiteral("Value")});
    ValueListEditor1->verticalHeader()->hide();
    ValueListEditor1->setColumnWidth(0, 119);
    ValueListEditor1->setColumnWidth(1, 156);
    ValueListEditor1->horizontalHeader()->setStretchLastSection(true);
    // Typed text would be dropped, so the cells take none: only the pickers
    // change a value.
    ValueListEditor1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ValueListEditor1->setSelectionBehavior(QAbstractItemView::SelectRows);
    ValueListEditor1->setSelectionMode(QAbstractItemView::SingleSelection);

    auto* buttons = new QDialogButtonBox(this);
    OKBtn = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    CancelBtn = buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
    OKBtn->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(ValueListEditor1);
    layout->addWidget(buttons);
}

void TSettingsDlg::showEvent(QShowEvent* event)
{
    FormShow();
    QDialog::showEvent(event);
}

void TSettingsDlg::FormShow()
{
    ValueListEditor1->setRowCount(0);
    AddRow(kRootFolderKey, Settings.CommonRoot);
    AddRow(kSymbolFolderKey, Settings.SymbolFolder);
    AddRow(kDefaultPaletteKey, Settings.DefPalette);
}

void TSettingsDlg::AddRow(const QString& key, const std::string& value)
{
    const int row = ValueListEditor1->rowCount();
    ValueListEditor1->insertRow(row);
    ValueListEditor1->setItem(row, 0, new QTableWidgetItem(key));

    // The value with its ellipsis button at the right end.
    auto* cell = new QWidget;
    auto* label = new QLabel(FromStd(value), cell);
    label->setObjectName(QStringLiteral("value"));
    auto* button = new QToolButton(cell);
    button->setText(QStringLiteral("..."));
    auto* layout = new QHBoxLayout(cell);
    layout->setContentsMargins(2, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(label, 1);
    layout->addWidget(button);
    ValueListEditor1->setCellWidget(row, kValueColumn, cell);
    connect(button, &QToolButton::clicked, this, [this, row]() { ValueListEditor1EditButtonClick(row); });
}

int TSettingsDlg::RowCount() const
{
    return ValueListEditor1->rowCount();
}

QString TSettingsDlg::RowKey(int row) const
{
    const QTableWidgetItem* item = ValueListEditor1->item(row, 0);
    return item ? item->text() : QString();
}

QString TSettingsDlg::RowValue(int row) const
{
    const QWidget* cell = ValueListEditor1->cellWidget(row, kValueColumn);
    const auto* label = cell ? cell->findChild<QLabel*>(QStringLiteral("value")) : nullptr;
    return label ? label->text() : QString();
}

void TSettingsDlg::SetRowValue(int row, const QString& value)
{
    QWidget* cell = ValueListEditor1->cellWidget(row, kValueColumn);
    if (auto* label = cell ? cell->findChild<QLabel*>(QStringLiteral("value")) : nullptr) label->setText(value);
}

void TSettingsDlg::ValueListEditor1EditButtonClick(int row)
{
    const QString key = RowKey(row);
    if (key == kRootFolderKey)
        PickFolder(row, QStringLiteral("Please select root folder for maps"), Settings.CommonRoot);
    else if (key == kSymbolFolderKey)
        PickFolder(row, QStringLiteral("Please select folder with palette and symbol files"), Settings.SymbolFolder);
    else if (key == kDefaultPaletteKey)
        PickPalette(row);
}

void TSettingsDlg::PickFolder(int row, const QString& caption, std::string& folder)
{
    const QString chosen = Ui().SelectFolder(this, caption, FromStd(folder));
    if (chosen.isEmpty()) return;
    folder = WithTrailingSeparator(chosen);
    SetRowValue(row, FromStd(folder));
}

void TSettingsDlg::PickPalette(int row)
{
    TFileDialogRequest request;
    request.Filter = ConvertFileFilter(QStringLiteral("Palette files|*.qmp"));
    // First in the palette folder as the dialog holds it now, at the
    // current default palette.
    request.Folder = FromStd(Settings.SymbolFolder);
    request.FileName = FromStd(Settings.DefPalette);
    const QString chosen = ChooseFileName(this, TFileDialogKind::Open, QStringLiteral("DefaultPalette"), request);
    if (chosen.isEmpty()) return;
    Settings.DefPalette = QFileInfo(chosen).fileName().toStdString();
    SetRowValue(row, FromStd(Settings.DefPalette));
}

#pragma once
// The settings dialog: the three viewer settings in a property/value list,
// each changed only through its picker (a folder browser or a palette file
// dialog). The caller fills Settings before showing the dialog and reads it
// back after OK.
#include <QDialog>

#include "geodata/QMMapDecl.h"

class QTableWidget;
class QPushButton;

class TSettingsDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr const char* kRootFolderKey = "Map Root Folder";
    static constexpr const char* kSymbolFolderKey = "Palette/Symbol Folder";
    static constexpr const char* kDefaultPaletteKey = "Default Palette";

    explicit TSettingsDlg(QWidget* parent = nullptr);

    LumivarSettings Settings;

    // Fills the list from Settings; runs when the dialog is shown.
    void FormShow();
    // The picker of the row `row`; on OK it changes Settings and the row.
    void ValueListEditor1EditButtonClick(int row);

    int RowCount() const;
    QString RowKey(int row) const;
    QString RowValue(int row) const;
    QPushButton* OKBtn = nullptr;
    QPushButton* CancelBtn = nullptr;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void AddRow(const QString& key, const std::string& value);
    void SetRowValue(int row, const QString& value);
    void PickFolder(int row, const QString& caption, std::string& folder);
    void PickPalette(int row);

    QTableWidget* ValueListEditor1 = nullptr;
};

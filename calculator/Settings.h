#pragma once
// The calculator's image folders and the dialog that edits them. Bare raster
// names are looked up in the folders in order; the first is the default
// folder of outputs and file dialogs.
#include <QDialog>
#include <QStringList>

class QListWidget;
class QPushButton;

// The stored list: QSettings of "Quillmere"/"Rastello", the ordered array
// "ImageFolders" (folder paths cannot be key names, and keys would come back
// sorted, changing the default folder).
QStringList ReadImageFolders();
// Replaces the stored list; raises QMError when the settings cannot be written.
void WriteImageFolders(const QStringList& folders);
// True when `folders` holds `folder`, compared as file names, without regard
// to case.
bool ContainsFolder(const QStringList& folders, const QString& folder);

class TSettingsForm : public QDialog {
    Q_OBJECT
public:
    explicit TSettingsForm(QWidget* parent = nullptr);

    // Refills the list from the stored folders.
    void FormActivate();
    // Picks a folder and appends it unless it is listed already.
    void BAddClick();
    // Removes the selected folder after a question.
    void BDelClick();
    void BOKClick();

protected:
    void showEvent(QShowEvent* event) override;

private:
    // The selected folder; else the folder last chosen in the browser, the
    // first image folder or the home folder, the first that exists.
    QString StartFolder() const;

    // Owned by the form (Qt parent); reached by tests through their object
    // names.
    QListWidget* ListBox1 = nullptr;
    QPushButton* BAdd = nullptr;
    QPushButton* BDel = nullptr;
    QPushButton* BOK = nullptr;
};

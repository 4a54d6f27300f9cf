#pragma once
// Rastello's main window: the output name and type, the expression with its
// keypad, and the command that evaluates the expression over numbers or
// rasters and writes the result raster.
#include <QDialog>
#include <QMainWindow>
#include <QPixmap>
#include <QString>
#include <vector>

class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QStatusBar;
class TReClassForm;
class TSettingsForm;

// What a keypad key does with its text.
enum class TKeyAction { Insert, Function, Function2, None };

struct TKeypadKey {
    const char* Name;    // the button's object name
    const char* Caption;
    const char* Text;    // what it inserts (or the function's name)
    TKeyAction Action;
};

// The keys in their places: four rows of eleven.
extern const std::vector<std::vector<TKeypadKey>> kKeypadRows;

// The program's icon, from resources/rastello.xpm, which is also installed
// beside the program.
QPixmap RastelloIcon();

class TAboutBox : public QDialog {
    Q_OBJECT
public:
    explicit TAboutBox(QWidget* parent = nullptr);

private:
    QPushButton* OKButton = nullptr;
};

class TMainForm : public QMainWindow {
    Q_OBJECT
public:
    explicit TMainForm(QWidget* parent = nullptr);

    // Inserts at the caret (a selection is collapsed to its start, not
    // replaced) and leaves the caret after the inserted text.
    void InsertAtCaret(const QString& text);
    // Name + "()" with the caret between the parentheses.
    void InsertFunction(const QString& name);
    // Name + "(,)" with the caret before the comma.
    void InsertFunction2(const QString& name);

    void ProcessClick();
    void ReClassClick();
    void ClearClick();
    void InserImageClick();
    void SetDestClick();
    void FoldersforImages1Click();
    void About1Click();
    void Exit1Click();
    void BCloseClick();

    // Places the window in the middle of its screen's work area.
    void CentreOnScreen();

private:
    void CreateFields(QWidget* client);
    void CreateButtons(QWidget* client);
    void CreateKeypad(QWidget* client);
    void CreateMenus();
    void KeyClick(const TKeypadKey& key);
    void RunProcess();
    void ShowFailure(const QString& message);
    QString ChooseRaster(bool forOutput);

    // Owned by the form (Qt parent); reached by tests through their object
    // names.
    QLabel* Label1 = nullptr;
    QLineEdit* Target = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QLineEdit* Expr = nullptr;
    QPushButton* Process = nullptr;
    QComboBox* DestType = nullptr;
    QPushButton* SetDest = nullptr;
    QPushButton* InserImage = nullptr;
    QPushButton* Clear = nullptr;
    QPushButton* ReClass = nullptr;
    QPushButton* BClose = nullptr;
    QPushButton* SaveExp = nullptr;
    QPushButton* OpenExp = nullptr;
    QStatusBar* StatusBar = nullptr;

    QAction* OpenExpression1 = nullptr;
    QAction* SaveExpression1 = nullptr;
    QAction* Exit1 = nullptr;
    QAction* FoldersforImages1 = nullptr;
    QAction* About1 = nullptr;

    TSettingsForm* SettingsForm = nullptr;
    TReClassForm* ReClassForm = nullptr;
    TAboutBox* AboutBox = nullptr;
};

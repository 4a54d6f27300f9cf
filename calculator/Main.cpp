#include "calculator/Main.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QFocusEvent>
#include <QGridLayout>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QVBoxLayout>
#include <exception>

#include "calculator/CommandSteps.h"
#include "calculator/Processing.h"
#include "calculator/ReClass.h"
#include "calculator/Settings.h"
#include "platform/ProgramOptions.h"
#include "platform/qt/BusyCursor.h"
#include "platform/qt/ErrorReport.h"
#include "platform/qt/FileDialogs.h"
#include "platform/qt/UiServices.h"
#include "resources/rastello.xpm"

namespace {

constexpr int kClientWidth = 761;
constexpr int kClientHeight = 297;
const char* const kRasterFilter = "Idrisi raster (*.rst *.RST)";

// An edit that keeps the caret where it was when focus arrives by the
// keyboard, instead of selecting all of its text.
class TNoAutoSelectEdit : public QLineEdit {
public:
    using QLineEdit::QLineEdit;

protected:
    void focusInEvent(QFocusEvent* event) override
    {
        const int caret = cursorPosition();
        const bool hadSelection = hasSelectedText();
        QLineEdit::focusInEvent(event);
        if (!hadSelection && hasSelectedText()) setCursorPosition(caret);
    }
};

QPushButton* NewButton(QWidget* parent, const char* name, const QString& caption, QRect place)
{
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    button->setGeometry(place);
    button->setAutoDefault(false);
    return button;
}

QLabel* NewLabel(QWidget* parent, const char* name, const QString& caption, QRect place)
{
    auto* label = new QLabel(caption, parent);
    label->setObjectName(name);
    label->setGeometry(place);
    return label;
}

bool SameFolder(const QString& a, const QString& b)
{
    return QDir::cleanPath(a).compare(QDir::cleanPath(b), Qt::CaseInsensitive) == 0;
}

TImageFolders ToImageFolders(const QStringList& list)
{
    TImageFolders folders;
    for (const QString& folder : list) folders.push_back(folder.toStdString());
    return folders;
}

// The number in the user's own decimal separator, as the status bar shows it.
QString WithLocalDecimalPoint(QString text)
{
    const QString point = QLocale::system().decimalPoint();
    if (point != ".") text.replace('.', point);
    return text;
}

} // namespace

const std::vector<std::vector<TKeypadKey>> kKeypadRows = {
    {{"B7", "7", "7", TKeyAction::Insert},
     {"B8", "8", "8", TKeyAction::Insert},
     {"B9", "9", "9", TKeyAction::Insert},
     {"BSlash", "/", "/", TKeyAction::Insert},
     {"BLP", "(", "(", TKeyAction::Insert},
     {"BRP", ")", ")", TKeyAction::Insert},
     {"Babs", "abs", "abs", TKeyAction::Function},
     {"Bsin", "sin", "sin", TKeyAction::Function},
     {"Basin", "arcsin", "arcsin", TKeyAction::Function},
     {"Bmin", "min", "min", TKeyAction::Function2},
     {"Band", "and", "", TKeyAction::None}},
    {{"B4", "4", "4", TKeyAction::Insert},
     {"B5", "5", "5", TKeyAction::Insert},
     {"B6", "6", "6", TKeyAction::Insert},
     {"Bstar", "*", "*", TKeyAction::Insert},
     {"BLB", "[", "[", TKeyAction::Insert},
     {"BRB", "]", "]", TKeyAction::Insert},
     {"Bsqrt", "sqrt", "sqrt", TKeyAction::Function},
     {"Bcos", "cos", "cos", TKeyAction::Function},
     {"Bacos", "arccos", "arccos", TKeyAction::Function},
     {"Bmax", "max", "max", TKeyAction::Function2},
     {"Bor", "or", "", TKeyAction::None}},
    {{"B1", "1", "1", TKeyAction::Insert},
     {"B2", "2", "2", TKeyAction::Insert},
     {"B3", "3", "3", TKeyAction::Insert},
     {"Bminus", "-", "-", TKeyAction::Insert},
     {"Bup", "^X", "^", TKeyAction::Insert},
     {"Blt", "<", "<", TKeyAction::Insert},
     {"Ble", "<=", "<=", TKeyAction::Insert},
     {"Btan", "tan", "tan", TKeyAction::Function},
     {"Batan", "arctan", "arctan", TKeyAction::Function},
     {"Bnot", "not", "not", TKeyAction::Function},
     {"Bxor", "xor", "", TKeyAction::None}},
    {{"B0", "0", "0", TKeyAction::Insert},
     {"Bpoint", ".", ".", TKeyAction::Insert},
     {"Bminus2", "-", "-", TKeyAction::Insert},
     {"Bplus", "+", "+", TKeyAction::Insert},
     {"Bgt", ">", ">", TKeyAction::Insert},
     {"Bge", ">=", ">=", TKeyAction::Insert},
     {"Beq", "=", "=", TKeyAction::Insert},
     {"Bne", "<>", "<>", TKeyAction::Insert},
     {"Bexp", "exp", "exp", TKeyAction::Function},
     {"Bln", "ln", "ln", TKeyAction::Function}},
};

QPixmap RastelloIcon()
{
    return QPixmap(rastello_xpm);
}

TAboutBox::TAboutBox(QWidget* parent) : QDialog(parent)
{
    setWindowTitle("About Rastello");
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    auto* layout = new QVBoxLayout(this);
    auto* icon = new QLabel(this);
    icon->setObjectName("ProgramIcon");
    icon->setPixmap(RastelloIcon());
    layout->addWidget(icon);
    auto* product = new QLabel("Quillmere Rastello", this);
    QFont bold = product->font();
    bold.setBold(true);
    product->setFont(bold);
    layout->addWidget(product);
    layout->addWidget(new QLabel(QString("Version ") + ProgramVersion(), this));
    layout->addWidget(new QLabel("Authors:", this));
    layout->addWidget(new QLabel("The Quillmere developers", this));
    layout->addWidget(new QLabel("and the users who sent their rasters", this));
    OKButton = new QPushButton("OK", this);
    OKButton->setObjectName("OKButton");
    OKButton->setDefault(true);
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);
    layout->addWidget(OKButton, 0, Qt::AlignHCenter);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

TMainForm::TMainForm(QWidget* parent) : QMainWindow(parent)
{
    setWindowTitle("Rastello");
    setWindowIcon(QIcon(RastelloIcon()));
    setFont(QFont("Arial", 9));

    StatusBar = statusBar();
    StatusBar->setObjectName("StatusBar");
    StatusBar->setSizeGripEnabled(false);

    auto* client = new QWidget(this);
    client->setFixedSize(kClientWidth, kClientHeight - StatusBar->sizeHint().height());
    setCentralWidget(client);
    CreateFields(client);
    CreateButtons(client);
    CreateKeypad(client);
    CreateMenus();
    setFixedSize(sizeHint());
    // The window keeps its size, so its title bar offers no maximise button;
    // without the customise hint the window manager would add one anyway.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);

    SettingsForm = new TSettingsForm(this);
    SettingsForm->setObjectName("SettingsForm");
    ReClassForm = new TReClassForm(this);
    AboutBox = new TAboutBox(this);
    AboutBox->setObjectName("AboutBox");
}

void TMainForm::CreateFields(QWidget* client)
{
    Label1 = NewLabel(client, "Label1", "Output file name :", QRect(8, 12, 116, 20));
    Target = new QLineEdit(client);
    Target->setObjectName("Target");
    Target->setGeometry(126, 10, 390, 24);
    Label2 = NewLabel(client, "Label2", " = ", QRect(518, 12, 26, 20));
    SetDest = NewButton(client, "SetDest", "Set file", QRect(548, 9, 92, 26));
    connect(SetDest, &QPushButton::clicked, this, &TMainForm::SetDestClick);
    DestType = new QComboBox(client);
    DestType->setObjectName("DestType");
    DestType->addItems({"byte", "integer", "real"});
    // Shown as "real" with no item chosen: no choice means real output.
    DestType->setPlaceholderText("real");
    DestType->setCurrentIndex(-1);
    DestType->setGeometry(648, 10, 105, 24);

    Label3 = NewLabel(client, "Label3", "Expression to process :", QRect(8, 42, 200, 18));
    Expr = new TNoAutoSelectEdit(client);
    Expr->setObjectName("Expr");
    QFont bold = Expr->font();
    bold.setBold(true);
    Expr->setFont(bold);
    Expr->setGeometry(8, 62, 745, 26);
}

void TMainForm::CreateButtons(QWidget* client)
{
    const int left = 600;
    const int width = 153;
    Process = NewButton(client, "Process", "Process expression", QRect(left, 98, width, 30));
    connect(Process, &QPushButton::clicked, this, &TMainForm::ProcessClick);
    InserImage = NewButton(client, "InserImage", "Insert Image", QRect(left, 134, width, 30));
    connect(InserImage, &QPushButton::clicked, this, &TMainForm::InserImageClick);
    Clear = NewButton(client, "Clear", "Clear expression", QRect(left, 170, width, 30));
    connect(Clear, &QPushButton::clicked, this, &TMainForm::ClearClick);
    ReClass = NewButton(client, "ReClass", "ReClassification", QRect(left, 206, width, 30));
    connect(ReClass, &QPushButton::clicked, this, &TMainForm::ReClassClick);
    BClose = NewButton(client, "BClose", "Close", QRect(left, 242, width, 30));
    connect(BClose, &QPushButton::clicked, this, &TMainForm::BCloseClick);

    // No expression file format exists: these two stay hidden, without action.
    SaveExp = NewButton(client, "SaveExp", "Save expression", QRect(left, 98, width, 26));
    SaveExp->hide();
    OpenExp = NewButton(client, "OpenExp", "Open expression", QRect(left, 130, width, 26));
    OpenExp->hide();
}

void TMainForm::CreateKeypad(QWidget* client)
{
    auto* keypad = new QWidget(client);
    keypad->setObjectName("Keypad");
    keypad->setGeometry(8, 98, 584, client->height() - 98 - 4);
    auto* grid = new QGridLayout(keypad);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setSpacing(3);
    for (std::size_t row = 0; row < kKeypadRows.size(); ++row) {
        for (std::size_t column = 0; column < kKeypadRows[row].size(); ++column) {
            const TKeypadKey& key = kKeypadRows[row][column];
            auto* button = new QPushButton(key.Caption, keypad);
            button->setObjectName(key.Name);
            button->setAutoDefault(false);
            button->setFocusPolicy(Qt::NoFocus);
            button->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
            if (key.Action != TKeyAction::None)
                connect(button, &QPushButton::clicked, this, [this, &key] { KeyClick(key); });
            grid->addWidget(button, static_cast<int>(row), static_cast<int>(column));
        }
    }
}

void TMainForm::CreateMenus()
{
    QMenu* file = menuBar()->addMenu("File");
    // No expression file format exists: the two items have no action.
    OpenExpression1 = file->addAction("&Open expression");
    OpenExpression1->setObjectName("OpenExpression1");
    OpenExpression1->setShortcut(QKeySequence("Ctrl+O"));
    SaveExpression1 = file->addAction("Save Expression");
    SaveExpression1->setObjectName("SaveExpression1");
    SaveExpression1->setShortcut(QKeySequence("Ctrl+S"));
    file->addSeparator();
    Exit1 = file->addAction("Exit");
    Exit1->setObjectName("Exit1");
    Exit1->setShortcut(QKeySequence("Alt+F4"));
    connect(Exit1, &QAction::triggered, this, &TMainForm::Exit1Click);

    QMenu* settings = menuBar()->addMenu("Settings");
    FoldersforImages1 = settings->addAction("Folders for Images...");
    FoldersforImages1->setObjectName("FoldersforImages1");
    connect(FoldersforImages1, &QAction::triggered, this, &TMainForm::FoldersforImages1Click);

    QMenu* help = menuBar()->addMenu("Help");
    About1 = help->addAction("About");
    About1->setObjectName("About1");
    connect(About1, &QAction::triggered, this, &TMainForm::About1Click);
}

void TMainForm::CentreOnScreen()
{
    QScreen* screen = this->screen();
    if (!screen) return;
    QRect work = screen->availableGeometry();
    QSize size = frameGeometry().size();
    move(work.left() + (work.width() - size.width()) / 2, work.top() + (work.height() - size.height()) / 2);
}

void TMainForm::KeyClick(const TKeypadKey& key)
{
    switch (key.Action) {
    case TKeyAction::Insert: InsertAtCaret(key.Text); break;
    case TKeyAction::Function: InsertFunction(key.Text); break;
    case TKeyAction::Function2: InsertFunction2(key.Text); break;
    case TKeyAction::None: break;
    }
}

void TMainForm::InsertAtCaret(const QString& text)
{
    const int caret = Expr->hasSelectedText() ? Expr->selectionStart() : Expr->cursorPosition();
    const QString old = Expr->text();
    Expr->setText(old.left(caret) + text + old.mid(caret));
    Expr->setFocus();
    Expr->setCursorPosition(caret + static_cast<int>(text.size()));
}

void TMainForm::InsertFunction(const QString& name)
{
    InsertAtCaret(name + "()");
    Expr->setCursorPosition(Expr->cursorPosition() - 1);
}

void TMainForm::InsertFunction2(const QString& name)
{
    InsertAtCaret(name + "(,)");
    Expr->setCursorPosition(Expr->cursorPosition() - 2);
}

void TMainForm::ClearClick()
{
    Expr->clear();
    StatusBar->clearMessage();
}

void TMainForm::BCloseClick()
{
    close();
}

void TMainForm::Exit1Click()
{
    close();
}

void TMainForm::FoldersforImages1Click()
{
    SettingsForm->exec();
}

void TMainForm::About1Click()
{
    AboutBox->exec();
}

// Asks for a raster, at first in the first image folder; returns the name
// to use: bare when its folder is an image folder (any of them for an
// operand, the first for the output, where bare names go), else the full
// path. Empty when the user cancelled.
QString TMainForm::ChooseRaster(bool forOutput)
{
    const QStringList folders = ReadImageFolders();
    TFileDialogRequest request;
    request.Filter = kRasterFilter;
    request.Folder = QString::fromStdString(FirstImageFolder(ToImageFolders(folders)));
    // The command asks before it overwrites, and deletes both old files.
    request.ConfirmOverwrite = false;
    const QString chosen = forOutput
                               ? ChooseFileName(this, TFileDialogKind::Save, QStringLiteral("SetFile"), request)
                               : ChooseFileName(this, TFileDialogKind::Open, QStringLiteral("InsertImage"), request);
    if (chosen.isEmpty()) return {};

    const QFileInfo file(chosen);
    const QStringList candidates = forOutput ? folders.mid(0, 1) : folders;
    for (const QString& folder : candidates)
        if (SameFolder(folder, file.path())) return file.fileName();
    return chosen;
}

void TMainForm::InserImageClick()
{
    try {
        const QString name = ChooseRaster(false);
        if (!name.isEmpty()) InsertAtCaret("[" + name + "]");
    } catch (const std::exception& e) {
        ShowErrorBox(this, ErrorText(e));
    }
}

void TMainForm::SetDestClick()
{
    try {
        const QString name = ChooseRaster(true);
        if (!name.isEmpty()) Target->setText(name);
    } catch (const std::exception& e) {
        ShowErrorBox(this, ErrorText(e));
    }
}

void TMainForm::ReClassClick()
{
    TBusyCursor busy;
    TReclassWindow window;
    window.Window = this;
    window.Expr = Expr;
    window.Target = Target->text();
    window.DestTypeIndex = DestType->currentIndex();
    window.ImageFolders = ToImageFolders(ReadImageFolders());
    window.StatusBar = StatusBar;
    ReclassifyCommand(*ReClassForm, window);
}

void TMainForm::ProcessClick()
{
    try {
        TBusyCursor busy;
        RunProcess();
    } catch (const EExpressionError& e) {
        SelectErrorPosition(*Expr, e.Position);
        ShowFailure(QString::fromUtf8(e.what()));
    } catch (const QMError& e) {
        ShowFailure(QString::fromUtf8(e.what()));
    } catch (const std::exception& e) {
        // Faults of input/output or arithmetic: shown as the program's own
        // error report shows them, the status bar left as it was.
        ShowErrorBox(this, ErrorText(e));
    }
}

void TMainForm::RunProcess()
{
    TProcessRequest request;
    request.Expression = Expr->text().toStdString();
    request.Target = Target->text().toStdString();
    request.DestTypeIndex = DestType->currentIndex();
    request.ImageFolders = ToImageFolders(ReadImageFolders());
    TProcessCallbacks callbacks;
    callbacks.AskYesNo = [this](const std::string& question) {
        return Ui().MessageBox(this, "Question", QString::fromStdString(question), TMsgIcon::Question,
                               TMsgButtons::YesNo) == TMsgResult::Yes;
    };

    const TProcessResult result = ProcessExpression(request, callbacks);
    const QString message = QString::fromStdString(result.Message);
    switch (result.Outcome) {
    case TProcessOutcome::Number: {
        const QString text = WithLocalDecimalPoint(message);
        StatusBar->showMessage(text);
        Ui().MessageBox(this, "Information", text, TMsgIcon::Information);
        break;
    }
    case TProcessOutcome::Written:
        Ui().MessageBox(this, "Information", message, TMsgIcon::Information);
        break;
    case TProcessOutcome::Prohibited:
        Ui().MessageBox(this, "Warning", message, TMsgIcon::Warning);
        break;
    case TProcessOutcome::Refused:
        // A refusal was the user's answer or a destination that will not do;
        // the status bar is cleared either way.
        StatusBar->clearMessage();
        if (!message.isEmpty()) Ui().MessageBox(this, "Error", message, TMsgIcon::Error);
        break;
    }
}

void TMainForm::ShowFailure(const QString& message)
{
    StatusBar->showMessage(message);
    if (!message.isEmpty()) Ui().MessageBox(this, "Error", message, TMsgIcon::Error);
}

#include "viewer/QMVMAIN.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDialog>
#include <QFileInfo>
#include <QMdiArea>
#include <QMenuBar>
#include <QSettings>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QStyle>
#include <QToolBar>
#include <algorithm>

#include "platform/FileNames.h"
#include "platform/qt/AppEvents.h"
#include "platform/qt/BusyCursor.h"
#include "platform/qt/ErrorReport.h"
#include "platform/qt/FileDialogs.h"
#include "platform/qt/FormParts.h"
#include "platform/qt/ScreenCursors.h"
#include "platform/qt/UiServices.h"
#include "viewer/ABOUT.h"
#include "viewer/Composition.h"
#include "viewer/LayerFormats.h"
#include "viewer/MFrame.h"
#include "viewer/MapPropDialog.h"
#include "viewer/QMMap2Unit.h"
#include "viewer/QMMapView.h"
#include "viewer/SettingsDialog.h"

// The cursor images, in XPM's C form.
#include "resources/cursors/pan_dn.xpm"
#include "resources/cursors/pan_up.xpm"
#include "resources/cursors/z_hint.xpm"
#include "resources/cursors/zoom_in.xpm"

namespace {

const char* const kCompositionOpenFilter = "QM Composition Files(*.qmc)|*.qmc";
const char* const kCompositionSaveFilter = "QM Composition Files(*.qmc)|*.qmc|All Files (*.*)|*.*";

// The names of the commands that need a map window.
const char* const kChildActions[] = {"SaveMap", "SaveMapAs", "CloseMap", "Fit",      "Magnitude", "Diminish",
                                     "Redraw",  "ZoomState", "Pan",      "ZState",   "SaveToFile"};

// The viewer's settings of the current user.
const char* const kOrganisation = "Quillmere";
const char* const kApplication = "Lumivar";

} // namespace

TQMVForm::TQMVForm(const QStringList& arguments, QWidget* parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("QMVForm"));
    setWindowTitle(QStringLiteral("Quillmere Viewer"));
    setWindowIcon(QIcon(ProgramIcon()));
    Area = new QMdiArea(this);
    Area->setObjectName(QStringLiteral("MdiArea"));
    // New windows cascade past the edge on a small screen; scroll bars reach
    // them, as a multiple-document client does.
    Area->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    Area->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setCentralWidget(Area);
    StatusBar = std::make_unique<TStatusBarPanels>(*statusBar());
    RunDialog = [](QDialog& dialog) { return dialog.exec(); };
    BuildActions();
    BuildMenus();
    BuildToolBar();
    connect(Area, &QMdiArea::subWindowActivated, this, [this]() { UpdateActions(); });
    FormCreate(arguments);
    UpdateActions();
}

TQMVForm::~TQMVForm()
{
    qApp->removeEventFilter(this);
    // The area goes with the base class and reports its windows' going; this
    // object is no longer there to hear it.
    Area->disconnect(this);
}

void TQMVForm::FormCreate(const QStringList& arguments)
{
    qApp->installEventFilter(this);
    LoadScreenCursors();
    ReadSettings();
    MapMode = TViewMode::None;
    if (!arguments.isEmpty()) PendingFile = arguments.first();
}

void TQMVForm::LoadScreenCursors()
{
    SetScreenCursor(1, QCursor(QPixmap(pan_up_xpm), 15, 15));
    SetScreenCursor(2, QCursor(QPixmap(pan_dn_xpm), 15, 15));
    SetScreenCursor(3, QCursor(QPixmap(zoom_in_xpm), 12, 12));
    SetScreenCursor(4, QCursor(QPixmap(z_hint_xpm), 12, 12));
}

// ---------------------------------------------------------------------------
// Actions, menus and the tool bar

QAction* TQMVForm::MakeAction(const QString& name, const QString& caption, const QString& hint,
                              std::function<void()> handler)
{
    return ::MakeAction(this, this, name, caption, hint, std::move(handler));
}

QAction* TQMVForm::FormAction(const QString& name) const
{
    return findChild<QAction*>(name, Qt::FindDirectChildrenOnly);
}

void TQMVForm::BuildActions()
{
    QStyle* style = QApplication::style();

    MakeAction(QStringLiteral("OpenMap"), QStringLiteral("Open Composition..."),
               QStringLiteral("Open composition|Open composition"), [this]() { OpenMapExecute(); })
        ->setIcon(style->standardIcon(QStyle::SP_DialogOpenButton));

    MakeAction(QStringLiteral("OpenLayer"), QStringLiteral("Open &Layer..."),
               QStringLiteral("Open layer|Open layer in new window"), [this]() { OpenLayerExecute(); })
        ->setIcon(style->standardIcon(QStyle::SP_FileIcon));

    MakeAction(QStringLiteral("SaveMap"), QStringLiteral("&Save Composition"),
               QStringLiteral("Save composition|Save current map composition"), [this]() { SaveMapExecute(); })
        ->setIcon(style->standardIcon(QStyle::SP_DialogSaveButton));

    MakeAction(QStringLiteral("SaveMapAs"), QStringLiteral("Save Composition &As..."),
               QStringLiteral("Save composition as|Save current map composition with different name"),
               [this]() { SaveMapExecute(); });

    MakeAction(QStringLiteral("CloseMap"), QStringLiteral("Close Composition"),
               QStringLiteral("Close|Close current map composition"), [this]() { CloseMapExecute(); });

    MakeAction(QStringLiteral("FileExit1"), QStringLiteral("E&xit"), QStringLiteral("Exit|Exit application"),
               [this]() { FileExit1Execute(); });

    MakeAction(QStringLiteral("HelpAbout1"), QStringLiteral("&About..."),
               QStringLiteral("About|Show the program's title, version and authors"),
               [this]() { HelpAbout1Execute(); });

    MakeAction(QStringLiteral("Settings"), QStringLiteral("Settings..."), QString(), [this]() { SettingsExecute(); });

    MakeAction(QStringLiteral("MapProperties"), QStringLiteral("Properties..."), QString(),
               [this]() { MapPropertiesExecute(); });

    MakeAction(QStringLiteral("Fit"), QStringLiteral("Fit"),
               QStringLiteral("Fit view|Adjust the magnification of a map so all elements are visible"),
               [this]() { FitExecute(); });

    MakeAction(QStringLiteral("Magnitude"), QStringLiteral("Magnitude"),
               QStringLiteral("Zoom in|Increase a view window's magnification"), [this]() { MagnitudeExecute(); });

    MakeAction(QStringLiteral("Diminish"), QStringLiteral("Diminish"),
               QStringLiteral("Zoom out|Decrease a view window's magnification"), [this]() { DiminishExecute(); });

    MakeAction(QStringLiteral("Redraw"), QStringLiteral("Redraw"),
               QStringLiteral("Update windows|Update (redraw) the contents of a window(s)"),
               [this]() { RedrawExecute(); })
        ->setIcon(style->standardIcon(QStyle::SP_BrowserReload));

    // The three modes: checkable, at most one checked. The handlers set the
    // checks from MapMode themselves.
    auto* modes = new QActionGroup(this);
    modes->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
    QAction* zoomState = MakeAction(
        QStringLiteral("ZoomState"), QStringLiteral("ZoomState"),
        QStringLiteral("Zoom state|Indicate a rectangular area in the map that is to be displayed in a window"),
        [this]() { ZoomStateExecute(); });
    QAction* pan = MakeAction(
        QStringLiteral("Pan"), QStringLiteral("Pan"),
        QStringLiteral("Pan state|View a different part of the map without changing the view magnification"),
        [this]() { PanExecute(); });
    QAction* zState = MakeAction(QStringLiteral("ZState"), QStringLiteral("ZState"), QString(),
                                 [this]() { ZStateExecute(); });
    zState->setToolTip(QStringLiteral("Information"));
    for (QAction* action : {zoomState, pan, zState}) {
        action->setCheckable(true);
        modes->addAction(action);
    }

    MakeAction(QStringLiteral("SaveToFile"), QStringLiteral("Save to File..."), QString(),
               [this]() { SaveToFileExecute(); });

    MakeAction(QStringLiteral("Rastello"), QStringLiteral("Rastello"), QString(), [this]() { RastelloExecute(); });

    MakeAction(QStringLiteral("PaletteEd"), QStringLiteral("Palette Editor"), QString(),
               [this]() { PaletteEdExecute(); });
}

void TQMVForm::BuildMenus()
{
    const auto add = [this](QMenu* menu, const char* name) { menu->addAction(FormAction(QString::fromLatin1(name))); };

    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    file->menuAction()->setStatusTip(QStringLiteral("File related commands"));
    for (const char* name : {"OpenMap", "OpenLayer", "SaveMap", "SaveMapAs", "CloseMap"}) add(file, name);
    file->addSeparator();
    add(file, "FileExit1");

    QMenu* view = menuBar()->addMenu(QStringLiteral("View"));
    for (const char* name : {"Fit", "Diminish", "Magnitude", "Redraw"}) add(view, name);

    QMenu* tools = menuBar()->addMenu(QStringLiteral("Tools"));
    for (const char* name : {"MapProperties", "Settings", "SaveToFile"}) add(tools, name);

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    help->menuAction()->setStatusTip(QStringLiteral("Help topics"));
    add(help, "HelpAbout1");
}

void TQMVForm::BuildToolBar()
{
    QToolBar* bar = addToolBar(QStringLiteral("ToolBar1"));
    bar->setObjectName(QStringLiteral("ToolBar1"));
    bar->setMovable(false);
    const auto add = [this, bar](std::initializer_list<const char*> names) {
        for (const char* name : names) bar->addAction(FormAction(QString::fromLatin1(name)));
    };
    add({"OpenMap", "OpenLayer", "SaveMap"});
    bar->addSeparator();
    add({"Fit", "Diminish", "Redraw"});
    bar->addSeparator();
    add({"ZoomState", "Pan", "ZState"});
    bar->addSeparator();
    add({"Rastello", "PaletteEd"});
}

void TQMVForm::UpdateActions()
{
    const bool isChild = !Children().isEmpty();
    for (const char* name : kChildActions) FormAction(QString::fromLatin1(name))->setEnabled(isChild);
}

// ---------------------------------------------------------------------------
// Map windows

QList<TQMMap2*> TQMVForm::Children() const
{
    QList<TQMMap2*> children;
    const QList<QMdiSubWindow*> stacked = Area->subWindowList(QMdiArea::StackingOrder);
    for (auto it = stacked.rbegin(); it != stacked.rend(); ++it) {
        auto* child = qobject_cast<TQMMap2*>(*it);
        if (child && !child->IsClosing()) children << child;
    }
    // The active window is the first child, whatever the stacking says.
    if (auto* active = qobject_cast<TQMMap2*>(Area->currentSubWindow());
        active && !active->IsClosing() && children.removeOne(active))
        children.prepend(active);
    return children;
}

TQMMap2* TQMVForm::FirstChild() const
{
    const QList<TQMMap2*> children = Children();
    return children.isEmpty() ? nullptr : children.first();
}

TQMMap2* TQMVForm::NewChild()
{
    auto* child = new TQMMap2(ViewerSettings, StatusBar.get(), [this](TQMMap2& closing) { ChildClosing(closing); });
    Area->addSubWindow(child); // the area owns it; it is deleted on close
    child->show();
    Area->setActiveSubWindow(child);
    UpdateActions();
    return child;
}

TQMMap2* TQMVForm::OpenInNewChild(const std::function<void(TQMMapFrame&)>& open)
{
    TQMMap2* child = NewChild();
    try {
        TBusyCursor busy;
        open(child->Frame());
    } catch (const std::exception& error) {
        // The window stays, empty or partly filled. A failure of the file
        // system is shown the same way as the system's own messages.
        ShowErrorBox(this, ErrorText(error));
    }
    return child;
}

TQMMap2* TQMVForm::OpenLayerFile(const QString& file)
{
    return OpenInNewChild([&file](TQMMapFrame& frame) { frame.AddLayerFile(file); });
}

TQMMap2* TQMVForm::OpenCompositionFile(const QString& file)
{
    return OpenInNewChild([&file](TQMMapFrame& frame) { frame.OpenComposition(file, false); });
}

void TQMVForm::ChildClosing(TQMMap2& child)
{
    // With the last window gone no view is left in any mode, so the mode
    // starts afresh as well as its buttons.
    const QList<TQMMap2*> others = Children();
    if (others.isEmpty() || (others.size() == 1 && others.first() == &child)) {
        MapMode = TViewMode::None;
        ShowModeChecks();
    }
    UpdateActions();
}

// ---------------------------------------------------------------------------
// Start-up and activation

void TQMVForm::FormActivate()
{
    if (PendingFile.isEmpty()) return;
    // Cleared first: a box shown while opening would activate the window
    // again.
    const QString file = PendingFile;
    PendingFile.clear();
    // The whole extension, without regard to case.
    if (SameText(ExtractFileExt(file.toStdString()), ".qmc"))
        OpenCompositionFile(file);
    else
        OpenLayerFile(file);
}

bool TQMVForm::event(QEvent* event)
{
    switch (event->type()) {
    case QEvent::StatusTip:
        // The long hint goes to panel 0; a temporary message would hide
        // every panel.
        StatusBar->SetPanelText(0, static_cast<QStatusTipEvent*>(event)->tip());
        return true;
    case QEvent::WindowActivate: {
        const bool result = QMainWindow::event(event);
        RunGuarded(this, [this]() { FormActivate(); });
        return result;
    }
    default:
        return QMainWindow::event(event);
    }
}

void TQMVForm::closeEvent(QCloseEvent* event)
{
    Area->closeAllSubWindows();
    event->accept();
}

// ---------------------------------------------------------------------------
// Application messages

bool TQMVForm::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == QCoreApplication::instance() && event->type() >= WM_MAPZOOMSTATE &&
        event->type() <= WM_MAPRASTERCHANGED) {
        bool handled = false;
        RunGuarded(this, [&]() { handled = AppMessage(*event); });
        return handled;
    }
    return QMainWindow::eventFilter(watched, event);
}

bool TQMVForm::AppMessage(const QEvent& message)
{
    switch (static_cast<int>(message.type())) {
    case WM_MAPZOOMSTATE:
        ZoomStateExecute();
        return true;
    case WM_MAPPAN:
        PanExecute();
        return true;
    case WM_MAPFULLSCREEN:
        showMaximized();
        if (TQMMap2* child = FirstChild()) child->showMaximized();
        return true;
    case WM_MAPNORMALSCREEN:
        return false; // recognised, left to normal dispatch
    case WM_MAPHINTS:
        ZStateExecute();
        return true;
    case WM_MAPRASTERCHANGED:
        for (TQMMap2* child : Children()) child->Frame().RefreshRasterLegend();
        return true;
    default:
        return false;
    }
}

// ---------------------------------------------------------------------------
// Commands

// Both open dialogs start in the map root folder until the user has chosen
// a file in them.
void TQMVForm::OpenMapExecute()
{
    const QString name = ChooseFileToOpen(this, kOpenCompositionDialog, kCompositionOpenFilter,
                                          QString::fromStdString(ViewerSettings.CommonRoot));
    if (!name.isEmpty()) OpenCompositionFile(name);
}

QString TQMVForm::SelectLayerFile()
{
    return ChooseFileToOpen(this, kOpenLayerDialog, LayerFileFilter().c_str(), QString::fromStdString(ViewerSettings.CommonRoot));
}

void TQMVForm::OpenLayerExecute()
{
    const QString name = SelectLayerFile();
    if (!name.isEmpty()) OpenLayerFile(name);
}

// The dialog proposes the composition's own name, first in its folder (or
// the folder of the layer the window shows).
void TQMVForm::SaveMapExecute()
{
    TBusyCursor busy;
    TQMMap2* child = FirstChild();
    TFileDialogRequest request;
    request.Filter = ConvertFileFilter(QString::fromLatin1(kCompositionSaveFilter));
    request.DefaultSuffix = QStringLiteral("qmc");
    request.ConfirmOverwrite = true;
    if (child) {
        request.Folder = child->Frame().WorkFolder();
        request.FileName = QFileInfo(child->Frame().CompositionFile()).fileName();
    }
    const QString name = ChooseFileName(this, TFileDialogKind::Save, QStringLiteral("SaveComposition"), request);
    if (!name.isEmpty() && child) child->Frame().SaveComposition(name);
}

void TQMVForm::CloseMapExecute()
{
    if (TQMMap2* child = FirstChild()) child->close();
}

void TQMVForm::FileExit1Execute()
{
    close();
}

void TQMVForm::HelpAbout1Execute()
{
    if (AboutBox) RunDialog(*AboutBox);
}

void TQMVForm::SettingsExecute()
{
    TSettingsDlg dialog(this);
    dialog.Settings = ViewerSettings;
    if (RunDialog(dialog) != QDialog::Accepted) return;
    ViewerSettings = dialog.Settings;
    WriteSettings();
}

void TQMVForm::MapPropertiesExecute()
{
    TMapPropDlg dialog(this);
    RunDialog(dialog);
}

void TQMVForm::FitExecute()
{
    if (TQMMap2* child = FirstChild()) child->Frame().ZoomFitMap();
}

void TQMVForm::MagnitudeExecute()
{
    if (TQMMap2* child = FirstChild()) child->Frame().ZoomInMap();
}

void TQMVForm::DiminishExecute()
{
    if (TQMMap2* child = FirstChild()) child->Frame().ZoomOutMap();
}

void TQMVForm::RedrawExecute()
{
    for (TQMMap2* child : Children()) child->Frame().RedrawMap();
}

void TQMVForm::ShowModeChecks()
{
    FormAction(QStringLiteral("ZoomState"))->setChecked(MapMode == TViewMode::Zoom);
    FormAction(QStringLiteral("Pan"))->setChecked(MapMode == TViewMode::Pan);
    FormAction(QStringLiteral("ZState"))->setChecked(MapMode == TViewMode::Hint);
}

void TQMVForm::ToggleMode(TViewMode mode, void (TQMMapFrame::*setMode)(bool))
{
    MapMode = MapMode != mode ? mode : TViewMode::None;
    ShowModeChecks();
    const bool on = MapMode == mode;
    for (TQMMap2* child : Children()) (child->Frame().*setMode)(on);
}

void TQMVForm::ZoomStateExecute()
{
    ToggleMode(TViewMode::Zoom, &TQMMapFrame::SetZoomMode);
}

void TQMVForm::PanExecute()
{
    ToggleMode(TViewMode::Pan, &TQMMapFrame::SetPanMode);
}

void TQMVForm::ZStateExecute()
{
    ToggleMode(TViewMode::Hint, &TQMMapFrame::SetHintMode);
}

void TQMVForm::SaveToFileExecute()
{
    TBusyCursor busy;
    if (TQMMap2* child = FirstChild()) child->Frame().SaveMapImage();
}

void TQMVForm::StartSibling(const QString& program)
{
    // Started from the viewer's own folder; a missing program is not reported.
    QString folder = QCoreApplication::applicationDirPath();
    if (!folder.endsWith('/')) folder += '/';
    // The programs' files are named in lower case here ("rastello"); the
    // name matches without regard to case, as file names do in this system.
    Ui().StartProgram(QString::fromStdString(ResolveFileCase((folder + program).toStdString())));
}

void TQMVForm::RastelloExecute()
{
    StartSibling(QStringLiteral("Rastello"));
}

void TQMVForm::PaletteEdExecute()
{
    StartSibling(QStringLiteral("Tintbox"));
}

// ---------------------------------------------------------------------------
// Settings

void TQMVForm::ReadSettings()
{
    QSettings registry(QSettings::NativeFormat, QSettings::UserScope, kOrganisation, kApplication);
    registry.beginGroup(QStringLiteral("Settings"));
    ViewerSettings.CommonRoot = registry.value(QStringLiteral("CommonRoot"), QString()).toString().toStdString();
    ViewerSettings.DefPalette =
        registry.value(QStringLiteral("DefPalette"), QStringLiteral("Quillmere.qmp")).toString().toStdString();
    ViewerSettings.SymbolFolder = registry.value(QStringLiteral("SymbolFolder"), QString()).toString().toStdString();
    registry.endGroup();
    if (registry.status() != QSettings::NoError)
        Ui().MessageBox(this, QStringLiteral("Error"),
                        QStringLiteral("Cannot read the settings from %1.").arg(registry.fileName()), TMsgIcon::Error);
}

void TQMVForm::WriteSettings()
{
    QSettings registry(QSettings::NativeFormat, QSettings::UserScope, kOrganisation, kApplication);
    registry.beginGroup(QStringLiteral("Settings"));
    registry.setValue(QStringLiteral("CommonRoot"), QString::fromStdString(ViewerSettings.CommonRoot));
    registry.setValue(QStringLiteral("DefPalette"), QString::fromStdString(ViewerSettings.DefPalette));
    registry.setValue(QStringLiteral("SymbolFolder"), QString::fromStdString(ViewerSettings.SymbolFolder));
    registry.endGroup();
    registry.sync();
    if (registry.status() != QSettings::NoError)
        Ui().MessageBox(this, QStringLiteral("Error"),
                        QStringLiteral("Cannot write the settings to %1.").arg(registry.fileName()), TMsgIcon::Error);
}

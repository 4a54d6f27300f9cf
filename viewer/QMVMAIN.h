#pragma once
// The main window of Lumivar: one window of map windows (one per opened
// composition or layer) with the file, view, tools and help commands, the
// three map modes that act on every map window, the status bar, the
// application messages 2025-2030 and the viewer's settings.
#include <QMainWindow>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

#include "geodata/QMMapDecl.h"
#include "viewer/MView.h"

class QDialog;
class QMdiArea;
class TAboutBox;
class TQMMap2;
class TQMMapFrame;
class TStatusBarPanels;

class TQMVForm : public QMainWindow {
    Q_OBJECT
public:
    // `arguments` are the command-line parameters after the program name;
    // the first names a file to open at the first activation.
    explicit TQMVForm(const QStringList& arguments, QWidget* parent = nullptr);
    ~TQMVForm() override;

    QString SelectLayerFile();
    // Each opens a new map window; a QMError of the open is shown and the
    // window stays. The window is returned.
    TQMMap2* OpenLayerFile(const QString& file);
    TQMMap2* OpenCompositionFile(const QString& file);
    // Called by each map window as it closes.
    void ChildClosing(TQMMap2& child);
    void ReadSettings();
    void WriteSettings();
    // The application-wide message hook: true when the message was handled.
    bool AppMessage(const QEvent& message);
    // Opens the command-line file at the first activation.
    void FormActivate();

    // Command handlers, named after their actions.
    void OpenMapExecute();
    void OpenLayerExecute();
    void SaveMapExecute();
    void CloseMapExecute();
    void FileExit1Execute();
    void HelpAbout1Execute();
    void SettingsExecute();
    void MapPropertiesExecute();
    void FitExecute();
    void MagnitudeExecute();
    void DiminishExecute();
    void RedrawExecute();
    void ZoomStateExecute();
    void PanExecute();
    void ZStateExecute();
    void SaveToFileExecute();
    void RastelloExecute();
    void PaletteEdExecute();

    // The mode chosen here, which every map window's view takes.
    TViewMode GetMapMode() const { return MapMode; }
    const QString& GetPendingFile() const { return PendingFile; }
    const LumivarSettings& GetViewerSettings() const { return ViewerSettings; }
    TStatusBarPanels& StatusPanels() const { return *StatusBar; }
    QMdiArea& MdiArea() const { return *Area; }
    QAction* FormAction(const QString& name) const;
    // The map windows that are not closing, the active one (the first
    // child) first, then down the stacking order.
    QList<TQMMap2*> Children() const;
    TQMMap2* FirstChild() const;

    void SetAboutBox(TAboutBox* box) { AboutBox = box; }
    // Runs every modal dialog of the main window; tests answer them here.
    using TDialogRunner = std::function<int(QDialog&)>;
    void SetDialogRunner(TDialogRunner runner) { RunDialog = std::move(runner); }

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void FormCreate(const QStringList& arguments);
    void LoadScreenCursors();
    void BuildActions();
    void BuildMenus();
    void BuildToolBar();
    QAction* MakeAction(const QString& name, const QString& caption, const QString& hint,
                        std::function<void()> handler);
    // Enabling of the commands that need a map window, decided in one place.
    void UpdateActions();
    TQMMap2* NewChild();
    TQMMap2* OpenInNewChild(const std::function<void(TQMMapFrame&)>& open);
    void ToggleMode(TViewMode mode, void (TQMMapFrame::*setMode)(bool));
    void ShowModeChecks();
    void StartSibling(const QString& program);

    TViewMode MapMode = TViewMode::None;
    QString PendingFile;
    LumivarSettings ViewerSettings;

    QMdiArea* Area = nullptr;
    std::unique_ptr<TStatusBarPanels> StatusBar;
    TAboutBox* AboutBox = nullptr;
    TDialogRunner RunDialog;
};

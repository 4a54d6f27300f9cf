#pragma once
// The map frame: the content of one map window. On the left the layer tools
// and three pages (the layer check-list, the vector legend, the raster
// values), on the right the map view. The frame owns the map document; the
// check-list is a view of the document's layers (row i shows layer i), and
// the legend, the caption, the enabling of the tools and the map follow the
// document's announcement of each change.
#include <QString>
#include <QWidget>
#include <memory>
#include <vector>

#include "geodata/QMMapDecl.h"

class QAction;
class QPainter;
class QSplitter;
class QTabWidget;
class QToolBar;
class TDrawGrid;
class TLayerCheckList;
class TLayerList;
class TLayerListModel;
struct Layer;
struct TLayerChange;
class TQMMapDoc;
class TQMMapView;
class TStatusPanels;

// The names under which the open dialogs remember their folder; the main
// window's Open Composition and Open Layer are the same dialogs.
inline constexpr char kOpenCompositionDialog[] = "OpenComposition";
inline constexpr char kOpenLayerDialog[] = "OpenLayer";

class TQMMapFrame : public QWidget {
    Q_OBJECT
public:
    static constexpr int kLayersPage = 0;
    static constexpr int kLegendPage = 1;
    static constexpr int kRasterValuesPage = 2;

    explicit TQMMapFrame(QWidget* parent = nullptr);
    ~TQMMapFrame() override;

    // Creates the view and the document and binds them to the owner form,
    // the settings as they are now and the main window's status bar.
    void SetupFrame(QWidget* ownerForm, const LumivarSettings& settings, TStatusPanels* statusBar);
    void HideFrameToolBar();
    // Puts the properties button on a second row of the layer tool bar.
    void WrapLayerToolBar();

    // Unloads the opened composition (nothing when none was opened).
    void ClearMap();
    // Adds one layer file as the top layer; failures are shown in a box.
    void AddLayerFile(const QString& path);
    // Opens a composition file into the frame; QMError passes to the caller.
    void OpenComposition(const QString& path, bool common);
    void SaveComposition(const QString& path);
    // The composition file last opened or saved; empty when there is none.
    const QString& CompositionFile() const { return OpenedComposition; }
    // Where the window's files are: the composition's folder, else the top
    // layer's; empty when it shows nothing.
    QString WorkFolder() const;
    // Asks for a bitmap file and saves the view into it.
    void SaveMapImage();
    void ZoomFitMap();
    void ZoomInMap();
    void ZoomOutMap();
    void RedrawMap();
    void SetZoomMode(bool on);
    void SetPanMode(bool on);
    void SetHintMode(bool on);
    void RefreshRasterLegend();
    // The file path of the selected row's layer; empty when none is selected.
    QString SelectedLayerName() const;
    // The name without folder, cut before its last "." when it has one.
    static QString FileBaseName(const QString& path);

    TQMMapDoc& Document() const { return *Doc; }
    TQMMapView& MapView() const { return *View; }
    // An action of either tool bar by its name ("LayerUP", "ZoomState").
    QAction* FrameAction(const QString& name) const;
    // The enabling of the layer tools, decided in one place.
    void UpdateActions();
    const QString& Caption() const { return FrameCaption; }
    bool IsLoaded() const { return Loaded; }
    bool IsFullScreen() const { return FullScreenOn; }
    const QString& GetLegendLayerName() const { return LegendLayerName; }
    const TColorValueArray& GetLegendRows() const { return LegendRows; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildPages();

    // Command handlers of the layer tool bar and the map tool bar.
    void AddLayerExecute();
    void AddCompositionExecute();
    void LayerUPExecute();
    void LayerDownExecute();
    void LayerDeleteExecute();
    void LProperitiesExecute();
    void FullScreenExecute();
    void PageControl1Change();
    void TabSheet2Resize();
    void TabSheet3Resize();
    void GR_legendDrawCell(QPainter& painter, int column, int row, const QRect& cell);
    void RSTR_legendDrawCell(QPainter& painter, int column, int row, const QRect& cell);

    // What follows a change of the document's layers, after the rows took it.
    void LayersUpdated(const TLayerChange& change);
    std::vector<std::shared_ptr<Layer>> KeptLayers() const;
    void SyncLegendRows();
    void MoveSelectedLayer(int delta);
    void LayersListClick();
    void GR_legendClick();
    void InvalidateView();
    bool LegendInfoOf(int row, LegendObject& legend) const;

    // The parts, named as the layout names them (tests find them by these
    // object names); owned by the frame.
    QWidget* CtrlPanel = nullptr;
    QToolBar* ToolBar1 = nullptr;
    QAction* LFreeze = nullptr;
    QTabWidget* PageControl1 = nullptr;
    TLayerCheckList* LayersList = nullptr;
    TDrawGrid* GR_legend = nullptr;
    TDrawGrid* RSTR_legend = nullptr;
    QSplitter* Splitter1 = nullptr;
    QWidget* MapPanel = nullptr;
    QToolBar* ToolBar2 = nullptr;
    QToolBar* ToolBar1Row2 = nullptr;
    TQMMapView* View = nullptr; // owned by MapPanel

    std::unique_ptr<TQMMapDoc> Doc;
    std::unique_ptr<TLayerListModel> LayerModel; // observes Doc
    // The child window that owns the layer dialogs.
    QWidget* OwnerForm = nullptr;
    LumivarSettings SettingsCopy;
    std::unique_ptr<TLayerList> FrozenLayers;
    std::unique_ptr<TLayerList> CommonLayers; // nothing fills it
    bool Loaded = false;
    bool FullScreenOn = false;
    int SavedPanelWidth = 0;
    QString LegendLayerName;
    TColorValueArray LegendRows;
    QString FrameCaption;
    QString OpenedComposition;
};

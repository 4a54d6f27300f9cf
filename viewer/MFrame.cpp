#include "viewer/MFrame.h"

#include <QAction>
#include <QEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QPainter>
#include <QSplitter>
#include <QTabWidget>
#include <QToolBar>
#include <QVBoxLayout>
#include <algorithm>

#include "geodata/IdrisiRST.h"
#include "geodata/QMLayers.h"
#include "platform/FileNames.h"
#include "platform/qt/AppEvents.h"
#include "platform/qt/ErrorReport.h"
#include "platform/qt/FileDialogs.h"
#include "platform/qt/FormParts.h"
#include "platform/qt/ScreenCursors.h"
#include "platform/qt/UiServices.h"
#include "viewer/Composition.h"
#include "viewer/DrawGrid.h"
#include "viewer/FrameToolBars.h"
#include "viewer/IniFile.h"
#include "viewer/LayerCheckList.h"
#include "viewer/LayerFormats.h"
#include "viewer/LayerListModel.h"
#include "viewer/LegendCells.h"
#include "viewer/LegendPages.h"
#include "viewer/QMMapDoc.h"
#include "viewer/QMMapDocDialogs.h"
#include "viewer/QMMapView.h"

namespace {

const char* const kCompositionFilter = "QMC Composition files(*.qmc)|*.qmc|";
const char* const kBitmapFilter = "BMP Files|*.bmp";

std::string ToStd(const QString& text)
{
    return text.toStdString();
}

QString FromStd(const std::string& text)
{
    return QString::fromStdString(text);
}

} // namespace

// ---------------------------------------------------------------------------
// TQMMapFrame: layout

TQMMapFrame::TQMMapFrame(QWidget* parent) : QWidget(parent)
{
    resize(838, 511);
    CtrlPanel = new QWidget;
    CtrlPanel->setObjectName(QStringLiteral("CtrlPanel"));
    auto* panelLayout = new QVBoxLayout(CtrlPanel);
    panelLayout->setContentsMargins(0, 0, 0, 0);
    panelLayout->setSpacing(0);
    const auto run = [this](void (TQMMapFrame::*command)()) -> std::function<void()> {
        return [this, command]() { (this->*command)(); };
    };
    const TFrameToolCommands commands{.AddLayer = run(&TQMMapFrame::AddLayerExecute),
                                      .AddComposition = run(&TQMMapFrame::AddCompositionExecute),
                                      .LayerUp = run(&TQMMapFrame::LayerUPExecute),
                                      .LayerDown = run(&TQMMapFrame::LayerDownExecute),
                                      .LayerDelete = run(&TQMMapFrame::LayerDeleteExecute),
                                      .Properties = run(&TQMMapFrame::LProperitiesExecute),
                                      .ZoomIn = run(&TQMMapFrame::ZoomInMap),
                                      .ZoomOut = run(&TQMMapFrame::ZoomOutMap),
                                      .Redraw = run(&TQMMapFrame::RedrawMap),
                                      .FullScreen = run(&TQMMapFrame::FullScreenExecute),
                                      .Fit = run(&TQMMapFrame::ZoomFitMap),
                                      .SaveMap = run(&TQMMapFrame::SaveMapImage)};
    const TLayerToolBars layerTools = BuildLayerToolBars(*this, commands);
    ToolBar1 = layerTools.Row1;
    ToolBar1Row2 = layerTools.Row2;
    LFreeze = layerTools.Freeze;
    panelLayout->addWidget(ToolBar1);
    panelLayout->addWidget(ToolBar1Row2);
    BuildPages();
    panelLayout->addWidget(PageControl1, 1);

    MapPanel = new QWidget;
    MapPanel->setObjectName(QStringLiteral("MapPanel"));
    auto* mapLayout = new QVBoxLayout(MapPanel);
    mapLayout->setContentsMargins(0, 0, 0, 0);
    mapLayout->setSpacing(0);
    ToolBar2 = BuildMapToolBar(*this, commands);
    mapLayout->addWidget(ToolBar2);

    Splitter1 = new QSplitter(Qt::Horizontal, this);
    Splitter1->setObjectName(QStringLiteral("Splitter1"));
    Splitter1->addWidget(CtrlPanel);
    Splitter1->addWidget(MapPanel);
    Splitter1->setStretchFactor(0, 0);
    Splitter1->setStretchFactor(1, 1);
    Splitter1->setSizes({193, 838 - 193});
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(Splitter1);
    UpdateActions();
}

TQMMapFrame::~TQMMapFrame()
{
    // The parts go with the base class and may still signal; this object is
    // no longer there to hear them.
    for (QObject* part : {static_cast<QObject*>(LayersList), static_cast<QObject*>(GR_legend),
                          static_cast<QObject*>(PageControl1)})
        part->disconnect(this);
    // The rows' model observes the document, so it goes first.
    LayersList->setModel(nullptr);
    LayerModel.reset();
    // The view goes with its parent after this body; it must not reach the
    // document any more.
    if (View) View->SetDoc(nullptr);
    Doc.reset();
    // The keeper lists' layers that the document did not own are released
    // with the frame (the document released the ones it owned).
    for (std::unique_ptr<TLayerList>* keeper : {&FrozenLayers, &CommonLayers})
        if (*keeper) (*keeper)->ReleaseLayers(TLayerList::TReleaseScope::EveryLayer);
}

void TQMMapFrame::WrapLayerToolBar()
{
    QAction* properties = FrameAction(QStringLiteral("LProperities"));
    ToolBar1->removeAction(properties);
    ToolBar1Row2->addAction(properties);
    ToolBar1Row2->show();
}

void TQMMapFrame::BuildPages()
{
    const TLegendPages pages = BuildLegendPages(
        [this](QPainter& painter, int column, int row, const QRect& cell) {
            GR_legendDrawCell(painter, column, row, cell);
        },
        [this](QPainter& painter, int column, int row, const QRect& cell) {
            RSTR_legendDrawCell(painter, column, row, cell);
        });
    PageControl1 = pages.Pages;
    LayersList = pages.Layers;
    GR_legend = pages.Legend;
    RSTR_legend = pages.RasterValues;

    connect(GR_legend, &QTableView::clicked, this, [this]() { GR_legendClick(); });
    connect(PageControl1, &QTabWidget::currentChanged, this,
            [this]() { RunGuarded(this, [this]() { PageControl1Change(); }); });
    // The text columns follow the viewports, which the grids lay out only
    // after their own resize, and which narrow when a vertical bar appears.
    GR_legend->viewport()->installEventFilter(this);
    RSTR_legend->viewport()->installEventFilter(this);
}

void TQMMapFrame::HideFrameToolBar()
{
    ToolBar2->hide();
}

QAction* TQMMapFrame::FrameAction(const QString& name) const
{
    return findChild<QAction*>(name);
}

// ---------------------------------------------------------------------------
// Setting up

void TQMMapFrame::SetupFrame(QWidget* ownerForm, const LumivarSettings& settings, TStatusPanels* statusBar)
{
    View = new TQMMapView(MapPanel);
    View->setObjectName(QStringLiteral("View"));
    View->setFrameShape(QFrame::Box);
    MapPanel->layout()->addWidget(View);

    Doc = std::make_unique<TQMMapDoc>();
    OwnerForm = ownerForm;
    Doc->SetRootFolder(settings.CommonRoot);
    Doc->SetPaletteDefaults(settings.SymbolFolder, settings.DefPalette);

    View->SetDoc(Doc.get());
    // The rows are a view of the document's layers; everything else that
    // shows the layers follows once the rows took a change.
    LayerModel = std::make_unique<TLayerListModel>(*Doc);
    LayersList->setModel(LayerModel.get());
    connect(LayerModel.get(), &TLayerListModel::LayersUpdated, this,
            [this](const TLayerChange& change) { RunGuarded(this, [this, &change]() { LayersUpdated(change); }); });
    connect(LayersList->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this]() {
        LayersListClick();
        UpdateActions();
    });
    View->SetZoomCursor(ScreenCursor(3));
    View->SetHintCursor(ScreenCursor(4));
    View->SetPanCursors(ScreenCursor(1), ScreenCursor(2));
    View->SetSelectedLayerSource([this]() { return ToStd(SelectedLayerName()); });
    SettingsCopy = settings;
    View->SetStatusBar(statusBar, 1);
    Loaded = false;
    FullScreenOn = false;
}

// ---------------------------------------------------------------------------
// Rows and layers

QString TQMMapFrame::SelectedLayerName() const
{
    const int row = LayersList->SelectedRow();
    return row < 0 ? QString() : LayersList->RowPath(row);
}

QString TQMMapFrame::FileBaseName(const QString& path)
{
    const std::string name = ExtractFileName(ToStd(path));
    const std::size_t dot = name.rfind('.');
    return FromStd(dot == std::string::npos ? name : name.substr(0, dot));
}

void TQMMapFrame::SyncLegendRows()
{
    GR_legend->SetRowCount(LayersList->RowCount());
    const int row = LayersList->SelectedRow();
    if (row >= 0) GR_legend->SetCurrentRow(row);
    GR_legend->viewport()->update();
}

// After a layer command: the map is drawn anew, and a value hint may no
// longer be what the map shows.
void TQMMapFrame::InvalidateView()
{
    if (!View) return;
    View->HideHint();
    View->viewport()->update();
}

void TQMMapFrame::AddLayerFile(const QString& path)
{
    const std::string file = ToStd(path);
    const bool wasEmpty = Doc->LayerCount() == 0;
    try {
        // The whole extension counts, without regard to case: a longer one
        // names no format, and a dot in a folder name is no extension.
        if (ExtractFileExt(file).empty()) throw QMError("There is no file extension. This is program bug. Sorry.");
        if (Doc->HasLayer(file)) return;
        const TLayerFormat* format = FormatByExtension(file);
        if (!format) throw QMError("Invalid file extension. This is program bug. Sorry.");
        TLayerOptions options;
        options.PaletteSpec = PaletteSpecForReading(SettingsCopy.DefPalette, SettingsCopy.SymbolFolder);
        if (!Doc->AddLayerFile(file, *format, options)) return;
    } catch (const QMError& error) {
        Ui().MessageBox(this, QStringLiteral("Error"), QString::fromStdString(error.what()), TMsgIcon::Error);
        return;
    }
    // A view that cannot take the layer (out of memory) takes it out again,
    // so the map never holds a layer the window did not show.
    try {
        View->ResetView(wasEmpty);
    } catch (...) {
        Doc->RemoveLayerAt(0);
        throw;
    }
}

void TQMMapFrame::OpenComposition(const QString& path, bool common)
{
    const TIniFile ini(ToStd(path));
    if (ini.ReadInteger("qmc", "ver", 0) == 0)
        throw QMError("File %s is not Lumivar composition.", ToStd(path).c_str());
    // The layers that stay must agree with the composition's; a refusal
    // comes before the map is cleared, so the map stays as it was.
    const std::vector<PLayer> kept = KeptLayers();
    if (!kept.empty()) Doc->TryComposition(ini, common, kept);
    // Clearing, merging and reading are one change of the layers.
    TQMMapDoc::TUpdate update(*Doc);
    ClearMap();
    if (CommonLayers) Doc->MergeLayers(*CommonLayers, false);
    if (FrozenLayers) Doc->MergeLayers(*FrozenLayers, true);
    try {
        Doc->LoadComposition(ini, common);
    } catch (...) {
        update.End();
        View->ResetView(true);
        throw;
    }
    Loaded = true;
    OpenedComposition = path;
    update.End();
    View->ResetView(true);
}

// The layers still listed when the next composition is read: all of them in
// a frame that never opened one (ClearMap leaves it alone), else the
// non-common ones when the freeze is down.
std::vector<PLayer> TQMMapFrame::KeptLayers() const
{
    std::vector<PLayer> kept;
    for (std::int32_t i = 0; i < Doc->LayerCount(); ++i) {
        const PLayer& layer = Doc->Layers().Items(i);
        if (!Loaded || (LFreeze->isChecked() && layer->Common == 0)) kept.push_back(layer);
    }
    return kept;
}

void TQMMapFrame::SaveComposition(const QString& path)
{
    Doc->SaveComposition(ToStd(path));
    OpenedComposition = path;
}

QString TQMMapFrame::WorkFolder() const
{
    const QString file = !OpenedComposition.isEmpty() ? OpenedComposition
                         : Doc->LayerCount() > 0      ? FromStd(Doc->Layers().Items(0)->FileName)
                                                      : QString();
    return file.isEmpty() ? QString() : QFileInfo(file).absolutePath();
}

void TQMMapFrame::ClearMap()
{
    if (!Loaded) return;
    TQMMapDoc::TUpdate update(*Doc);
    FrozenLayers.reset();
    if (LFreeze->isChecked()) {
        FrozenLayers = std::make_unique<TLayerList>();
        Doc->HandOverOwnLayers(*FrozenLayers);
    } else {
        Doc->ClearFrozenFlags();
    }
    View->HideHint();
    Doc->ResetDocument();
    RSTR_legend->SetRowCount(0);
    Loaded = false;
    OpenedComposition.clear();
}

// ---------------------------------------------------------------------------
// Commands of the layer tool bar

void TQMMapFrame::AddLayerExecute()
{
    const QString name =
        ChooseFileToOpen(this, kOpenLayerDialog, LayerFileFilter().c_str(), FromStd(SettingsCopy.CommonRoot));
    if (!name.isEmpty()) AddLayerFile(name);
}

void TQMMapFrame::AddCompositionExecute()
{
    const QString name = ChooseFileToOpen(this, kOpenCompositionDialog, kCompositionFilter,
                                          QString::fromStdString(SettingsCopy.CommonRoot));
    if (!name.isEmpty()) OpenComposition(name, false);
}

void TQMMapFrame::MoveSelectedLayer(int delta)
{
    const int row = LayersList->SelectedRow();
    const int target = row + delta;
    if (row < 0 || target < 0 || target >= Doc->LayerCount()) return;
    // Row i is layer i: the row's own layer moves, whatever its path; its
    // row moves with it, still selected.
    Doc->MoveLayerAt(row, delta);
}

void TQMMapFrame::LayerUPExecute()
{
    MoveSelectedLayer(-1);
}

void TQMMapFrame::LayerDownExecute()
{
    MoveSelectedLayer(+1);
}

void TQMMapFrame::LayerDeleteExecute()
{
    const int row = LayersList->SelectedRow();
    if (row < 0) return;
    if (Doc->RemoveLayerAt(row) != 0) {
        Ui().MessageBox(this, QStringLiteral("Stop"), QStringLiteral("You cannot delete common layer"),
                        TMsgIcon::Information);
        return;
    }
    // The user's removal leaves no row selected.
    LayersList->SelectRow(-1);
}

// The properties dialog of the selected layer; a changed vector style shows
// in the legend at once.
void TQMMapFrame::LProperitiesExecute()
{
    const int row = LayersList->SelectedRow();
    if (row < 0) {
        Ui().Beep();
        return;
    }
    View->HideHint();
    EditLayerProperties(*Doc, ToStd(LayersList->RowPath(row)), OwnerForm, View);
}

void TQMMapFrame::FullScreenExecute()
{
    QList<int> sizes = Splitter1->sizes();
    const int total = sizes.value(0) + sizes.value(1);
    if (FullScreenOn) {
        FullScreenOn = false;
        Splitter1->setSizes({SavedPanelWidth, std::max(0, total - SavedPanelWidth)});
        PostAppMessage(WM_MAPNORMALSCREEN);
    } else {
        FullScreenOn = true;
        SavedPanelWidth = CtrlPanel->width();
        Splitter1->setSizes({0, total});
        PostAppMessage(WM_MAPFULLSCREEN);
    }
}

void TQMMapFrame::UpdateActions()
{
    const int rows = LayersList->RowCount();
    const int row = LayersList->SelectedRow();
    FrameAction(QStringLiteral("LayerUP"))->setEnabled(rows > 0 && row >= 1);
    FrameAction(QStringLiteral("LayerDown"))->setEnabled(rows > 0 && row >= 0 && row < rows - 1);
    FrameAction(QStringLiteral("LayerDelete"))->setEnabled(rows > 0 && row >= 0);
    FrameAction(QStringLiteral("LProperities"))->setEnabled(rows > 0 && row >= 0);
    for (QAction* action : ToolBar2->findChildren<QAction*>()) action->setEnabled(rows > 0);
}

// One place for what shows the layers besides the rows: the legend's rows,
// the tools, the caption and the map.
void TQMMapFrame::LayersUpdated(const TLayerChange& change)
{
    using TKind = TLayerChange::TKind;
    SyncLegendRows();
    UpdateActions();
    InvalidateView();
    // The caption names the top layer from the first add, and after a move
    // that changed the top.
    const bool moved = change.Kind == TKind::Moved;
    const bool firstAdded = change.Kind == TKind::Inserted && Doc->LayerCount() == 1;
    if (firstAdded || (moved && (change.Row == 0 || change.Target == 0)))
        FrameCaption = FileBaseName(LayersList->RowPath(0));
    if (moved) LayersListClick();
}

void TQMMapFrame::LayersListClick()
{
    const int row = LayersList->SelectedRow();
    if (row >= 0) GR_legend->SetCurrentRow(row);
}

void TQMMapFrame::GR_legendClick()
{
    const int row = GR_legend->CurrentRow();
    if (row >= 0 && row < LayersList->RowCount()) LayersList->SelectRow(row);
}

// ---------------------------------------------------------------------------
// Map commands

void TQMMapFrame::SaveMapImage()
{
    TFileDialogRequest request;
    request.Filter = ConvertFileFilter(QString::fromLatin1(kBitmapFilter));
    request.DefaultSuffix = QStringLiteral("bmp");
    request.Folder = WorkFolder();
    const QString name = ChooseFileName(this, TFileDialogKind::Save, QStringLiteral("SaveToFile"), request);
    if (!name.isEmpty()) View->SaveViewBitmap(name);
}

void TQMMapFrame::ZoomFitMap()
{
    View->ZoomFit();
}

void TQMMapFrame::ZoomInMap()
{
    View->ZoomIn();
}

void TQMMapFrame::ZoomOutMap()
{
    View->ZoomOut();
}

void TQMMapFrame::RedrawMap()
{
    View->viewport()->update();
}

void TQMMapFrame::SetZoomMode(bool on)
{
    FrameAction(QStringLiteral("ZoomState"))->setChecked(on);
    View->SetZoomMode(on);
}

void TQMMapFrame::SetPanMode(bool on)
{
    FrameAction(QStringLiteral("Pan"))->setChecked(on);
    View->SetPanMode(on);
}

void TQMMapFrame::SetHintMode(bool on)
{
    FrameAction(QStringLiteral("ZState"))->setChecked(on);
    View->SetHintMode(on);
}

// ---------------------------------------------------------------------------
// Legends

// A raster's display range or palette changed: the map draws it anew.
void TQMMapFrame::RefreshRasterLegend()
{
    Doc->LayersRestyled();
    PageControl1Change();
}

void TQMMapFrame::PageControl1Change()
{
    if (PageControl1->currentIndex() != kRasterValuesPage) return;
    Layer* layer = nullptr;
    if (LayersList->SelectedRow() >= 0) layer = Doc->LayerByName(ToStd(SelectedLayerName()));
    if (layer && (layer->Kind != lkRaster || !layer->Raster || !layer->Raster->Image)) layer = nullptr;
    if (!layer) {
        LegendLayerName.clear();
        LegendRows.clear();
        RSTR_legend->viewport()->update();
        return;
    }
    TIdrisiRST& raster = *layer->Raster->Image;
    const QString path = FromStd(layer->FileName);
    if (path == LegendLayerName && !raster.GetLegendChanged()) return;
    // The rows first: a legend that could not be built (out of memory) is
    // not remembered as built.
    TColorValueArray rows = raster.GetLegend();
    LegendRows = std::move(rows);
    LegendLayerName = path;
    raster.ClearLegendChanged();
    RSTR_legend->SetRowCount(static_cast<int>(std::min<std::size_t>(LegendRows.size(), INT32_MAX)));
    RSTR_legend->viewport()->update();
}

bool TQMMapFrame::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Resize) {
        if (watched == GR_legend->viewport()) TabSheet2Resize();
        if (watched == RSTR_legend->viewport()) TabSheet3Resize();
    }
    return QWidget::eventFilter(watched, event);
}

void TQMMapFrame::TabSheet2Resize()
{
    FitTextColumn(*GR_legend);
}

void TQMMapFrame::TabSheet3Resize()
{
    FitTextColumn(*RSTR_legend);
}

void TQMMapFrame::GR_legendDrawCell(QPainter& painter, int column, int row, const QRect& cell)
{
    if (row < 0 || row >= LayersList->RowCount()) return;
    LegendObject legend;
    if (LegendInfoOf(row, legend)) DrawLayerLegendCell(painter, column, legend, cell);
    else DrawMixedStylesCell(painter, column, cell);
}

// A row whose legend cannot be built (a layer that breaks the document's
// rules, a failed allocation) draws as a row without a common style.
bool TQMMapFrame::LegendInfoOf(int row, LegendObject& legend) const
{
    try {
        return Doc && Doc->GetLegendInfo(ToStd(LayersList->RowPath(row)), legend);
    } catch (...) {
        return false;
    }
}

void TQMMapFrame::RSTR_legendDrawCell(QPainter& painter, int column, int row, const QRect& cell)
{
    if (row < 0 || static_cast<std::size_t>(row) >= LegendRows.size()) return;
    DrawRasterValueCell(painter, column, LegendRows[static_cast<std::size_t>(row)], cell);
}

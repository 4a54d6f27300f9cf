#pragma once
// The map view of a map window: shows one document through the viewport
// arithmetic of TMView, with scroll bars, the zoom band, panning, the value
// hint of the information tool, the pointer's coordinates in the status bar
// and the export of the view as a bitmap file.
#include <QAbstractScrollArea>
#include <QCursor>
#include <QImage>
#include <QString>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/WinTypes.h"
#include "viewer/MView.h"

class QLabel;
class QRubberBand;
class QStatusBar;
class TMDoc;
class TQMMapDoc;
struct Layer;

// The status-bar panels the view writes into.
class TStatusPanels {
public:
    virtual ~TStatusPanels() = default;
    virtual void SetPanelText(int panel, const QString& text) = 0;
};

// The main window's status bar: four label panels, 400, 120, 120 and 50
// pixels wide; panels 1 and 2 (the coordinates) are centred.
class TStatusBarPanels : public TStatusPanels {
public:
    explicit TStatusBarPanels(QStatusBar& bar);
    void SetPanelText(int panel, const QString& text) override;
    QString PanelText(int panel) const;
    QLabel* Panel(int panel) const;

private:
    std::array<QLabel*, 4> Labels{}; // owned by the status bar
};

class TQMMapView : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit TQMMapView(QWidget* parent = nullptr);
    ~TQMMapView() override;

    void SetDoc(TMDoc* document);
    TMDoc* GetDoc() const { return Doc; }
    // Where the information tool learns the layer selected in the frame's
    // layer list (its file path, empty when none).
    void SetSelectedLayerSource(std::function<std::string()> source) { SelectedLayerName = std::move(source); }
    // The view writes the pointer's x into `firstPanel` and y into the next.
    void SetStatusBar(TStatusPanels* bar, int firstPanel);

    void SetZoomCursor(const QCursor& cursor) { ZoomCursor = cursor; }
    void SetHintCursor(const QCursor& cursor) { HintCursor = cursor; }
    void SetPanCursors(const QCursor& up, const QCursor& held);
    void SetZoomMode(bool on);
    void SetPanMode(bool on);
    void SetHintMode(bool on);
    TViewMode GetViewMode() const { return ViewMode; }

    // Takes the document's extent again and, with `fit`, shows all of it;
    // the caller repaints.
    void ResetView(bool fit);
    void ZoomIn();
    void ZoomOut();
    void ZoomFit();

    // The raster value under a client point ("7:Forest", "2.50"), '' when none.
    virtual QString GetHintText(QPoint clientPoint);
    // The raster layer the information tool reads.
    Layer* HintRasterLayer();
    // Takes the value hint off the map; the map commands, a scroll, a pan
    // and a deactivation of the window do it as well.
    void HideHint();
    // The hint on the map, or nullptr.
    QLabel* HintWindow() const { return Hint.get(); }

    // The map as drawn into the client area, drawn anew.
    QImage RenderImage();
    // The map the last paint showed; a paint that follows no change of the
    // layers or of the viewport copies it instead of drawing anew.
    const QImage& KeptMap() const { return Kept.Image; }
    // Writes the map as a 24-bit ".bmp" of the client size; QMError
    // "Cannot create file %s." when the file cannot be written.
    void SaveViewBitmap(const QString& fileName);

    const TMView& Viewport() const { return Model; }
    bool IsBandActive() const { return BandActive; }
    const TRect& GetBand() const { return Band; }
    bool IsPanDragging() const { return PanDragging; }

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    TQMMapDoc& MapDoc() const;
    void SetMode(TViewMode mode, const QCursor* cursor);
    void Refresh();
    void SetScrollRanges();
    void OnScrollAction(Qt::Orientation orientation, int action);
    void ZoomPress(QPoint p);
    void ZoomMove(QPoint p);
    void ZoomRelease();
    void PanMove(QPoint p);
    void ShowHint(QPoint p);
    void UpdateCoordinates(QPoint p);
    void ShowBand();
    void ReportError(const std::exception& error);
    void ReportPaintError(const QString& message);
    // What the kept map was drawn for.
    struct TMapState {
        std::uint64_t Changes = 0;
        double Scale = 0;
        double OriginX = 0;
        double OriginY = 0;
        QSize Size;
        QRgb Background = 0;
        bool operator==(const TMapState&) const = default;
    };
    TMapState CurrentMapState() const;

    TMView Model;
    TMDoc* Doc = nullptr;
    std::function<std::string()> SelectedLayerName;
    TStatusPanels* StatusBar = nullptr;
    int XPanel = 0;
    int YPanel = 1;
    TViewMode ViewMode = TViewMode::None;
    bool BandActive = false;
    TRect Band;
    std::unique_ptr<QRubberBand> BandWidget;
    bool PanDragging = false;
    TPoint LastPoint;
    QCursor ZoomCursor;
    QCursor PanUpCursor;
    QCursor PanDownCursor;
    QCursor HintCursor;
    std::unique_ptr<QLabel> Hint;
    struct TKeptMap {
        QImage Image;
        TMapState State;
    };
    TKeptMap Kept;
    // The last failure of painting that was reported, so that a map that
    // cannot be drawn does not raise a box at every repaint.
    QString LastPaintError;
};

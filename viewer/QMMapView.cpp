#include "viewer/QMMapView.h"

#include <QLabel>
#include <QLocale>
#include <QMouseEvent>
#include <QPainter>
#include <QRubberBand>
#include <QSaveFile>
#include <QScrollBar>
#include <QStatusBar>
#include <algorithm>
#include <typeinfo>

#include "geodata/IdrisiRST.h"
#include "geodata/QMLayers.h"
#include "geodata/QMMapDecl.h"
#include "platform/CheckedMath.h"
#include "platform/NumberText.h"
#include "platform/qt/ErrorReport.h"
#include "platform/qt/UiServices.h"
#include "viewer/LayerPainter.h"
#include "viewer/QMMapDoc.h"

namespace {

constexpr int kPanelWidths[4] = {400, 120, 120, 50};
constexpr int kHintHeight = 18;
constexpr int kHintCharWidth = 8;
constexpr int kHintMargin = 2;

TPoint ToTPoint(QPoint p)
{
    return TPoint{p.x(), p.y()};
}

// The hint's bottom-left corner at the press point, shifted as little as
// needed to stay whole inside the map.
QRect HintRect(QPoint p, QSize size, QSize area)
{
    size = size.boundedTo(area);
    const int x = std::clamp(p.x(), 0, area.width() - size.width());
    const int y = std::clamp(p.y() - size.height(), 0, area.height() - size.height());
    return QRect(QPoint(x, y), size);
}

} // namespace

TStatusBarPanels::TStatusBarPanels(QStatusBar& bar)
{
    for (int i = 0; i < 4; ++i) {
        auto label = std::make_unique<QLabel>();
        label->setFixedWidth(kPanelWidths[i]);
        label->setAlignment((i == 1 || i == 2) ? Qt::AlignCenter : Qt::AlignLeft | Qt::AlignVCenter);
        Labels[i] = label.get();
        bar.addWidget(label.release()); // the status bar owns its panels
    }
}

void TStatusBarPanels::SetPanelText(int panel, const QString& text)
{
    if (QLabel* label = Panel(panel)) label->setText(text);
}

QString TStatusBarPanels::PanelText(int panel) const
{
    QLabel* label = Panel(panel);
    return label ? label->text() : QString();
}

QLabel* TStatusBarPanels::Panel(int panel) const
{
    return panel >= 0 && panel < 4 ? Labels[panel] : nullptr;
}

TQMMapView::TQMMapView(QWidget* parent) : QAbstractScrollArea(parent)
{
    // Both bars are always there, so fitting cannot change the client size.
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    viewport()->setMouseTracking(true);
    viewport()->setBackgroundRole(QPalette::Base);
    viewport()->setAutoFillBackground(true);
    connect(horizontalScrollBar(), &QScrollBar::actionTriggered, this,
            [this](int action) { OnScrollAction(Qt::Horizontal, action); });
    connect(verticalScrollBar(), &QScrollBar::actionTriggered, this,
            [this](int action) { OnScrollAction(Qt::Vertical, action); });
    SetScrollRanges();
}

TQMMapView::~TQMMapView() = default;

void TQMMapView::SetDoc(TMDoc* document)
{
    Doc = document;
    Kept = TKeptMap{};
}

void TQMMapView::SetStatusBar(TStatusPanels* bar, int firstPanel)
{
    StatusBar = bar;
    XPanel = firstPanel;
    YPanel = firstPanel + 1;
}

void TQMMapView::SetPanCursors(const QCursor& up, const QCursor& held)
{
    PanUpCursor = up;
    PanDownCursor = held;
}

void TQMMapView::SetMode(TViewMode mode, const QCursor* cursor)
{
    ViewMode = mode;
    if (cursor)
        viewport()->setCursor(*cursor);
    else
        viewport()->unsetCursor();
}

void TQMMapView::SetZoomMode(bool on)
{
    SetMode(on ? TViewMode::Zoom : TViewMode::None, on ? &ZoomCursor : nullptr);
}

void TQMMapView::SetPanMode(bool on)
{
    SetMode(on ? TViewMode::Pan : TViewMode::None, on ? &PanUpCursor : nullptr);
}

void TQMMapView::SetHintMode(bool on)
{
    SetMode(on ? TViewMode::Hint : TViewMode::None, on ? &HintCursor : nullptr);
    if (!on) HideHint();
}

TQMMapDoc& TQMMapView::MapDoc() const
{
    auto* document = dynamic_cast<TQMMapDoc*>(Doc);
    if (document == nullptr) throw std::bad_cast();
    return *document;
}

void TQMMapView::ResetView(bool fit)
{
    HideHint();
    Model.SetClientSize(viewport()->width(), viewport()->height());
    if (Doc == nullptr) return;
    if (Model.ResetView(Doc->GetExtent(), fit)) SetScrollRanges();
}

// After any change of scale, origin or size: the bars follow, a hint no
// longer points at its cell, and the map is drawn again.
void TQMMapView::Refresh()
{
    HideHint();
    SetScrollRanges();
    viewport()->update();
}

void TQMMapView::ZoomIn()
{
    Model.ZoomIn();
    Refresh();
}

void TQMMapView::ZoomOut()
{
    Model.ZoomOut();
    Refresh();
}

void TQMMapView::ZoomFit()
{
    Model.ZoomFit();
    Refresh();
}

// A bar whose extent fits in the window is shown disabled with range 0..0;
// otherwise its positions run over 0..30000 less the page, as the platform's
// bars do.
void TQMMapView::SetScrollRanges()
{
    const std::pair<QScrollBar*, TScrollBarState> bars[] = {{horizontalScrollBar(), Model.HorizontalBar()},
                                                           {verticalScrollBar(), Model.VerticalBar()}};
    for (const auto& [bar, state] : bars) {
        const QSignalBlocker block(bar);
        if (!state.Enabled) {
            bar->setRange(0, 0);
            bar->setEnabled(false);
            continue;
        }
        const int page = std::clamp(state.Page, 1, TMView::kScrollRange);
        bar->setEnabled(true);
        bar->setRange(0, TMView::kScrollRange - page);
        bar->setPageStep(page);
        bar->setSingleStep(std::max(1, page / 10));
        bar->setValue(state.Position);
    }
}

void TQMMapView::OnScrollAction(Qt::Orientation orientation, int action)
{
    try {
        QScrollBar* bar = orientation == Qt::Horizontal ? horizontalScrollBar() : verticalScrollBar();
        TScrollCode code;
        switch (action) {
        case QAbstractSlider::SliderSingleStepAdd: code = TScrollCode::LineForward; break;
        case QAbstractSlider::SliderSingleStepSub: code = TScrollCode::LineBack; break;
        case QAbstractSlider::SliderPageStepAdd: code = TScrollCode::PageForward; break;
        case QAbstractSlider::SliderPageStepSub: code = TScrollCode::PageBack; break;
        case QAbstractSlider::SliderToMinimum: code = TScrollCode::ToStart; break;
        case QAbstractSlider::SliderToMaximum: code = TScrollCode::ToEnd; break;
        case QAbstractSlider::SliderMove: code = TScrollCode::ThumbTrack; break;
        default: return;
        }
        const int position = bar->sliderPosition();
        auto move = orientation == Qt::Horizontal ? Model.ScrollHorizontal(code, position)
                                                  : Model.ScrollVertical(code, position);
        if (move) {
            HideHint();
            bar->setSliderPosition(move->Position);
            viewport()->scroll(move->Dx, move->Dy);
        } else if (code != TScrollCode::ThumbTrack) {
            const TScrollBarState state =
                orientation == Qt::Horizontal ? Model.HorizontalBar() : Model.VerticalBar();
            bar->setSliderPosition(state.Position);
        }
    } catch (const std::exception& error) {
        ReportError(error);
    }
}

// The bars move the map themselves through their actions.
void TQMMapView::scrollContentsBy(int, int)
{
}

void TQMMapView::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    try {
        if (Model.SetClientSize(viewport()->width(), viewport()->height())) Refresh();
    } catch (const std::exception& error) {
        ReportError(error);
    }
}

QImage TQMMapView::RenderImage()
{
    const QSize size = viewport()->size();
    QImage image(size, QImage::Format_RGB32);
    const QColor background = palette().color(QPalette::Base);
    Model.SetViewHeight(size.height());
    QPainter painter(&image);
    if (Doc == nullptr)
        painter.fillRect(image.rect(), background);
    else
        RenderLayers(painter, size, Model, MapDoc().Layers(), background);
    return image;
}

// Everything a map depends on: the document's layers (its count of
// announced changes), the viewport and the background.
TQMMapView::TMapState TQMMapView::CurrentMapState() const
{
    TMapState state;
    if (auto* document = dynamic_cast<const TQMMapDoc*>(Doc)) state.Changes = document->ChangeCount();
    state.Scale = Model.GetScale();
    state.OriginX = Model.GetOriginX();
    state.OriginY = Model.GetOriginY();
    state.Size = viewport()->size();
    state.Background = palette().color(QPalette::Base).rgb();
    return state;
}

void TQMMapView::paintEvent(QPaintEvent*)
{
    // While the map is dragged, the window contents are only moved; the
    // uncovered strips stay empty until the button is released.
    if (PanDragging) return;
    try {
        // An expose, a hint shown or taken away, a window moved over the map:
        // the map is the one drawn last. The state is taken before drawing,
        // so a change during the drawing is not taken for drawn.
        const TMapState state = CurrentMapState();
        if (Kept.Image.isNull() || Kept.State != state) {
            Kept = TKeptMap{};
            Kept = TKeptMap{RenderImage(), state};
        }
        QPainter painter(viewport());
        painter.drawImage(0, 0, Kept.Image);
        LastPaintError.clear();
    } catch (const std::exception& error) {
        ReportPaintError(ErrorText(error));
    }
}

void TQMMapView::SaveViewBitmap(const QString& fileName)
{
    const QImage image = RenderImage().convertToFormat(QImage::Format_RGB888);
    // Written aside and renamed, so a failed write leaves an old file whole.
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly) || !image.save(&file, "BMP") || !file.commit())
        throw QMError("Cannot create file %s.", fileName.toStdString().c_str());
}

void TQMMapView::mousePressEvent(QMouseEvent* event)
{
    try {
        const QPoint p = event->position().toPoint();
        if (event->button() == Qt::LeftButton) {
            switch (ViewMode) {
            case TViewMode::Zoom: ZoomPress(p); break;
            case TViewMode::Pan:
                LastPoint = ToTPoint(p);
                PanDragging = true;
                viewport()->setCursor(PanDownCursor);
                break;
            case TViewMode::Hint: ShowHint(p); break;
            default: break;
            }
        } else if (event->button() == Qt::RightButton) {
            if (ViewMode == TViewMode::Hint && Hint && Hint->isVisible()) HideHint();
        }
    } catch (const std::exception& error) {
        ReportError(error);
    }
    QAbstractScrollArea::mousePressEvent(event);
}

void TQMMapView::mouseMoveEvent(QMouseEvent* event)
{
    try {
        const QPoint p = event->position().toPoint();
        if (event->buttons() & Qt::LeftButton) {
            if (ViewMode == TViewMode::Zoom) ZoomMove(p);
            if (ViewMode == TViewMode::Pan && PanDragging) PanMove(p);
        }
        UpdateCoordinates(p);
    } catch (const std::exception& error) {
        ReportError(error);
    }
    QAbstractScrollArea::mouseMoveEvent(event);
}

void TQMMapView::mouseReleaseEvent(QMouseEvent* event)
{
    try {
        if (event->button() == Qt::LeftButton) {
            if (ViewMode == TViewMode::Zoom) ZoomRelease();
            if (ViewMode == TViewMode::Pan && PanDragging) {
                viewport()->setCursor(PanUpCursor);
                PanDragging = false;
                viewport()->update();
            }
        }
    } catch (const std::exception& error) {
        ReportError(error);
    }
    QAbstractScrollArea::mouseReleaseEvent(event);
}

void TQMMapView::ShowBand()
{
    if (!BandWidget) BandWidget = std::make_unique<QRubberBand>(QRubberBand::Rectangle, viewport());
    BandWidget->setGeometry(QRect(QPoint(Band.Left, Band.Top), QPoint(Band.Right, Band.Bottom)).normalized());
    BandWidget->show();
}

void TQMMapView::ZoomPress(QPoint p)
{
    Band = TRect{p.x(), p.y(), p.x(), p.y()};
    BandActive = true;
    ShowBand();
}

void TQMMapView::ZoomMove(QPoint p)
{
    if (!BandActive) return;
    Band.Right = p.x();
    Band.Bottom = p.y();
    ShowBand();
}

// A band with some width and height is zoomed to, whichever way it was
// dragged; a click zooms by 1.5 around the point; a band that is only a line
// stays on the screen until the next press.
void TQMMapView::ZoomRelease()
{
    if (!BandActive) return;
    const int width = CheckedAbs(CheckedSub(Band.Right, Band.Left));
    const int height = CheckedAbs(CheckedSub(Band.Bottom, Band.Top));
    if (width > 0 && height > 0) {
        BandWidget->hide();
        IntRectNormalize(Band);
        Model.ZoomToRect(Band);
        BandActive = false;
        Refresh();
    } else if (width == 0 && height == 0) {
        BandWidget->hide();
        Model.ZoomAtPoint(TPoint{Band.Left, Band.Top});
        BandActive = false;
        Refresh();
    }
}

void TQMMapView::PanMove(QPoint p)
{
    const TPoint shift = Model.PanBy(LastPoint, ToTPoint(p));
    LastPoint = ToTPoint(p);
    if (shift.x != 0 || shift.y != 0) HideHint();
    SetScrollRanges();
    viewport()->scroll(shift.x, shift.y);
}

void TQMMapView::ShowHint(QPoint p)
{
    if (Hint && Hint->isVisible()) HideHint();
    QString text = GetHintText(p);
    if (text.isEmpty()) return;
    if (text.size() == 1) text += QLatin1Char(' ');
    // A child of the map: it moves, hides and goes with its window and
    // never stands over another one.
    Hint = std::make_unique<QLabel>(viewport());
    Hint->setAttribute(Qt::WA_TransparentForMouseEvents);
    Hint->setFrameStyle(QFrame::Box | QFrame::Plain);
    Hint->setBackgroundRole(QPalette::ToolTipBase);
    Hint->setForegroundRole(QPalette::ToolTipText);
    Hint->setAutoFillBackground(true);
    Hint->setIndent(kHintMargin);
    Hint->setText(text);
    // Eight pixels a character is too narrow for this platform's fonts: the
    // text as the hint's own font measures it, with the frame and margins,
    // sets the least width.
    const int measured = Hint->fontMetrics().horizontalAdvance(text) + 2 * (Hint->frameWidth() + kHintMargin);
    const int width = std::max(kHintCharWidth * static_cast<int>(text.size()), measured);
    Hint->setGeometry(HintRect(p, QSize(width, kHintHeight), viewport()->size()));
    Hint->show();
}

void TQMMapView::HideHint()
{
    Hint.reset();
}

// The program or its window lost the focus: what the hint read may be
// changed by other windows meanwhile.
bool TQMMapView::event(QEvent* event)
{
    if (event->type() == QEvent::WindowDeactivate) HideHint();
    return QAbstractScrollArea::event(event);
}

Layer* TQMMapView::HintRasterLayer()
{
    const std::string name = SelectedLayerName ? SelectedLayerName() : std::string();
    if (name.empty() || Doc == nullptr) return nullptr;
    TQMMapDoc& document = MapDoc();
    Layer* selected = document.LayerByName(name);
    if (selected != nullptr && selected->Kind == lkRaster) return selected;
    // A vector layer is selected: the lowest visible raster in drawing order.
    document.BeginReverseWalk();
    while (Layer* layer = document.NextReverseWalk())
        if (layer->Visible > 0 && layer->Kind == lkRaster) return layer;
    return nullptr;
}

// The cell under the pointer is the one that contains it (the value is not
// taken from the neighbour nearest to the cell's corner).
QString TQMMapView::GetHintText(QPoint clientPoint)
{
    Layer* layer = HintRasterLayer();
    if (layer == nullptr || !layer->Raster || !layer->Raster->Image) return QString();
    TIdrisiRST& raster = *layer->Raster->Image;
    const TDoublePoint p =
        TransformPoint(layer->MapToLayer, Model.ScreenToDoc(ToTPoint(clientPoint), viewport()->height()));
    const auto cell = CellAtPoint(raster.GetBounds(), raster.GetColumns(), raster.GetRows(), p);
    if (!cell) return QString();
    const bool second = QString::fromStdString(MapDoc().LanguageCode()).compare("RUS", Qt::CaseInsensitive) == 0;
    std::string name;
    double value = 0;
    if (!raster.GetValueAt(cell->x, cell->y, second, name, value)) return QString();
    QString text;
    if (raster.GetDataType() == dtByte || raster.GetDataType() == dtInteger)
        text = QString::number(RoundToInt(value));
    else
        text = QString::fromStdString(FormatFixed(value, 2)).replace(QLatin1Char('.'), QLocale().decimalPoint());
    if (!name.empty()) text += QLatin1Char(':') + QString::fromStdString(name);
    return text;
}

void TQMMapView::UpdateCoordinates(QPoint p)
{
    if (StatusBar == nullptr) return;
    auto* document = dynamic_cast<TQMMapDoc*>(Doc);
    if (document == nullptr || document->LayerCount() <= 0) return;
    std::string x;
    std::string y;
    document->PointToCoordTexts(Model.ScreenToDoc(ToTPoint(p), viewport()->height()), x, y);
    StatusBar->SetPanelText(XPanel, QString::fromStdString(x));
    StatusBar->SetPanelText(YPanel, QString::fromStdString(y));
}

void TQMMapView::ReportError(const std::exception& error)
{
    Ui().MessageBox(this, QStringLiteral("Error"), ErrorText(error), TMsgIcon::Error);
}

// A box cannot be shown from inside painting; it follows once the paint is
// over, and only once for a failure that repeats at every repaint.
void TQMMapView::ReportPaintError(const QString& message)
{
    if (message == LastPaintError) return;
    LastPaintError = message;
    QMetaObject::invokeMethod(
        this, [this, message]() { Ui().MessageBox(this, QStringLiteral("Error"), message, TMsgIcon::Error); },
        Qt::QueuedConnection);
}

// The map window's paint of a 1920 x 1080 map of 1,000,000 polygons that
// follows no change: a copy of the map kept from the paint before. The map
// is drawn once before the runs; a run that drew it anew fails.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QEvent>
#include <QScrollBar>
#include <chrono>
#include <cstdint>
#include <memory>

#include "bench/PolygonGrid.h"
#include "geodata/QMLayers.h"
#include "viewer/QMMapDoc.h"
#include "viewer/QMMapView.h"

namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;
constexpr int kColumns = 1000;
constexpr int kPolygons = 1000000;

// Ten-point rings on a 1000 x 1000 grid of cells, a little translucent, so
// that the paint that draws them takes Softedge's road too.
PLayer MillionPolygons()
{
    PLayer layer = PolygonGridLayer(kPolygons, kColumns, 160);
    layer->Owned = 1;
    layer->FileName = "parcels.mif";
    layer->LayerToMap = ScaleTransform(1);
    layer->MapToLayer = ScaleTransform(1);
    return layer;
}

// Counts the paint events a widget receives.
class TPaintCount : public QObject {
public:
    std::int64_t Paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint) ++Paints;
        return false;
    }
};

// A map window of the size of a full-HD screen over the document.
struct TMapWindow {
    TQMMapDoc Doc;
    TQMMapView View;
    double FirstPaintSeconds = 0;

    TMapWindow()
    {
        Doc.Layers().InsertFirst(MillionPolygons());
        View.SetDoc(&Doc);
        View.show();
        const QSize frame = View.size() - View.viewport()->size();
        View.resize(QSize(kWidth, kHeight) + frame);
        QApplication::processEvents();
        View.ResetView(true);
        const auto start = std::chrono::steady_clock::now();
        View.viewport()->repaint();
        FirstPaintSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
};

// The window is made at the first run and kept for the others; it goes
// before the application, which the widgets need.
TMapWindow& Window()
{
    static std::unique_ptr<TMapWindow> window;
    if (!window) {
        window = std::make_unique<TMapWindow>();
        qAddPostRoutine([] { window.reset(); });
    }
    return *window;
}

void BM_MapView_PaintWithoutChange(benchmark::State& state)
{
    TMapWindow& window = Window();
    QWidget& viewport = *window.View.viewport();
    if (viewport.size() != QSize(kWidth, kHeight)) {
        state.SkipWithError("the map is not 1920 x 1080");
        return;
    }
    TPaintCount count;
    viewport.installEventFilter(&count);
    const qint64 kept = window.View.KeptMap().cacheKey();
    for (auto _ : state) viewport.repaint();
    viewport.removeEventFilter(&count);
    if (count.Paints != state.iterations()) state.SkipWithError("a repaint did not paint");
    if (window.View.KeptMap().cacheKey() != kept) state.SkipWithError("a paint drew the map anew");
    state.counters["first_paint_s"] = window.FirstPaintSeconds;
}
BENCHMARK(BM_MapView_PaintWithoutChange)->Unit(benchmark::kMillisecond)->MinTime(0.5)->Repetitions(9);

} // namespace

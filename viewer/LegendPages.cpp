#include "viewer/LegendPages.h"

#include <QTabWidget>
#include <algorithm>
#include <utility>

#include "viewer/DrawGrid.h"
#include "viewer/LayerCheckList.h"

TLegendPages BuildLegendPages(TDrawGrid::TDrawCell drawLegendCell, TDrawGrid::TDrawCell drawRasterValueCell)
{
    TLegendPages pages;
    pages.Pages = new QTabWidget;
    pages.Pages->setObjectName(QStringLiteral("PageControl1"));
    // Whole captions, no scroll arrows: the tab bar's width in the fonts in
    // use is the least width of the panel.
    pages.Pages->setUsesScrollButtons(false);
    pages.Pages->setElideMode(Qt::ElideNone);

    pages.Layers = new TLayerCheckList;
    pages.Pages->addTab(pages.Layers, QStringLiteral("Layers"));

    pages.Legend = new TDrawGrid;
    pages.Legend->setObjectName(QStringLiteral("GR_legend"));
    pages.Legend->SetDrawCell(std::move(drawLegendCell));
    pages.Pages->addTab(pages.Legend, QStringLiteral("Legend"));

    pages.RasterValues = new TDrawGrid;
    pages.RasterValues->setObjectName(QStringLiteral("RSTR_legend"));
    pages.RasterValues->SetDrawCell(std::move(drawRasterValueCell));
    pages.Pages->addTab(pages.RasterValues, QStringLiteral("Rastr Values"));
    return pages;
}

void FitTextColumn(TDrawGrid& grid)
{
    grid.setColumnWidth(1, std::max(0, grid.viewport()->width() - grid.columnWidth(0)));
}

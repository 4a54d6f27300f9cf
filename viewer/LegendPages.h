#pragma once
// The pages of the map frame's control panel: "Layers" (the layer
// check-list), "Legend" (one row a layer: its common style and title) and
// "Rastr Values" (the colours and values of the selected raster). The frame
// draws the grids' cells and keeps the rows; this unit lays the pages out.
#include "viewer/DrawGrid.h"

class QTabWidget;
class TLayerCheckList;

struct TLegendPages {
    QTabWidget* Pages = nullptr;
    TLayerCheckList* Layers = nullptr;
    TDrawGrid* Legend = nullptr;
    TDrawGrid* RasterValues = nullptr;
};

// The three pages, in the order of the frame's page numbers; the grids'
// cells are drawn by the given functions.
TLegendPages BuildLegendPages(TDrawGrid::TDrawCell drawLegendCell, TDrawGrid::TDrawCell drawRasterValueCell);
// The text column takes the width the grid's viewport leaves beside the
// picture column.
void FitTextColumn(TDrawGrid& grid);

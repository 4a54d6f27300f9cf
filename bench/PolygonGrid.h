#pragma once
// The vector layers of the drawing benchmarks. The polygon layers hold
// ten-point rings (nine corners and the closing point) on a grid of 10 x 10
// unit cells, drawn in one solid red area style with a black outline.
#include <cmath>
#include <memory>

#include "geodata/QMLayers.h"

// A visible vector layer without objects, in its objects' own styles.
inline PLayer EmptyVectorLayer()
{
    auto layer = std::make_shared<Layer>();
    InitLayer(*layer);
    layer->Kind = lkVector;
    layer->Visible = 1;
    layer->Vector = std::make_unique<VectorLayer>();
    InitVectorLayer(*layer->Vector);
    return layer;
}

// `count` rings, `columns` to a row of the grid; `opacity` is the layer's
// default opacity.
inline PLayer PolygonGridLayer(int count, int columns, std::int16_t opacity)
{
    PLayer layer = EmptyVectorLayer();
    layer->Vector->DefaultOpacity = opacity;
    TAreaStyle style;
    style.Outline = TLogPen{PS_SOLID, TPoint{1, 0}, RGB(0, 0, 0)};
    style.Brush = TLogBrush{BS_SOLID, RGB(200, 30, 30), 0};
    layer->Vector->Objects.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        const double x = (i % columns) * 10.0;
        const double y = (i / columns) * 10.0;
        MapObject object;
        object.ObjType = otPolygon;
        for (int k = 0; k < 9; ++k) {
            const double a = k * 2 * M_PI / 9;
            object.Points.push_back({x + 5 + 4 * std::cos(a), y + 5 + 4 * std::sin(a)});
        }
        object.Points.push_back(object.Points.front());
        object.PartCounts = {10};
        object.Bounds = PointsBounds(object.Points);
        CalcPartBounds(object);
        object.Style.Set(style);
        layer->Vector->Objects.push_back(std::move(object));
    }
    return layer;
}

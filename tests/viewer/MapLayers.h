#pragma once
// Layers and objects made in memory for the view tests, and raster files
// written small into a scratch folder.
#include <QColor>
#include <QImage>
#include <QPainter>
#include <array>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "geodata/QMLayers.h"
#include "geodata/QMMapDecl.h"
#include "tests/support/RasterFiles.h"
#include "viewer/LayerPainter.h"
#include "viewer/MView.h"

namespace maptest {

inline QRgb Rgb(int r, int g, int b)
{
    return qRgb(r, g, b);
}

inline TAreaStyle SolidArea(TColorRef fill, std::uint32_t penStyle = PS_NULL, TColorRef pen = 0)
{
    TAreaStyle style;
    style.Outline.lopnStyle = penStyle;
    style.Outline.lopnWidth.x = 1;
    style.Outline.lopnColor = pen;
    style.Brush.lbStyle = BS_SOLID;
    style.Brush.lbColor = fill;
    return style;
}

// An object of one or more parts; the bounds are computed from the points.
inline MapObject MakeObject(std::uint8_t type, const std::vector<std::vector<TDoublePoint>>& parts)
{
    MapObject object;
    object.ObjType = type;
    for (const auto& part : parts) {
        object.PartCounts.push_back(static_cast<std::int32_t>(part.size()));
        object.Points.insert(object.Points.end(), part.begin(), part.end());
    }
    object.Bounds = PointsBounds(object.Points);
    CalcPartBounds(object);
    return object;
}

inline std::vector<TDoublePoint> Square(double x1, double y1, double x2, double y2)
{
    return {{x1, y1}, {x2, y1}, {x2, y2}, {x1, y2}, {x1, y1}};
}

inline MapObject AreaObject(const std::vector<std::vector<TDoublePoint>>& rings, const TAreaStyle& style)
{
    MapObject object = MakeObject(otPolygon, rings);
    object.Style.Set(style);
    return object;
}

inline PLayer VectorLayerOf(std::vector<MapObject> objects, std::int16_t visible = 1)
{
    auto layer = std::make_shared<Layer>();
    InitLayer(*layer);
    layer->Kind = lkVector;
    layer->Visible = visible;
    layer->Vector = std::make_unique<VectorLayer>();
    InitVectorLayer(*layer->Vector);
    layer->Vector->Objects = std::move(objects);
    return layer;
}

// Adds the layer on top of the list; the list does not own it.
inline Layer& AddOnTop(TLayerList& layers, PLayer layer)
{
    Layer& added = *layer;
    layers.InsertFirst(std::move(layer));
    return added;
}

// The list drawn as the map window and the bitmap export draw it, on white.
inline QImage RenderedList(const TLayerList& layers, const TMView& view, QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    QPainter painter(&image);
    RenderLayers(painter, size, view, layers, Qt::white);
    return image;
}

// A scratch folder, removed with the object, with writers of small layer files.
class TScratchFolder : public TTempFolder {
public:
    // A palette whose entry i is grey i.
    std::string GreyPalette() const
    {
        return Write("grey.qmp", PaletteBytes("QMPAL", [](int i) { return std::array{i, i, i}; }));
    }
    // name.rdc and name.rst of one row of cells over the extent (0..columns, 0..1);
    // returns the ".rst" path.
    template <class T>
    std::string WriteRaster(const std::string& name, const std::string& type, const std::vector<T>& cells,
                            const std::string& extra = "") const
    {
        TRdcText header;
        header.DataType = type;
        header.Columns = static_cast<long long>(cells.size());
        header.RefSystem = "alber-rus";
        header.Extra = extra;
        return WriteIdrisiRaster(*this, name, header.Text(), CellBytes<T>(cells));
    }
};

} // namespace maptest

#pragma once
// The cells of the frame's two legend grids: a vector layer's style sample
// with its title, the cross of a layer without one common style, and a
// raster value's colour with its text. Column 0 holds the sample, column 1
// the text.
#include "geodata/QMMapDecl.h"

class QPainter;
class QRect;

void DrawLayerLegendCell(QPainter& painter, int column, const LegendObject& legend, const QRect& cell);
// A layer whose objects have different styles: a cross and a note.
void DrawMixedStylesCell(QPainter& painter, int column, const QRect& cell);
void DrawRasterValueCell(QPainter& painter, int column, const TColorValue& value, const QRect& cell);

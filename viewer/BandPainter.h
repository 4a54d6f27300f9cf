#pragma once
// Vector layers drawn on every core, pixel for pixel as TLayerPainter draws
// them one object after the other. The image is cut into bands of rows;
// each band draws, clipped to itself, every object whose drawing can reach
// it, in the layer's order, so each pixel sees the same operations in the
// same order as in one pass. Runs of points on one pixel are cut short, and
// the small areas that make up most of a large layer at fit are drawn from
// stamps.
#include <QSize>

class QImage;
class QPainter;
class TMView;
struct Layer;

// The image `painter` draws on when layers can be drawn into it in bands:
// an RGB32 image of `client`'s size painted without a transform or a clip.
// None otherwise.
QImage* BandTarget(QPainter& painter, QSize client);

// Draws the vector layer into `image` with the view's scale, origin and
// ViewHeight, in bands on every core. Returns false, drawing nothing, when
// the layer must be drawn in one pass: it has point symbols in view (their
// fonts are drawn on the GUI thread), or a transform that turns it.
bool DrawVectorLayerInBands(QImage& image, const TMView& view, const Layer& layer);

#pragma once
// A pen and a brush that draw nothing, each one's own. Qt's own (Qt::NoPen,
// Qt::NoBrush and the defaults) are one object shared by the whole process,
// whose reference count painters on several threads at once take turns at:
// drawing small shapes on every core, that costs more than the drawing.
#include <QBrush>
#include <QPen>

inline QPen OwnNoPen()
{
    QPen pen(Qt::black);
    pen.setStyle(Qt::NoPen);
    return pen;
}

inline QBrush OwnNoBrush()
{
    QBrush brush(Qt::black);
    brush.setStyle(Qt::NoBrush);
    return brush;
}

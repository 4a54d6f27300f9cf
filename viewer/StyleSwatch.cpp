#include "viewer/StyleSwatch.h"

#include <QColorDialog>
#include <QMouseEvent>
#include <QPainter>

#include "platform/qt/QtColors.h"
#include "platform/qt/UiServices.h"

TStyleSwatch::TStyleSwatch(const QString& objectName, QWidget* parent) : QFrame(parent)
{
    setObjectName(objectName);
    setMinimumSize(24, 24);
}

void TStyleSwatch::SetColor(const QColor& color)
{
    FillColor = color;
    update();
}

void TStyleSwatch::SetPattern(Qt::BrushStyle pattern)
{
    FillPattern = pattern;
    update();
}

void TStyleSwatch::SetOutlined(bool outlined)
{
    Outline = outlined;
    update();
}

// Hatch lines stand on white, as a hatched brush with a transparent
// background shows over the white dialog sample.
void TStyleSwatch::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QRect area = rect();
    painter.fillRect(area, Qt::white);
    painter.fillRect(area, QBrush(FillColor, FillPattern));
    if (Outline) {
        painter.setPen(QPen(Qt::black, 2));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(area.adjusted(1, 1, -1, -1));
    }
}

void TStyleSwatch::mousePressEvent(QMouseEvent* event)
{
    event->accept();
    emit Pressed();
}

std::optional<TColorRef> PickStyleColor(QWidget* parent, TColorRef current)
{
    const QColor start = ColorRefToQColor(current);
    QColorDialog::setCustomColor(0, start);
    std::optional<QColor> chosen = Ui().PickColor(parent, start);
    if (!chosen) return std::nullopt;
    return QColorToColorRef(*chosen);
}

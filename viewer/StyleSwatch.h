#pragma once
// The small style samples of the layer dialogs: a framed area filled with a
// colour in a solid or hatched pattern, optionally outlined, that reports a
// mouse press. A disabled swatch receives no presses, so a read-only dialog
// cannot change through it.
#include <QColor>
#include <QFrame>
#include <optional>

#include "platform/WinTypes.h"

class TStyleSwatch : public QFrame {
    Q_OBJECT
public:
    explicit TStyleSwatch(const QString& objectName, QWidget* parent = nullptr);

    void SetColor(const QColor& color);
    QColor Color() const { return FillColor; }
    // Qt::SolidPattern or one of the six hatch patterns.
    void SetPattern(Qt::BrushStyle pattern);
    Qt::BrushStyle Pattern() const { return FillPattern; }
    void SetOutlined(bool outlined);
    bool Outlined() const { return Outline; }

signals:
    void Pressed();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    QColor FillColor = Qt::white;
    Qt::BrushStyle FillPattern = Qt::SolidPattern;
    bool Outline = false;
};

// The colour choice of every style field: the dialog starts at `current`,
// which is also offered as the first custom colour. None on cancel.
std::optional<TColorRef> PickStyleColor(QWidget* parent, TColorRef current);

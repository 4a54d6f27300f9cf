#pragma once
// Point symbols: one character of the style's font centred on its point, or
// a filled circle of the symbol's size and colour where the font or the
// character is missing. The map, the legend and the style dialog's symbol
// grid all draw symbols through TPointSymbols, so they always agree.
#include <QGlyphRun>
#include <QPoint>
#include <cstdint>
#include <unordered_map>

#include "geodata/QMMapDecl.h"

class QPainter;

class TPointSymbols {
public:
    // Draws `style`'s symbol centred on `at`: the character cell is twice the
    // symbol size high and its bottom lies `size` below the point. Sets the
    // painter's pen and brush.
    void Draw(QPainter& painter, QPoint at, const TPointStyle& style);

private:
    struct TGlyph {
        bool Found = false;
        QGlyphRun Run;
        qreal Advance = 0;
        qreal Descent = 0;
    };
    const TGlyph& Glyph(std::int32_t fontIndex, int pixelSize, int code);

    // Glyphs by font, size and code, made once per cache: the font database
    // is slow to ask and text layout slow to run.
    std::unordered_map<std::uint64_t, TGlyph> Glyphs;
};

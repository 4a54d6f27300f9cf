#include "viewer/PointSymbol.h"

#include <QFont>
#include <QList>
#include <QPainter>
#include <QRawFont>
#include <QString>
#include <algorithm>

#include "geodata/FontTable.h"
#include "platform/qt/QtColors.h"
#include "platform/qt/SymbolFonts.h"

namespace {

// A symbol size from a damaged file must not ask for a font of millions of
// pixels.
constexpr int kMaxSymbolPixels = 4096;

// Fonts with a symbol character map keep code c at U+F000 + c; others, as
// Debian's "Symbol", which sets the symbol code-page bit but maps only the
// Unicode positions, keep it at c itself. Glyph index 0 is the font's
// missing-character box, which is never a symbol.
quint32 SymbolGlyphIndex(const QRawFont& font, int code)
{
    for (const char32_t position : {static_cast<char32_t>(0xF000 + code), static_cast<char32_t>(code)}) {
        const QList<quint32> indexes = font.glyphIndexesForString(QString::fromUcs4(&position, 1));
        if (indexes.size() == 1 && indexes.front() != 0) return indexes.front();
    }
    return 0;
}

} // namespace

const TPointSymbols::TGlyph& TPointSymbols::Glyph(std::int32_t fontIndex, int pixelSize, int code)
{
    const std::uint64_t key = (static_cast<std::uint64_t>(static_cast<std::uint32_t>(fontIndex)) << 32) |
                              (static_cast<std::uint64_t>(pixelSize) << 8) | static_cast<std::uint64_t>(code);
    auto found = Glyphs.find(key);
    if (found != Glyphs.end()) return found->second;
    TGlyph glyph;
    const QString family = QString::fromStdString(FontName(fontIndex));
    // Qt would substitute another family for a missing one, and its letter
    // would stand for a symbol it is not.
    // Aliased, as the map draws everything: a symbol shows its own colour
    // only, whatever lies beneath.
    if (!family.isEmpty() && FontFamilyInstalled(family)) {
        QFont font(family);
        font.setPixelSize(pixelSize);
        font.setStyleStrategy(QFont::NoAntialias);
        const QRawFont raw = QRawFont::fromFont(font);
        const quint32 index = raw.isValid() ? SymbolGlyphIndex(raw, code) : 0;
        if (index != 0) {
            glyph.Run.setRawFont(raw);
            glyph.Run.setGlyphIndexes({index});
            glyph.Run.setPositions({QPointF(0, 0)});
            glyph.Advance = raw.advancesForGlyphIndexes({index}).value(0).x();
            glyph.Descent = raw.descent();
            glyph.Found = true;
        }
    }
    return Glyphs.emplace(key, std::move(glyph)).first->second;
}

void TPointSymbols::Draw(QPainter& painter, QPoint at, const TPointStyle& style)
{
    const int size = std::clamp(style.SymbolSize, 0, kMaxSymbolPixels / 2);
    const QColor colour = ColorRefToQColor(style.SymbolColor);
    const TGlyph& glyph = Glyph(style.SymbolFont, std::max(1, 2 * size), style.SymbolChar & 0xFF);
    if (!glyph.Found) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(colour);
        painter.drawEllipse(QPointF(at), size / 2.0, size / 2.0);
        return;
    }
    painter.setPen(colour);
    painter.drawGlyphRun(QPointF(at.x() - glyph.Advance / 2, at.y() + size - glyph.Descent), glyph.Run);
}

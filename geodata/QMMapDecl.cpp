#include "geodata/QMMapDecl.h"

#include <cstdarg>

#include "platform/NumberText.h"

std::int32_t ScreenDpi = 96;

namespace {

std::string FormatMessage(const char* format, va_list args)
{
    return FormatTextV(format, args);
}

} // namespace

QMError::QMError(const char* format, ...) : std::runtime_error("")
{
    va_list args;
    va_start(args, format);
    std::string message = FormatMessage(format, args);
    va_end(args);
    static_cast<std::runtime_error&>(*this) = std::runtime_error(message);
}

bool SamePointStyle(const TPointStyle& a, const TPointStyle& b)
{
    return a.SymbolChar == b.SymbolChar && a.SymbolSize == b.SymbolSize && a.SymbolColor == b.SymbolColor &&
           a.SymbolFont == b.SymbolFont;
}

bool SameLineStyle(const TLineStyle& a, const TLineStyle& b)
{
    // The width's y is not used by pens.
    return a.lopnStyle == b.lopnStyle && a.lopnWidth.x == b.lopnWidth.x && a.lopnColor == b.lopnColor;
}

bool SameAreaStyle(const TAreaStyle& a, const TAreaStyle& b)
{
    return SameLineStyle(a.Outline, b.Outline) && a.Brush.lbStyle == b.Brush.lbStyle &&
           a.Brush.lbColor == b.Brush.lbColor && a.Brush.lbHatch == b.Brush.lbHatch && a.BackColor == b.BackColor &&
           a.BackMode == b.BackMode;
}

bool IsStyleKind(std::uint8_t kind)
{
    return kind >= skPoint && kind <= skArea;
}

void CalcPartBounds(MapObject& object)
{
    if (object.PartCounts.empty()) return;
    object.PartBounds.resize(object.PartCounts.size());
    if (object.PartCounts.size() == 1) {
        object.PartBounds[0] = object.Bounds;
        return;
    }
    long long start = 0;
    for (std::size_t i = 0; i < object.PartBounds.size(); ++i) {
        object.PartBounds[i] = PointsRangeBounds(object.Points, start, object.PartCounts[i]);
        start += object.PartCounts[i];
    }
}

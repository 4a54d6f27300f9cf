#pragma once
// Conversions between the stored Windows colour words and Qt colours.
#include <QColor>
#include <cstdint>

#include "platform/WinTypes.h"

// COLORREF 0x00BBGGRR (red in the low byte).
inline QColor ColorRefToQColor(TColorRef c)
{
    return QColor(static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF), static_cast<int>((c >> 16) & 0xFF));
}
inline TColorRef QColorToColorRef(const QColor& c)
{
    return RGB(static_cast<std::uint8_t>(c.red()), static_cast<std::uint8_t>(c.green()),
               static_cast<std::uint8_t>(c.blue()));
}
// RGBQUAD word: blue in bits 0-7, green 8-15, red 16-23; the opaque alpha is
// added, giving Qt's QRgb.
inline QRgb RgbQuadToQRgb(std::uint32_t quad)
{
    return 0xFF000000u | (quad & 0x00FFFFFFu);
}
inline QColor RgbQuadToQColor(std::uint32_t quad)
{
    return QColor::fromRgb(RgbQuadToQRgb(quad));
}

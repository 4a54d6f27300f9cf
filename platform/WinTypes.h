#pragma once
// Plain records with the Windows numeric layout. Composition files store
// colours, pen and brush styles and hatch numbers with these values, so they
// are kept exactly, whatever toolkit draws them.
#include <cstdint>

using TColorRef = std::uint32_t; // 0x00BBGGRR: red in the low byte

struct TPoint {
    std::int32_t x = 0;
    std::int32_t y = 0;
};

// Integer rectangle, y growing downwards as on the screen.
struct TRect {
    std::int32_t Left = 0;
    std::int32_t Top = 0;
    std::int32_t Right = 0;
    std::int32_t Bottom = 0;
};

struct TLogPen {
    std::uint32_t lopnStyle = 0;
    TPoint lopnWidth;         // x is the width in pixels; y is not used
    TColorRef lopnColor = 0;
};

struct TLogBrush {
    std::uint32_t lbStyle = 0;
    TColorRef lbColor = 0;
    std::uint32_t lbHatch = 0;
};

static_assert(sizeof(TPoint) == 8);
static_assert(sizeof(TRect) == 16);
static_assert(sizeof(TLogPen) == 16);
static_assert(sizeof(TLogBrush) == 12);

// Pen styles.
constexpr std::uint32_t PS_SOLID = 0;
constexpr std::uint32_t PS_DASH = 1;
constexpr std::uint32_t PS_DOT = 2;
constexpr std::uint32_t PS_DASHDOT = 3;
constexpr std::uint32_t PS_DASHDOTDOT = 4;
constexpr std::uint32_t PS_NULL = 5;

// Brush styles.
constexpr std::uint32_t BS_SOLID = 0;
constexpr std::uint32_t BS_HOLLOW = 1;
constexpr std::uint32_t BS_HATCHED = 2;

// Hatch styles.
constexpr std::uint32_t HS_HORIZONTAL = 0;
constexpr std::uint32_t HS_VERTICAL = 1;
constexpr std::uint32_t HS_FDIAGONAL = 2; // like "\"
constexpr std::uint32_t HS_BDIAGONAL = 3; // like "/"
constexpr std::uint32_t HS_CROSS = 4;
constexpr std::uint32_t HS_DIAGCROSS = 5;

// Background modes.
constexpr std::int32_t TRANSPARENT = 1;
constexpr std::int32_t OPAQUE = 2;

constexpr std::uint8_t GetRValue(TColorRef c) { return static_cast<std::uint8_t>(c & 0xFF); }
constexpr std::uint8_t GetGValue(TColorRef c) { return static_cast<std::uint8_t>((c >> 8) & 0xFF); }
constexpr std::uint8_t GetBValue(TColorRef c) { return static_cast<std::uint8_t>((c >> 16) & 0xFF); }
constexpr TColorRef RGB(std::uint8_t r, std::uint8_t g, std::uint8_t b)
{
    return static_cast<TColorRef>(r) | (static_cast<TColorRef>(g) << 8) | (static_cast<TColorRef>(b) << 16);
}

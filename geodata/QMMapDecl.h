#pragma once
// The records every unit exchanges: vector objects with their parts and
// styles, legend rows, the viewer's settings, the system's exception QMError
// and the screen resolution.
#include <array>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <vector>

#include "geodata/Geometry.h"
#include "platform/WinTypes.h"

// A symbol drawn as one character of a font.
struct TPointStyle {
    std::int32_t SymbolChar = 0;  // character code (low byte used)
    std::int32_t SymbolSize = 0;  // pixels
    TColorRef SymbolColor = 0;
    std::int32_t SymbolFont = 0;  // index into FontList
};

using TLineStyle = TLogPen;

struct TAreaStyle {
    TLineStyle Outline;
    TLogBrush Brush;
    TColorRef BackColor = 0;
    std::int32_t BackMode = 0; // TRANSPARENT or OPAQUE
};

static_assert(sizeof(TPointStyle) == 16);
static_assert(sizeof(TLineStyle) == 16);
static_assert(sizeof(TAreaStyle) == 36);

// The 36 style bytes of an object or legend entry, read and written as the
// record its kind says (point, line or area style at offset 0).
class TStyleBytes {
public:
    template <class T>
    T As() const
    {
        static_assert(std::is_trivially_copyable_v<T> && sizeof(T) <= 36);
        T value;
        std::memcpy(&value, Bytes.data(), sizeof(T));
        return value;
    }
    template <class T>
    void Set(const T& value)
    {
        static_assert(std::is_trivially_copyable_v<T> && sizeof(T) <= 36);
        Bytes.fill(0);
        std::memcpy(Bytes.data(), &value, sizeof(T));
    }
    std::array<std::uint8_t, 36> Bytes{};
};

enum : std::uint8_t { otPoint = 1, otLine = 2, otPolygon = 3, otText = 4 };

// Style kinds of a legend entry and of a vector layer's two style sets. A
// layer's legend takes the type of its objects as its kind, so each kind
// equals the object type it styles.
enum : std::uint8_t { skNone = 0, skPoint = 1, skLine = 2, skArea = 3 };
static_assert(+skPoint == +otPoint && +skLine == +otLine && +skArea == +otPolygon);
// Point, line or area.
bool IsStyleKind(std::uint8_t kind);

struct MapObject {
    std::uint8_t ObjType = 0;           // 1 point, 2 line, 3 polygon, 4 text
    TDoubleRect Bounds;                 // of all points, in layer units
    std::vector<std::int32_t> PartCounts;
    std::vector<TDoubleRect> PartBounds;
    std::vector<TDoublePoint> Points;   // all points, part after part
    TStyleBytes Style;
};
using MapObjectArray = std::vector<MapObject>;

// One legend entry of a vector layer.
struct LegendObject {
    std::uint8_t StyleKind = skNone;
    std::string Title;
    std::int32_t Opacity = 255; // 0..255, 255 opaque
    TStyleBytes Style;
};

// One legend row of a raster layer; Color is laid out as RGBQUAD (red in
// bits 16-23).
struct TColorValue {
    std::uint32_t Color = 0;
    std::string Text;
};
using TColorValueArray = std::vector<TColorValue>;

struct LumivarSettings {
    std::string CommonRoot;   // map root folder
    std::string SymbolFolder; // palette and symbol folder
    std::string DefPalette;   // default palette file name
};

// The system's own exception: a message for the user. Construct it with a
// plain message or with a printf-style format (reals through FormatText's
// locale-free rules).
class QMError : public std::runtime_error {
public:
    explicit QMError(const std::string& message) : std::runtime_error(message) {}
    explicit QMError(const char* format, ...) __attribute__((format(printf, 2, 3)));
};

// The screen's vertical pixels per inch; the viewer sets it at start.
extern std::int32_t ScreenDpi;

bool SamePointStyle(const TPointStyle& a, const TPointStyle& b);
bool SameLineStyle(const TLineStyle& a, const TLineStyle& b);
bool SameAreaStyle(const TAreaStyle& a, const TAreaStyle& b);
// Fills PartBounds from Points and PartCounts.
void CalcPartBounds(MapObject& object);

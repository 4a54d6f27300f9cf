#include "geodata/MapInfoMIF.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <type_traits>
#include <vector>

#include "geodata/FontTable.h"
#include "geodata/IdrisiRDC.h"
#include "platform/CheckedMath.h"
#include "platform/Environment.h"
#include "platform/FileNames.h"
#include "platform/NumberText.h"
#include "platform/RuntimeErrors.h"

namespace {

// Tokens of the rest of a CoordSys clause after the datum, by projection type.
int CoordSysTokenCount(std::int32_t type)
{
    switch (type) {
    case 1: return 1;
    case -7: return 3;
    case 2: case 26: return 4;
    case 4: case 5: case 28: return 5;
    case 18: case 25: case 27: return 6;
    case -4: case 8: case 9: return 7;
    case 3: case 6: case 7: case 19: return 8;
    default: return 0;
    }
}

// The fixed Albers projection of this system: central meridian 100, origin
// latitude 0, standard parallels 44 and 68, no false origin.
bool IsAlberRusParameters(const std::vector<double>& parameters)
{
    static constexpr double kAlberRus[] = {100, 0, 44, 68, 0, 0};
    if (parameters.size() != std::size(kAlberRus)) return false;
    for (std::size_t i = 0; i < parameters.size(); ++i)
        if (std::fabs(parameters[i] - kAlberRus[i]) > 1e-9) return false;
    return true;
}

std::uint32_t PenStyleOfPattern(std::int32_t pattern)
{
    switch (pattern) {
    case 1: return PS_NULL;
    case 2: return PS_SOLID;
    case 3: return PS_DOT;
    default: return PS_DASH;
    }
}

// MapInfo fill patterns 3 to 8 are the six hatches, in MapInfo's order.
TLogBrush BrushOfPattern(std::int32_t pattern, TColorRef color)
{
    static constexpr std::uint32_t kHatches[] = {HS_HORIZONTAL, HS_VERTICAL, HS_BDIAGONAL,
                                                 HS_FDIAGONAL,  HS_CROSS,    HS_DIAGCROSS};
    TLogBrush brush;
    brush.lbColor = color;
    if (pattern == 1) {
        brush.lbStyle = BS_HOLLOW;
    } else if (pattern >= 3 && pattern <= 8) {
        brush.lbStyle = BS_HATCHED;
        brush.lbHatch = kHatches[pattern - 3];
    } else {
        brush.lbStyle = BS_SOLID;
    }
    return brush;
}

TColorRef CheckedMifColor(std::int32_t color)
{
    if (color < 0) throw ERangeError();
    return TMapinfoMIF::MifColorToColor(color);
}

// Writes a record over the first bytes of the style and keeps the rest, so
// a pen leaves the brush of an area style as it was.
template <class T>
void SetStylePrefix(TStyleBytes& style, const T& value)
{
    static_assert(std::is_trivially_copyable_v<T> && sizeof(T) <= sizeof(style.Bytes));
    std::memcpy(style.Bytes.data(), &value, sizeof(T));
}

std::string_view WithoutDoubleQuotes(std::string_view s)
{
    if (!s.empty() && s.front() == '"') s.remove_prefix(1);
    if (!s.empty() && s.back() == '"') s.remove_suffix(1);
    return s;
}

} // namespace

TColorRef TMapinfoMIF::MifColorToColor(std::int32_t mifColor)
{
    std::uint32_t c = static_cast<std::uint32_t>(mifColor);
    return ((c & 0xFFu) << 16) | (c & 0xFF00u) | ((c & 0xFF0000u) >> 16);
}

void TMapinfoMIF::Load(const std::string& fileName)
{
    THourglass hourglass;
    ParseMif(fileName);
}

void TMapinfoMIF::ParseMif(const std::string& fileName)
{
    Tokens.OpenTokenFile(fileName);
    struct TCloser {
        TTokenFile& File;
        ~TCloser() { File.CloseTokenFile(); }
    } closer{Tokens};
    ReadMifHeader();
    ReadMifObjects();
}

void TMapinfoMIF::ReadMifHeader()
{
    // A file that ends before "Data" is refused here rather than read on.
    for (;;) {
        std::string_view token = Tokens.NeedToken();
        if (SameText(token, "Data")) return;
        if (SameText(token, "Version") || SameText(token, "Charset") || SameText(token, "Unique") ||
            SameText(token, "Index"))
            Tokens.NeedToken();
        else if (SameText(token, "Delimiter"))
            Delimiter = Tokens.NeedToken().front();
        else if (SameText(token, "CoordSys"))
            ReadCoordSys();
    }
}

void TMapinfoMIF::ReadCoordSys()
{
    std::int32_t type = ReadProjectionType();
    int tokenCount = CoordSysTokenCount(type);
    if (tokenCount == 0)
        throw QMError("Invalid projection type. File %s, line %d", Tokens.TokenFileName().c_str(),
                      Tokens.TokenLineNo());
    std::int32_t datum = NeedInt();
    std::string_view units = "\"deg\"";
    std::vector<double> parameters;
    if (tokenCount > 1) {
        units = Tokens.NeedToken();
        parameters = ReadProjectionParameters(tokenCount - 1);
    }
    SetRefSystem(type, datum, parameters);
    SetRefUnits(units);
    ReadCoordSysBounds();
}

// "Earth Projection" and the type. The thousands of a type only flag the
// "Affine" and "Bounds" clauses, which are read by their keywords.
std::int32_t TMapinfoMIF::ReadProjectionType()
{
    if (!SameText(Tokens.NeedToken(), "Earth") || !SameText(Tokens.NeedToken(), "Projection"))
        throw QMError("Invalid projection. File %s, line %d", Tokens.TokenFileName().c_str(), Tokens.TokenLineNo());
    std::int32_t type = NeedInt();
    if (type > 3000) type -= 3000;
    else if (type > 2000) type -= 2000;
    else if (type > 1000) type -= 1000;
    return type;
}

// Files written by other software give Transverse Mercator and Lambert
// conformal conic one parameter fewer than the table counts; a word ends the
// parameters so that "Bounds" is not swallowed.
std::vector<double> TMapinfoMIF::ReadProjectionParameters(int count)
{
    std::vector<double> parameters;
    for (int i = 0; i < count; ++i) {
        std::string_view token = Tokens.NeedToken();
        double value = 0;
        if (!TryStrToFloat(token, value)) {
            Tokens.UngetToken(token);
            break;
        }
        parameters.push_back(value);
    }
    return parameters;
}

void TMapinfoMIF::SetRefSystem(std::int32_t type, std::int32_t datum, const std::vector<double>& parameters)
{
    if (type == 1 && (datum == 0 || datum == 1001)) {
        RefSystem = rsLatLong;
        RefSystemName = "Lat-long";
    } else if (type == 9 && datum == 1001 && IsAlberRusParameters(parameters)) {
        RefSystem = rsAlberRus;
        RefSystemName = "Alber-rus";
    } else {
        RefSystem = rsOther;
        RefSystemName = "Unknown";
    }
}

// The units keep their double quotes; units not known make the projection
// unknown too, whatever it was.
void TMapinfoMIF::SetRefUnits(std::string_view units)
{
    if (SameText(units, "\"deg\"")) {
        RefUnits = ruDegrees;
    } else if (SameText(units, "\"m\"")) {
        RefUnits = ruMetres;
    } else if (SameText(units, "\"km\"")) {
        RefUnits = ruKilometres;
    } else {
        RefUnits = 0;
        RefSystem = rsOther;
        RefSystemName = "Unknown";
    }
}

// An optional "Affine" clause, then "Bounds"; degrees without bounds cover
// the whole globe.
void TMapinfoMIF::ReadCoordSysBounds()
{
    std::string_view token = Tokens.GetToken();
    if (SameText(token, "Affine")) {
        for (int i = 0; i < 8; ++i) Tokens.NeedToken();
        token = Tokens.GetToken();
    }
    if (SameText(token, "Bounds")) {
        MinX = NeedReal();
        MinY = NeedReal();
        MaxX = NeedReal();
        MaxY = NeedReal();
        return;
    }
    // The end of the file goes back too, so the header reports it.
    Tokens.UngetToken(token);
    if (RefUnits == ruDegrees) {
        MinX = -180;
        MaxX = 180;
        MinY = -90;
        MaxY = 90;
    }
}

void TMapinfoMIF::ReadMifObjects()
{
    for (;;) {
        std::string_view token = Tokens.GetToken();
        if (token.empty()) break;
        if (SameText(token, "Line")) {
            ReadLineObject();
        } else if (SameText(token, "PLine")) {
            ReadPLineObject();
        } else if (SameText(token, "Region")) {
            ReadRegionObject();
        } else if (SameText(token, "Point")) {
            ReadPointObject();
        } else if (SameText(token, "Label")) {
            // A Text object's "Label Line simple x y" is no Line object.
            std::string_view next = Tokens.GetToken();
            if (!SameText(next, "Line")) Tokens.UngetToken(next);
        }
    }
    Objects.shrink_to_fit();
}

void TMapinfoMIF::AppendObject()
{
    QM_ASSERT("MapInfoMIF", Current.ObjType != 0);
    Current.Bounds = PointsBounds(Current.Points);
    CalcPartBounds(Current);
    Objects.push_back(std::move(Current));
    // The style stays for the next object that brings none of its own.
    TStyleBytes style = Objects.back().Style;
    Current = MapObject();
    Current.Style = style;
}

void TMapinfoMIF::ReadLineObject()
{
    Current.ObjType = otLine;
    NeedPoint();
    NeedPoint();
    Current.PartCounts.push_back(2);
    ReadPen();
    AppendObject();
}

void TMapinfoMIF::ReadPLineObject()
{
    Current.ObjType = otLine;
    std::int32_t sections = 1;
    std::string_view token = Tokens.NeedToken();
    if (SameText(token, "Multiple")) sections = NeedCount();
    else Tokens.UngetToken(token);
    for (std::int32_t i = 0; i < sections; ++i) ReadPart();
    ReadPen();
    AppendObject();
}

void TMapinfoMIF::ReadRegionObject()
{
    Current.ObjType = otPolygon;
    std::int32_t polygons = NeedCount();
    for (std::int32_t i = 0; i < polygons; ++i) ReadPart();
    ReadPen();
    ReadBrush();
    AppendObject();
}

void TMapinfoMIF::ReadPointObject()
{
    Current.ObjType = otPoint;
    NeedPoint();
    Current.PartCounts.push_back(1);
    ReadSymbol();
    AppendObject();
}

// A point count and its points. The room reserved is bounded by the bytes
// left, of which every point takes at least four ("0 0" and a separator), so
// a hostile count runs into the end of the file instead of an allocation.
void TMapinfoMIF::ReadPart()
{
    std::int32_t count = NeedCount();
    std::size_t bound = Tokens.RemainingBytes() / 4 + Current.Points.size() + 1;
    Current.Points.reserve(Current.Points.size() + std::min<std::size_t>(static_cast<std::size_t>(count), bound));
    for (std::int32_t i = 0; i < count; ++i) NeedPoint();
    Current.PartCounts.push_back(count);
}

void TMapinfoMIF::ReadPen()
{
    std::string_view token = Tokens.GetToken();
    if (!SameText(token, "Pen")) {
        Tokens.UngetToken(token);
        return;
    }
    std::int32_t width = NeedInt();
    std::int32_t pattern = NeedInt();
    std::int32_t color = NeedInt();
    TLineStyle pen;
    pen.lopnStyle = PenStyleOfPattern(pattern);
    pen.lopnWidth.x = width;
    pen.lopnWidth.y = 0;
    pen.lopnColor = CheckedMifColor(color);
    if (Current.ObjType == otLine || Current.ObjType == otPolygon) SetStylePrefix(Current.Style, pen);
}

void TMapinfoMIF::ReadBrush()
{
    std::string_view token = Tokens.GetToken();
    if (!SameText(token, "Brush")) {
        Tokens.UngetToken(token);
        return;
    }
    QM_ASSERT("MapInfoMIF", Current.ObjType == otPolygon);
    TEolTokensShown eolTokens(Tokens);
    std::int32_t pattern = NeedInt();
    std::int32_t foreColor = NeedInt();
    TAreaStyle area = Current.Style.As<TAreaStyle>();
    token = Tokens.GetToken();
    if (!token.empty() && token != kEolToken) {
        area.BackColor = CheckedMifColor(StrToInt(token));
        area.BackMode = OPAQUE;
    } else {
        area.BackColor = 0;
        area.BackMode = TRANSPARENT;
        if (token.empty()) Tokens.UngetToken(token);
    }
    area.Brush = BrushOfPattern(pattern, CheckedMifColor(foreColor));
    SetStylePrefix(Current.Style, area);
}

void TMapinfoMIF::ReadSymbol()
{
    std::string_view token = Tokens.GetToken();
    if (!SameText(token, "Symbol")) {
        Tokens.UngetToken(token);
        return;
    }
    TEolTokensShown eolTokens(Tokens);
    std::int32_t shape = NeedInt();
    std::int32_t color = NeedInt();
    std::int32_t size = NeedInt();

    std::string_view font = ReadSymbolFont();
    std::string fontName(WithoutDoubleQuotes(font));
    if (!font.empty() && fontName == "MapInfo Cartographic" && !CartographicFontInstalled()) {
        fontName = "Wingdings";
        shape = 159;
        size = RoundToInt(size * 2.5);
    }

    TPointStyle symbol;
    symbol.SymbolChar = shape;
    symbol.SymbolSize = MulDiv(size, ScreenDpi, 144);
    symbol.SymbolColor = MifColorToColor(color);
    symbol.SymbolFont = font.empty() ? 0 : FontIndex(fontName);
    SetStylePrefix(Current.Style, symbol);
}

// The font of a TrueType symbol, '' for a MapInfo 3.0 symbol, which has
// none; the rest of the line (font style and rotation) is not used.
std::string_view TMapinfoMIF::ReadSymbolFont()
{
    std::string_view font = Tokens.GetToken();
    if (font.empty()) {
        Tokens.UngetToken({});
        return font;
    }
    if (font == kEolToken) return {};
    for (;;) {
        std::string_view token = Tokens.GetToken();
        if (token == kEolToken) break;
        if (token.empty()) {
            Tokens.UngetToken(token);
            break;
        }
    }
    return font;
}

std::int32_t TMapinfoMIF::NeedInt()
{
    return StrToInt(Tokens.NeedToken());
}

double TMapinfoMIF::NeedReal()
{
    return StrToFloat(Tokens.NeedToken());
}

std::int32_t TMapinfoMIF::NeedCount()
{
    std::int32_t count = NeedInt();
    if (count < 0)
        throw QMError("Invalid point count. File %s, line %d", Tokens.TokenFileName().c_str(), Tokens.TokenLineNo());
    return count;
}

void TMapinfoMIF::NeedPoint()
{
    TDoublePoint p;
    p.x = NeedReal();
    p.y = NeedReal();
    Current.Points.push_back(p);
}

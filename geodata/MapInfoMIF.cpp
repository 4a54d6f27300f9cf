#include "geodata/MapInfoMIF.h"

#include <algorithm>
#include <cmath>
#include <condition_variable>
#include <cstddef>
#include <cstring>
#include <exception>
#include <iterator>
#include <mutex>
#include <type_traits>
#include <utility>
#include <vector>

#include "geodata/FontTable.h"
#include "geodata/IdrisiRDC.h"
#include "platform/CheckedMath.h"
#include "platform/Environment.h"
#include "platform/FileByteReader.h"
#include "platform/FileNames.h"
#include "platform/NumberText.h"
#include "platform/ParallelFor.h"
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

// Files up to this size are read on one core; larger ones in slices of it.
constexpr std::size_t kSliceBytes = std::size_t(2) << 20;
// No limit to the object loop: it reads to the end of the file.
constexpr std::uint64_t kToTheEnd = ~std::uint64_t(0);

// The style's first 16 bytes are written by pens and symbols, the rest by
// brushes.
constexpr std::size_t kStyleHeadBytes = 16;
constexpr std::size_t kSymbolFontByte = offsetof(TPointStyle, SymbolFont);

bool IsObjectKeyword(std::string_view token)
{
    return SameText(token, "Region") || SameText(token, "PLine") || SameText(token, "Point") ||
           SameText(token, "Line");
}

// Whether a line that starts at text[i] begins with an object keyword; a
// keyword behind more blanks than the look-ahead is missed, which costs
// only a slice.
constexpr std::size_t kLookAhead = 64;
bool StartsWithObjectKeyword(std::string_view text, std::size_t i)
{
    std::size_t end = std::min(text.size(), i + kLookAhead);
    while (i < end && text[i] != '\r' && text[i] != '\n' && IsTokenSeparator(text[i])) ++i;
    std::size_t start = i;
    while (i < end && !IsTokenSeparator(text[i])) ++i;
    return (i < end || i == text.size()) && IsObjectKeyword(text.substr(start, i - start));
}

// The first line that starts in [from, to) with an object keyword, where an
// object most likely starts; `to` when there is none. Lines end as the
// tokenizer ends them (LF, CRLF, lone CR). `from` is after the file's start.
std::uint64_t FindObjectLine(const TFileByteReader& file, std::uint64_t from, std::uint64_t to)
{
    constexpr std::size_t kPiece = 64 << 10;
    std::string text;
    for (std::uint64_t begin = from - 1; begin + 1 < to; begin += kPiece) {
        const std::uint64_t end = std::min<std::uint64_t>(file.Size(), begin + kPiece + kLookAhead + 1);
        text.resize(static_cast<std::size_t>(end - begin));
        file.ReadAt(begin, text.data(), text.size());
        for (std::size_t i = 1; i <= kPiece && i < text.size() && begin + i < to; ++i) {
            const bool lineStart = text[i - 1] == '\n' || (text[i - 1] == '\r' && text[i] != '\n');
            if (lineStart && StartsWithObjectKeyword(text, i)) return begin + i;
        }
    }
    return to;
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

// What a reader of one slice notes for the join: the slice's objects take
// the style of the object before them until their own clauses give one, and
// their symbol fonts are numbered in the slice until the join enters them
// into the process-wide table in the order of the file.
struct TMapinfoMIF::TSliceNotes {
    TLinePlace Start;
    TLinePlace Stop;
    // The objects at the front whose first 16 style bytes (pen or symbol),
    // and whose other 20 (brush), come from before the slice.
    std::size_t InheritedHeads = 0;
    std::size_t InheritedTails = 0;
    bool HeadSet = false;
    bool TailSet = false;
    // The slice's font names in the order of their first use; the current
    // style's symbol font among them, -1 for none.
    std::vector<std::string> Fonts;
    std::int32_t HeadFont = -1;
    // Objects whose SymbolFont is a slice font: object index, slice font.
    std::vector<std::pair<std::size_t, std::int32_t>> FontUses;
    std::exception_ptr Failure;
};

TMapinfoMIF::TMapinfoMIF() = default;
TMapinfoMIF::~TMapinfoMIF() = default;

void TMapinfoMIF::Load(const std::string& fileName)
{
    LoadInSlices(fileName, kSliceBytes);
}

void TMapinfoMIF::LoadOneCore(const std::string& fileName)
{
    THourglass hourglass;
    ParseMif(fileName, 0);
}

void TMapinfoMIF::LoadInSlices(const std::string& fileName, std::size_t sliceBytes)
{
    THourglass hourglass;
    ParseMif(fileName, std::max<std::size_t>(sliceBytes, 1));
}

// A file that fails leaves no objects behind.
void TMapinfoMIF::ParseMif(const std::string& fileName, std::size_t sliceBytes)
{
    Tokens.OpenTokenFile(fileName);
    struct TCloser {
        TTokenFile& File;
        ~TCloser() { File.CloseTokenFile(); }
    } closer{Tokens};
    try {
        ReadMifHeader();
        if (sliceBytes > 0 && Tokens.RemainingBytes() > sliceBytes && ParallelWidth() > 1)
            ReadObjectsInSlices(sliceBytes);
        else
            ReadMifObjects();
    } catch (...) {
        MapObjectArray().swap(Objects);
        throw;
    }
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
    // A copy: the parameters after it may be on lines read later.
    std::string units = "\"deg\"";
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
    ReadObjectsUntil(kToTheEnd);
    Objects.shrink_to_fit();
}

TMapinfoMIF::TLinePlace TMapinfoMIF::ReadObjectsUntil(std::uint64_t end)
{
    TLinePlace place;
    for (;;) {
        if (end != kToTheEnd && Tokens.AtLineStart(place.Offset, place.LinesBefore) && place.Offset >= end)
            return place;
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
    place.Offset = Tokens.FileSize();
    place.LinesBefore = Tokens.TokenLineNo();
    return place;
}

// The objects after the header are cut at lines that start with an object
// keyword, about `sliceBytes` apart, and each slice is read by a reader of
// its own on every core. A slice counts only when the slice before it ended
// where it starts, at a line where the object loop takes its first token: a
// reader there is in the state the one-core reader would be in, but for the
// line number and the style carried from the object before, which the join
// supplies. A slice that started elsewhere (an object spans its cut, or the
// keyword was no object's) or failed is read again where the slice before
// ended, with the line numbers of the whole file, so a failure reports what
// the one-core reader reports. Slices are joined in order as soon as they
// are read, by whichever thread finds the next one ready, and a slice is not
// begun far ahead of the join, so that few slices' objects wait beside the
// joined ones.
void TMapinfoMIF::ReadObjectsInSlices(std::size_t sliceBytes)
{
    // Asked once here: the answer is process-wide and the slices only read it.
    CartographicFontInstalled();
    const std::uint64_t dataStart = Tokens.FileSize() - Tokens.RemainingBytes();
    const std::size_t slices =
        static_cast<std::size_t>((Tokens.FileSize() - dataStart + sliceBytes - 1) / sliceBytes);
    auto cut = [&](std::uint64_t k) { return k >= slices ? kToTheEnd : dataStart + k * sliceBytes; };
    const TFileByteReader file(Tokens.TokenFileName());
    const std::size_t window = 2 * ParallelWidth();

    std::mutex mutex;
    std::condition_variable joined;
    std::vector<std::unique_ptr<TMapinfoMIF>> read(slices);
    std::vector<char> done(slices, 0);
    std::size_t joinedCount = 0;
    bool joining = false;
    std::exception_ptr failure;
    std::exception_ptr firstFailure;
    TLinePlace place;

    // Joins the slices that are ready in order; one thread at a time does,
    // and a slice that becomes ready meanwhile is taken by that thread.
    auto joinReady = [&] {
        std::unique_lock lock(mutex);
        if (joining) return;
        joining = true;
        while (!failure && joinedCount < slices && done[joinedCount]) {
            const std::size_t k = joinedCount;
            std::unique_ptr<TMapinfoMIF> slice = std::move(read[k]);
            lock.unlock();
            std::exception_ptr joinFailure = firstFailure;
            if (k > 0) {
                try {
                    JoinSlice(slice, place, cut(k + 1), dataStart);
                } catch (...) {
                    joinFailure = std::current_exception();
                }
            }
            slice.reset();
            lock.lock();
            failure = joinFailure;
            ++joinedCount;
            joined.notify_all();
        }
        joining = false;
    };
    ParallelFor(slices, [&](std::size_t k) {
        try {
            {
                std::unique_lock lock(mutex);
                joined.wait(lock, [&] { return failure || k < joinedCount + window; });
                if (failure) return;
            }
            std::unique_ptr<TMapinfoMIF> slice;
            if (k == 0) {
                // The first slice is this reader's own, after the header.
                try {
                    place = ReadObjectsUntil(cut(1));
                } catch (...) {
                    firstFailure = std::current_exception();
                }
            } else {
                // A slice whose start is not found is read in the join,
                // where the slice before ends.
                const std::uint64_t to = std::min(cut(k + 1), file.Size());
                std::uint64_t start = to;
                try {
                    start = FindObjectLine(file, cut(k), to);
                } catch (...) {
                }
                if (start < to) slice = ReadSlice({start, 0}, cut(k + 1));
            }
            {
                std::lock_guard lock(mutex);
                read[k] = std::move(slice);
                done[k] = 1;
            }
            joinReady();
        } catch (...) {
            std::lock_guard lock(mutex);
            if (!failure) failure = std::current_exception();
            joined.notify_all();
        }
    });
    if (failure) std::rethrow_exception(failure);
}

std::unique_ptr<TMapinfoMIF> TMapinfoMIF::ReadSlice(TLinePlace start, std::uint64_t end) const
{
    auto slice = std::make_unique<TMapinfoMIF>();
    slice->Notes = std::make_unique<TSliceNotes>();
    slice->Notes->Start = start;
    try {
        slice->Tokens.OpenTokenFileAt(Tokens.TokenFileName(), start.Offset, start.LinesBefore);
        slice->Notes->Stop = slice->ReadObjectsUntil(end);
    } catch (...) {
        slice->Notes->Failure = std::current_exception();
    }
    slice->Tokens.CloseTokenFile();
    return slice;
}

// Reads the slice again where the slice before ended when it did not start
// there or failed; enters its fonts into the process-wide table, gives its
// objects the style carried from before it and appends them, and moves
// `place` on to where it ended. A failure of the slice is raised here.
void TMapinfoMIF::JoinSlice(std::unique_ptr<TMapinfoMIF>& slice, TLinePlace& place, std::uint64_t end,
                            std::uint64_t dataStart)
{
    if (!slice || slice->Notes->Start.Offset != place.Offset || slice->Notes->Failure) slice = ReadSlice(place, end);
    TSliceNotes& notes = *slice->Notes;
    MapObjectArray& objects = slice->Objects;
    std::vector<std::int32_t> fonts;
    for (const std::string& name : notes.Fonts) fonts.push_back(FontIndex(name));
    if (notes.Failure) std::rethrow_exception(notes.Failure);
    for (auto [object, font] : notes.FontUses)
        std::memcpy(objects[object].Style.Bytes.data() + kSymbolFontByte, &fonts[font], sizeof(std::int32_t));
    const auto& carried = Current.Style.Bytes;
    for (std::size_t i = 0; i < notes.InheritedHeads; ++i)
        std::copy_n(carried.begin(), kStyleHeadBytes, objects[i].Style.Bytes.begin());
    for (std::size_t i = 0; i < notes.InheritedTails; ++i)
        std::copy(carried.begin() + kStyleHeadBytes, carried.end(), objects[i].Style.Bytes.begin() + kStyleHeadBytes);
    if (!objects.empty()) Current.Style = objects.back().Style;
    // Room for the objects to come, projected from those so far, so that
    // the array is seldom moved.
    if (Objects.size() + objects.size() > Objects.capacity()) {
        const double share = double(Tokens.FileSize() - dataStart) / double(std::max(notes.Stop.Offset, dataStart + 1) - dataStart);
        const double projected = double(Objects.size() + objects.size()) * std::min(share, 1e6) * 1.05;
        Objects.reserve(std::max(Objects.size() + objects.size(),
                                 static_cast<std::size_t>(std::min(projected, double(Objects.max_size() / 2)))));
    }
    Objects.insert(Objects.end(), std::make_move_iterator(objects.begin()), std::make_move_iterator(objects.end()));
    place.LinesBefore += notes.Stop.LinesBefore - notes.Start.LinesBefore;
    place.Offset = notes.Stop.Offset;
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
    if (Notes) {
        if (!Notes->HeadSet) Notes->InheritedHeads = Objects.size();
        if (!Notes->TailSet) Notes->InheritedTails = Objects.size();
        if (Notes->HeadFont >= 0) Notes->FontUses.emplace_back(Objects.size() - 1, Notes->HeadFont);
    }
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
    if (Current.ObjType == otLine || Current.ObjType == otPolygon) {
        SetStylePrefix(Current.Style, pen);
        if (Notes) {
            Notes->HeadSet = true;
            Notes->HeadFont = -1;
        }
    }
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
    if (Notes) Notes->TailSet = true;
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
    if (Notes) {
        Notes->HeadSet = true;
        Notes->HeadFont = -1;
    }
    symbol.SymbolFont = font.empty() ? 0 : SymbolFontIndex(fontName);
    SetStylePrefix(Current.Style, symbol);
}

// The font's index in the process-wide table; in a slice, its index among
// the slice's fonts, which the join turns into the table's.
std::int32_t TMapinfoMIF::SymbolFontIndex(const std::string& name)
{
    if (!Notes) return FontIndex(name);
    auto found = std::find(Notes->Fonts.begin(), Notes->Fonts.end(), name);
    if (found == Notes->Fonts.end()) found = Notes->Fonts.insert(found, name);
    Notes->HeadFont = static_cast<std::int32_t>(found - Notes->Fonts.begin());
    return Notes->HeadFont;
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

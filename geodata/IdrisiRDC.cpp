#include "geodata/IdrisiRDC.h"

#include <algorithm>

#include "geodata/QMMapDecl.h"
#include "platform/FileNames.h"
#include "platform/NumberText.h"
#include "platform/TextFile.h"

namespace {

constexpr std::size_t kMaxValueLength = 999;
constexpr std::size_t kMaxName2Length = 99;
// "legend cats" never allocates more than this up front; later category
// lines grow the table.
constexpr std::int32_t kCodeAllocationCap = 4096;

// At most `count` characters of UTF-8 text, never cutting a character.
std::string_view TakeChars(std::string_view s, std::size_t count)
{
    std::size_t i = 0;
    std::size_t chars = 0;
    while (i < s.size() && chars < count) {
        ++i;
        while (i < s.size() && (static_cast<unsigned char>(s[i]) & 0xC0) == 0x80) ++i;
        ++chars;
    }
    return s.substr(0, i);
}

// A malformed real keeps its longest valid prefix; no digits at all leave
// the field as it was. The writer spells infinite and NaN extremes (cells of
// another program's raster, reclassified) as words, which read back.
void ReadReal(std::string_view value, double& field)
{
    if (!TryStrToSpecialFloat(value, field)) ParseRealPrefix(value, field);
}

void ParseCategory(TIdrisiRDC& rdc, std::string_view key, std::string_view value)
{
    TValueCode code;
    std::string_view codeText = key.size() > 4 ? key.substr(4, 99) : std::string_view();
    code.Code = StrToIntLenient(TrimControl(codeText));
    std::size_t semicolon = value.find(';');
    if (semicolon == std::string_view::npos) {
        code.Name1 = std::string(value);
        code.Name2 = std::string(value);
    } else {
        code.Name1 = std::string(TrimControl(value.substr(0, semicolon)));
        code.Name2 = std::string(TrimControl(TakeChars(value.substr(semicolon + 1), kMaxName2Length)));
    }
    // A line before "legend cats" or beyond the declared count grows the table.
    std::size_t slot = static_cast<std::size_t>(rdc.CodeCount);
    if (slot < rdc.Codes.size())
        rdc.Codes[slot] = std::move(code);
    else
        rdc.Codes.push_back(std::move(code));
    ++rdc.CodeCount;
}

void SetLegendCount(TIdrisiRDC& rdc, std::string_view value)
{
    std::int32_t count = std::max(0, StrToIntLenient(value));
    rdc.Codes.resize(static_cast<std::size_t>(std::min(count, kCodeAllocationCap)));
    rdc.CodeCount = 0;
}

bool StartsWithCode(std::string_view key)
{
    return key.size() >= 4 && SameText(key.substr(0, 4), "code");
}

} // namespace

std::string_view TrimControl(std::string_view s)
{
    while (!s.empty() && static_cast<unsigned char>(s.front()) <= 32) s.remove_prefix(1);
    while (!s.empty() && static_cast<unsigned char>(s.back()) <= 32) s.remove_suffix(1);
    return s;
}

bool SplitHeaderLine(std::string_view line, std::string_view& key, std::string_view& value)
{
    std::size_t colon = line.find(':');
    if (colon == std::string_view::npos) return false;
    key = TrimControl(line.substr(0, colon));
    value = TrimControl(TakeChars(line.substr(colon + 1), kMaxValueLength));
    return true;
}

std::string RasterSizeError(const TIdrisiRDC& header)
{
    if (header.Rows <= 0 || header.Columns <= 0) return "rows or columns equals to zero";
    if (std::int64_t(header.Rows) * header.Columns > kMaxRasterCells)
        return FormatText("File %s is too large: %d rows x %d columns exceed %lld cells.", header.HeaderFile.c_str(),
                          header.Rows, header.Columns, static_cast<long long>(kMaxRasterCells));
    return {};
}

std::string RdcFileName(std::string_view rasterName)
{
    return ChangeFileExt(rasterName, ".RDC");
}

std::string RstFileName(std::string_view rasterName)
{
    return ChangeFileExt(rasterName, ".rst");
}

void ParseRdcKey(TIdrisiRDC& rdc, std::string_view key, std::string_view value)
{
    if (SameText(key, "columns")) {
        rdc.Columns = StrToIntLenient(value);
    } else if (SameText(key, "rows")) {
        rdc.Rows = StrToIntLenient(value);
    } else if (SameText(key, "min. X")) {
        ReadReal(value, rdc.MinX);
    } else if (SameText(key, "max. X")) {
        ReadReal(value, rdc.MaxX);
    } else if (SameText(key, "min. Y")) {
        ReadReal(value, rdc.MinY);
    } else if (SameText(key, "max. Y")) {
        ReadReal(value, rdc.MaxY);
    } else if (SameText(key, "min. value")) {
        ReadReal(value, rdc.MinValue);
    } else if (SameText(key, "max. value")) {
        ReadReal(value, rdc.MaxValue);
    } else if (SameText(key, "display min")) {
        ReadReal(value, rdc.DisplayMin);
    } else if (SameText(key, "display max")) {
        ReadReal(value, rdc.DisplayMax);
    } else if (SameText(key, "data type")) {
        if (SameText(value, "integer")) rdc.DataType = dtInteger;
        else if (SameText(value, "byte")) rdc.DataType = dtByte;
        else if (SameText(value, "real")) rdc.DataType = dtReal;
    } else if (SameText(key, "file type")) {
        if (SameText(value, "binary")) rdc.FileType = 1;
    } else if (SameText(key, "file title")) {
        rdc.FileTitle = std::string(value);
    } else if (SameText(key, "ref. system")) {
        if (SameText(value, "lat/long") || SameText(value, "latlong") || SameText(value, "lat-long"))
            rdc.RefSystem = rsLatLong;
        else if (SameText(value, "alberrus") || SameText(value, "alber-rus"))
            rdc.RefSystem = rsAlberRus;
        else if (SameText(value, "plane"))
            rdc.RefSystem = rsPlane;
        else
            rdc.RefSystem = rsOther;
        rdc.RefSystemName = std::string(value);
    } else if (SameText(key, "ref. units")) {
        if (SameText(value, "m")) rdc.RefUnits = ruMetres;
        else if (SameText(value, "km")) rdc.RefUnits = ruKilometres;
        else if (SameText(value, "deg")) rdc.RefUnits = ruDegrees;
    } else if (SameText(key, "unit dist.")) {
        ReadReal(value, rdc.UnitDist);
    } else if (SameText(key, "legend cats")) {
        SetLegendCount(rdc, value);
    } else if (StartsWithCode(key)) {
        ParseCategory(rdc, key, value);
    }
}

void ReadRdc(TIdrisiRDC& rdc, const std::string& rasterFileName)
{
    std::string headerName = RdcFileName(rasterFileName);
    if (!FileExists(headerName)) throw QMError(std::string("There is only .rst file, no .rdc."));
    std::string resolved = ResolveFileCase(headerName);

    // A fresh record: a second read keeps no stale keys, a failed one
    // leaves the caller's record untouched.
    TIdrisiRDC fresh;
    for (const std::string& line : ReadTextLines(resolved)) {
        std::string_view key, value;
        if (!SplitHeaderLine(line, key, value)) break;
        ParseRdcKey(fresh, key, value);
    }
    fresh.HeaderFile = resolved;
    if (fresh.DisplayMin > fresh.DisplayMax) {
        fresh.DisplayMin = fresh.MinValue;
        fresh.DisplayMax = fresh.MaxValue;
    }
    rdc = std::move(fresh);
}

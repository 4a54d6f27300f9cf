#pragma once
// Writers of the small Idrisi rasters the tests open: the ".rdc" header is
// text, the ".rst" beside it holds the cells as the bytes of their type, in
// the machine's (little-endian) order, row after row from the north.
#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "tests/support/TempFolder.h"

// Appends one value as the bytes of T.
template <class T, class V>
void AppendCell(std::string& bytes, V value)
{
    const T cell = static_cast<T>(value);
    bytes.append(reinterpret_cast<const char*>(&cell), sizeof(T));
}

// The cells stored as T.
template <class T, class Range>
std::string CellBytes(const Range& cells)
{
    std::string bytes;
    for (const auto& cell : cells) AppendCell<T>(bytes, cell);
    return bytes;
}
template <class T>
std::string CellBytes(std::initializer_list<T> cells)
{
    return CellBytes<T, std::initializer_list<T>>(cells);
}

// The "key : value" lines of an Idrisi text header (".rdc", ".vdc") in order.
using TIdrisiFields = std::vector<std::pair<std::string, std::string>>;

// The lines with each key padded to the twelve columns Idrisi writes
// ("data type   : byte"), each ended by `eol`.
inline std::string IdrisiHeaderText(const TIdrisiFields& fields, std::string_view eol = "\n")
{
    std::string text;
    for (const auto& [key, value] : fields) {
        text += key;
        text.append(12 - std::min<std::size_t>(key.size(), 12), ' ');
        text.append(": ").append(value).append(eol);
    }
    return text;
}

// The header of a binary Idrisi raster, its fields in the order of the
// format; optional fields left empty are not written.
struct TRdcText {
    std::string DataType = "byte";
    long long Columns = 1;
    long long Rows = 1;
    const char* Title = nullptr;  // optional; "" writes an empty title
    std::string RefSystem;        // optional; "ref. units" and "unit dist." follow it
    std::string RefUnits = "m";
    std::string UnitDist = "1";
    std::string MinX = "0";
    std::string MaxX; // empty: the column count
    std::string MinY = "0";
    std::string MaxY; // empty: the row count
    std::string MinValue, MaxValue, DisplayMin, DisplayMax, LegendCats; // optional
    std::string Eol = "\n";
    std::string Extra; // written after the fields as it stands

    std::string Text() const
    {
        TIdrisiFields fields{{"file format", "IDRISI Raster A.1"}};
        if (Title) fields.emplace_back("file title", Title);
        fields.emplace_back("data type", DataType);
        fields.emplace_back("file type", "binary");
        fields.emplace_back("columns", std::to_string(Columns));
        fields.emplace_back("rows", std::to_string(Rows));
        if (!RefSystem.empty()) {
            fields.emplace_back("ref. system", RefSystem);
            fields.emplace_back("ref. units", RefUnits);
            fields.emplace_back("unit dist.", UnitDist);
        }
        fields.emplace_back("min. X", MinX);
        fields.emplace_back("max. X", MaxX.empty() ? std::to_string(Columns) : MaxX);
        fields.emplace_back("min. Y", MinY);
        fields.emplace_back("max. Y", MaxY.empty() ? std::to_string(Rows) : MaxY);
        const std::pair<const char*, const std::string*> values[] = {
            {"min. value", &MinValue},    {"max. value", &MaxValue},   {"display min", &DisplayMin},
            {"display max", &DisplayMax}, {"legend cats", &LegendCats}};
        for (const auto& [key, value] : values)
            if (!value->empty()) fields.emplace_back(key, *value);
        return IdrisiHeaderText(fields, Eol) + Extra;
    }
};

// Writes "<base>.rdc" and "<base>.rst"; returns the ".rst" name.
inline std::string WriteIdrisiRaster(const std::string& base, const std::string& rdcText, const std::string& cells)
{
    std::ofstream(base + ".rdc", std::ios::binary) << rdcText;
    std::ofstream(base + ".rst", std::ios::binary) << cells;
    return base + ".rst";
}
// The same in the folder, under the given name.
inline std::string WriteIdrisiRaster(const TTempFolder& folder, const std::string& name, const std::string& rdcText,
                                     const std::string& cells)
{
    folder.Write(name + ".rdc", rdcText);
    return folder.Write(name + ".rst", cells);
}

// A ".qmp" palette: a header of five bytes the reader skips, then 256 RGB
// triples, entry i from the function.
template <class F>
std::string PaletteBytes(const std::string& header, F&& entry)
{
    std::string bytes = header;
    for (int i = 0; i < 256; ++i) {
        const auto [r, g, b] = entry(i);
        bytes += static_cast<char>(r);
        bytes += static_cast<char>(g);
        bytes += static_cast<char>(b);
    }
    return bytes;
}

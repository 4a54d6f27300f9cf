#pragma once
// Writers of the small Idrisi rasters the tests open: the ".rdc" header is
// text, the ".rst" beside it holds the cells as the bytes of their type, in
// the machine's (little-endian) order, row after row from the north.
#include <cstdint>
#include <initializer_list>
#include <string>

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

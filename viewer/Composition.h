#pragma once
// The pieces of the ".qmc" composition format that do not need a document:
// the style strings of vector layers, the layer types and the rules that
// turn the names written in a composition into paths and back. Reading and
// writing a whole composition are operations of TQMMapDoc.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "geodata/QMMapDecl.h"

// Splits a style string as the run time's ExtractStrings does: blanks, "(",
// ")", "," and line breaks separate; empty fields are dropped; a run in
// single or double quotes is not split and keeps its quotes.
std::vector<std::string> SplitStyleFields(std::string_view text);

// "(pen style,pen width,$pen colour, brush style,$brush colour,hatch, opacity)".
// The outline's width y, BackColor and BackMode are not in the string: they
// keep the values `style` holds. Nothing is stored unless every field parses.
bool ParseAreaStyle(std::string_view text, TAreaStyle& style, std::int16_t& opacity);
// "(pen style,pen width,$pen colour)".
bool ParseLineStyle(std::string_view text, TLineStyle& style);
// "(font name,symbol,size,$colour)"; the font name, without one pair of outer
// quotes, goes through the font table.
bool ParsePointStyle(std::string_view text, TPointStyle& style);

std::string FormatAreaStyle(const TAreaStyle& style, std::int32_t opacity);
std::string FormatLineStyle(const TLineStyle& style);
// A font name that holds a separator is written in double quotes.
std::string FormatPointStyle(const TPointStyle& style);

// The "type" word of the layer format whose data or companion extension
// `path` has (any case); '' for any other extension.
std::string LayerTypeFromExtension(std::string_view path);

// A Windows path with a drive ("X:\...") or a network share ("\\server\..."):
// absolute, and never present on this system.
bool IsForeignAbsolutePath(std::string_view name);

// The data file a layer "name" stands for. A path from the root ("/...") is
// used unchanged; a name with a folder part ('\', '/' or ':') is taken below
// `rootFolder` (below the composition's folder when `rootFolder` is empty);
// a bare file name lies in the composition's folder. '\' separates folders
// like '/', and the letter case of the result follows the files on disk. A
// foreign absolute path is returned unchanged.
std::string ResolveLayerPath(std::string_view name, std::string_view rootFolder, std::string_view compositionFolder);

// The "name" written for a layer file: relative to `rootFolder` when the file
// lies in a folder below it; otherwise the full path (a file directly in the
// root folder would otherwise read back from the composition's folder).
std::string LayerNameForWriting(std::string_view fileName, std::string_view rootFolder);

// The raster name tried when a raster file is missing: "_en" appended to the
// base name, before the extension.
std::string EnglishRasterName(std::string_view path);

// The palette spec ("name" or "name,min,max") for the raster reader: a
// relative name is taken inside `paletteFolder` when the folder holds it,
// else as it stands; an absolute one unchanged; an empty name stays empty
// (the reader's default palette).
std::string PaletteSpecForReading(std::string_view value, std::string_view paletteFolder);
// The "palette" written for a layer's palette file: relative to
// `paletteFolder` when it lies below it, else unchanged.
std::string PaletteForWriting(std::string_view paletteFile, std::string_view paletteFolder);

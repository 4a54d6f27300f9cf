#pragma once
// The process-wide table of font names that point styles refer to by index.
// Entry 0 is "Symbol"; entries are only ever appended, so an index handed out
// stays valid for the life of the process.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The table itself, in insertion order.
const std::vector<std::string>& FontList();

// The index of the name (compared without regard to case); a new name is
// appended and its new index returned.
std::int32_t FontIndex(std::string_view name);
// The name at the index; '' for an index outside the table.
std::string FontName(std::int32_t index);

// Whether the screen font "MapInfo Cartographic" is installed. Asked of the
// environment's FontInstalled once and remembered.
bool CartographicFontInstalled();

// Back to the table of a fresh process: only "Symbol", nothing remembered
// (the next CartographicFontInstalled asks the environment again).
// For tests only: indices handed out before no longer hold.
void ResetFontTable();

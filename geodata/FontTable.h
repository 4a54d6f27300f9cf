#pragma once
// The process-wide table of font names that point styles refer to by index.
// Entry 0 is "Symbol"; entries are only ever appended, so an index handed out
// stays valid for the life of the process.
#include <cstdint>
#include <functional>
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
// probe once and remembered.
bool CartographicFontInstalled();

// Tells whether a font family is installed, the name compared without regard
// to case. The viewer sets one that asks the toolkit's font database; without
// it no font counts as installed.
using TInstalledFontProbe = std::function<bool(const std::string& family)>;
// Installs the probe and forgets the remembered answer.
void SetInstalledFontProbe(TInstalledFontProbe probe);

// Back to the table of a fresh process: only "Symbol", nothing remembered.
// For tests only: indices handed out before no longer hold.
void ResetFontTable();

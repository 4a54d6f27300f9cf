#pragma once
// The texts of the column string grid's cells: a cell keeps its lines in
// comma form, one item per line; sorting and column names compare texts
// without regard to ASCII case.
#include <string>
#include <string_view>

// Items with blanks, control characters, quotes or commas go in double
// quotes, with their quotes doubled.
std::string LinesToCommaText(std::string_view text);
std::string CommaTextToLines(std::string_view text);
// A CR or an LF.
bool HasLineBreak(std::string_view text);
// Case-insensitive (ASCII letters) ordinal comparison: <0, 0 or >0.
int CompareText(std::string_view a, std::string_view b);

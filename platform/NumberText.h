#pragma once
// Numbers as text, independent of the C locale. A Qt application switches the
// C library to the user's locale, where strtod and printf read and write ","
// as the decimal separator; everything stored goes through these helpers.
#include <cstdint>
#include <string>
#include <string_view>

// Integer text as the header and composition readers take it, leniently, so
// that hand-edited files open as they always have: leading blanks, an
// optional sign, then decimal digits or hexadecimal digits after "$", "x",
// "X" or "0x". A character that is not a digit ends the number without an
// error, and then the digits before it count without the sign ("-5a" gives 5,
// "abc" gives 0).
std::int32_t StrToIntLenient(std::string_view text);

// The whole text must be an integer in the same notation that fits in 32
// bits: leading blanks are skipped, nothing may trail.
bool TryStrToInt(std::string_view text, std::int32_t& value);
// As TryStrToInt, raising EConvertError "'%s' is not a valid integer value".
std::int32_t StrToInt(std::string_view text);
// As TryStrToInt for unsigned 32-bit values (colours such as "$FF000000").
bool TryStrToUInt(std::string_view text, std::uint32_t& value);

// A real with "." as the decimal separator: optional sign ("+" too), digits,
// optional fraction and exponent. "inf" and "nan" are not numbers. The whole
// text (leading and trailing blanks allowed) must be the number.
bool TryStrToFloat(std::string_view text, double& value);
// As TryStrToFloat, raising EConvertError "'%s' is not a valid floating point value".
double StrToFloat(std::string_view text);
// Reads the longest prefix of `text` (after leading blanks) that is a real
// number. Returns the number of characters used, 0 when there is none (and
// then `value` is untouched).
std::size_t ParseRealPrefix(std::string_view text, double& value);
// The special values as FormatG writes them ("INF", "-INF", "NAN") or as C
// libraries do ("inf", "-inf", "nan"): the whole text must be one of these
// six, so that a header reads back what this system wrote and nothing
// looser. Returns false, `value` untouched, for any other text.
bool TryStrToSpecialFloat(std::string_view text, double& value);

// The run time's general format: 15 significant digits, plain notation unless
// the decimal exponent is below -5 or at least 15 ("1000000", "0.00001",
// "1.5E-6", "1E15"); "NAN", "INF", "-INF" for the special values.
std::string FormatG(double value, int precision = 15);
// Fixed notation with the given number of decimals ("%f" is 2: "2.50").
std::string FormatFixed(double value, int decimals = 2);

// printf-style formatting with the run time's conventions and no locale:
// %d %i %u %x %X %c %s %% pass through as in C; %f is fixed with 2 decimals
// unless a precision is given; %g and %e use FormatG (precision = digits).
// Flags "-" and "0", widths and precisions are honoured.
std::string FormatText(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string FormatTextV(const char* format, __builtin_va_list args);

#include "NumberText.h"

#include <cctype>
#include <charconv>
#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <limits>
#include <string_view>
#include <system_error>

#include "RuntimeErrors.h"

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

int HexDigit(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

struct IntScan {
    std::uint64_t Magnitude = 0;
    bool Negative = false;
    bool Complete = false;  // every character was used and at least one digit read
    bool Overflow = false;  // the magnitude left 32 unsigned bits
    std::size_t End = 0;    // index of the first character not used
};

// One scan shared by the lenient and the strict readers.
IntScan ScanInteger(std::string_view s)
{
    IntScan r;
    std::size_t i = 0;
    while (i < s.size() && IsBlank(s[i])) ++i;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
        r.Negative = s[i] == '-';
        ++i;
    }
    int base = 10;
    if (i < s.size() && s[i] == '$') {
        base = 16;
        ++i;
    } else if (i < s.size() && (s[i] == 'x' || s[i] == 'X')) {
        base = 16;
        ++i;
    } else if (i + 1 < s.size() && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }
    bool anyDigit = false;
    while (i < s.size()) {
        int d = base == 16 ? HexDigit(s[i]) : (std::isdigit(static_cast<unsigned char>(s[i])) ? s[i] - '0' : -1);
        if (d < 0) break;
        std::uint64_t next = r.Magnitude * static_cast<std::uint64_t>(base) + static_cast<std::uint64_t>(d);
        if (next > 0xFFFFFFFFull) {
            r.Overflow = true;
            break;
        }
        r.Magnitude = next;
        anyDigit = true;
        ++i;
    }
    r.End = i;
    r.Complete = anyDigit && !r.Overflow && i == s.size();
    return r;
}

bool SignedFits(const IntScan& r, std::int32_t& value)
{
    if (r.Negative) {
        if (r.Magnitude > 2147483648ull) return false;
        value = static_cast<std::int32_t>(-static_cast<std::int64_t>(r.Magnitude));
    } else {
        if (r.Magnitude > 2147483647ull) return false;
        value = static_cast<std::int32_t>(r.Magnitude);
    }
    return true;
}

std::string_view TrimRight(std::string_view s)
{
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

} // namespace

std::int32_t StrToIntLenient(std::string_view text)
{
    IntScan r = ScanInteger(text);
    std::int32_t value = 0;
    if (r.Complete && SignedFits(r, value)) return value;
    // Val's partial result: the digits read so far, without the sign.
    return r.Magnitude > 2147483647ull ? 0 : static_cast<std::int32_t>(r.Magnitude);
}

bool TryStrToInt(std::string_view text, std::int32_t& value)
{
    IntScan r = ScanInteger(text);
    std::int32_t v = 0;
    if (!r.Complete || !SignedFits(r, v)) return false;
    value = v;
    return true;
}

std::int32_t StrToInt(std::string_view text)
{
    std::int32_t v = 0;
    if (!TryStrToInt(text, v)) throw EConvertError("'" + std::string(text) + "' is not a valid integer value");
    return v;
}

bool TryStrToUInt(std::string_view text, std::uint32_t& value)
{
    IntScan r = ScanInteger(text);
    if (!r.Complete || r.Negative) return false;
    value = static_cast<std::uint32_t>(r.Magnitude);
    return true;
}

std::size_t ParseRealPrefix(std::string_view text, double& value)
{
    std::size_t i = 0;
    while (i < text.size() && IsBlank(text[i])) ++i;
    bool plus = false;
    if (i < text.size() && text[i] == '+') {
        plus = true;
        ++i;
    }
    // from_chars would also take "inf", "nan" and hexadecimal forms: require
    // a digit or a '.' followed by a digit right away.
    std::size_t j = i;
    if (j < text.size() && text[j] == '-' && !plus) ++j;
    bool startsNumber = j < text.size() && (std::isdigit(static_cast<unsigned char>(text[j])) ||
                                            (text[j] == '.' && j + 1 < text.size() &&
                                             std::isdigit(static_cast<unsigned char>(text[j + 1]))));
    if (!startsNumber) return 0;
    double v = 0;
    const char* first = text.data() + i;
    auto [ptr, ec] = std::from_chars(first, text.data() + text.size(), v, std::chars_format::general);
    if (ptr == first) return 0;
    if (ec == std::errc::result_out_of_range) {
        // from_chars leaves the value alone when out of range: an underflow
        // (negative exponent) is a zero, an overflow is not a number.
        std::string_view used(first, static_cast<std::size_t>(ptr - first));
        std::size_t e = used.find_first_of("eE");
        if (e == std::string_view::npos || e + 1 >= used.size() || used[e + 1] != '-') return 0;
        v = used[0] == '-' ? -0.0 : 0.0;
    } else if (ec != std::errc()) {
        return 0;
    }
    value = v;
    return static_cast<std::size_t>(ptr - text.data());
}

bool TryStrToSpecialFloat(std::string_view text, double& value)
{
    constexpr double kInfinity = std::numeric_limits<double>::infinity();
    struct TSpelling {
        std::string_view Text;
        double Value;
    };
    static constexpr TSpelling kSpellings[] = {
        {"INF", kInfinity}, {"-INF", -kInfinity}, {"NAN", std::numeric_limits<double>::quiet_NaN()},
        {"inf", kInfinity}, {"-inf", -kInfinity}, {"nan", std::numeric_limits<double>::quiet_NaN()},
    };
    for (const TSpelling& spelling : kSpellings) {
        if (text == spelling.Text) {
            value = spelling.Value;
            return true;
        }
    }
    return false;
}

bool TryStrToFloat(std::string_view text, double& value)
{
    std::string_view t = TrimRight(text);
    double v = 0;
    std::size_t used = ParseRealPrefix(t, v);
    if (used == 0 || used != t.size()) return false;
    value = v;
    return true;
}

double StrToFloat(std::string_view text)
{
    double v = 0;
    if (!TryStrToFloat(text, v))
        throw EConvertError("'" + std::string(text) + "' is not a valid floating point value");
    return v;
}

std::string FormatG(double value, int precision)
{
    if (std::isnan(value)) return "NAN";
    if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
    if (value == 0) return "0";
    if (precision < 1) precision = 1;
    if (precision > 17) precision = 17;
    // d.ddddde±x with `precision` significant digits, correctly rounded.
    char buf[64];
    auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific, precision - 1);
    std::string sci(buf, res.ptr);
    std::size_t ePos = sci.find('e');
    int exponent = 0;
    std::from_chars(sci.data() + ePos + 1 + (sci[ePos + 1] == '+' ? 1 : 0), sci.data() + sci.size(), exponent);
    bool negative = sci[0] == '-';
    std::string digits;
    for (std::size_t k = negative ? 1 : 0; k < ePos; ++k)
        if (sci[k] != '.') digits += sci[k];
    while (digits.size() > 1 && digits.back() == '0') digits.pop_back();

    std::string out = negative ? "-" : "";
    if (exponent < -5 || exponent >= precision) {
        out += digits[0];
        if (digits.size() > 1) out += "." + digits.substr(1);
        out += "E" + std::to_string(exponent);
    } else if (exponent < 0) {
        out += "0." + std::string(static_cast<std::size_t>(-exponent - 1), '0') + digits;
    } else {
        std::size_t intLen = static_cast<std::size_t>(exponent) + 1;
        if (digits.size() <= intLen) {
            out += digits + std::string(intLen - digits.size(), '0');
        } else {
            out += digits.substr(0, intLen) + "." + digits.substr(intLen);
        }
    }
    return out;
}

std::string FormatFixed(double value, int decimals)
{
    if (std::isnan(value)) return "NAN";
    if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
    if (decimals < 0) decimals = 0;
    char buf[400];
    auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, decimals);
    std::string s(buf, res.ptr);
    // "-0.00" reads as "0.00" in the run time.
    if (s[0] == '-' && s.find_first_not_of("-0.") == std::string::npos) s.erase(0, 1);
    return s;
}

namespace {

// One conversion of a format, from its '%' to its conversion character.
struct TFormatSpec {
    bool LeftAlign = false;
    bool ZeroPad = false;
    int Width = 0;
    int Precision = -1; // none given
    std::string LengthModifier;
    char Conversion = '\0';
    std::string_view Text;
};

// The arguments of one format, taken in order. A copy of the caller's list:
// a va_list handed on to a function that takes from it may not be used
// again, so the helpers share this one by reference.
class TFormatArguments {
public:
    explicit TFormatArguments(va_list args) { va_copy(Args, args); }
    ~TFormatArguments() { va_end(Args); }
    TFormatArguments(const TFormatArguments&) = delete;
    TFormatArguments& operator=(const TFormatArguments&) = delete;

    template <class T>
    T Next() { return va_arg(Args, T); }

private:
    va_list Args;
};

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int ReadDecimal(const char*& p)
{
    int value = 0;
    while (IsDigit(*p)) value = value * 10 + (*p++ - '0');
    return value;
}

// Flags, width, precision, length modifier and conversion; `p` starts at the
// '%' and ends after the conversion (at the terminator when there is none).
TFormatSpec ReadFormatSpec(const char*& p)
{
    TFormatSpec spec;
    const char* start = p++;
    for (; *p == '-' || *p == '0' || *p == '+' || *p == ' ' || *p == '#'; ++p) {
        if (*p == '-') spec.LeftAlign = true;
        if (*p == '0') spec.ZeroPad = true;
    }
    spec.Width = ReadDecimal(p);
    if (*p == '.') {
        ++p;
        spec.Precision = ReadDecimal(p);
    }
    while (*p == 'l' || *p == 'h' || *p == 'z' || *p == 'j' || *p == 't' || *p == 'L')
        spec.LengthModifier += *p++;
    if (*p) spec.Conversion = *p++;
    spec.Text = std::string_view(start, static_cast<std::size_t>(p - start));
    return spec;
}

bool IsOneOf(char c, std::string_view set) { return set.find(c) != std::string_view::npos; }

// Zeros go after the sign, as C pads.
std::string FormatReal(const TFormatSpec& spec, TFormatArguments& args)
{
    double v = spec.LengthModifier == "L" ? static_cast<double>(args.Next<long double>()) : args.Next<double>();
    std::string piece = IsOneOf(spec.Conversion, "fF") ? FormatFixed(v, spec.Precision < 0 ? 2 : spec.Precision)
                                                       : FormatG(v, spec.Precision < 0 ? 15 : spec.Precision);
    if (spec.ZeroPad && !spec.LeftAlign && static_cast<int>(piece.size()) < spec.Width) {
        std::size_t signLength = (!piece.empty() && piece[0] == '-') ? 1 : 0;
        piece.insert(signLength, static_cast<std::size_t>(spec.Width) - piece.size(), '0');
    }
    return piece;
}

std::string FormatString(const TFormatSpec& spec, TFormatArguments& args)
{
    const char* s = args.Next<const char*>();
    std::string text = s ? s : "(null)";
    if (spec.Precision >= 0 && static_cast<int>(text.size()) > spec.Precision)
        text.resize(static_cast<std::size_t>(spec.Precision));
    return text;
}

// Integers, characters and pointers are not affected by the locale: C
// formats them, width and flags included. A short arrives promoted to int.
// Returns false when C could not.
bool AppendFormattedByC(std::string& out, const TFormatSpec& spec, TFormatArguments& args)
{
    const std::string format(spec.Text);
    const std::string& length = spec.LengthModifier;
    char buf[512];
    int n = 0;
    if (spec.Conversion == 'p')
        n = std::snprintf(buf, sizeof buf, format.c_str(), args.Next<void*>());
    else if (spec.Conversion == 'c' || length.empty() || length == "h" || length == "hh")
        n = std::snprintf(buf, sizeof buf, format.c_str(), args.Next<int>());
    else if (length == "ll" || length == "j")
        n = std::snprintf(buf, sizeof buf, format.c_str(), args.Next<long long>());
    else
        n = std::snprintf(buf, sizeof buf, format.c_str(), args.Next<long>());
    if (n < 0) return false;
    out.append(buf, static_cast<std::size_t>(std::min<int>(n, static_cast<int>(sizeof buf) - 1)));
    return true;
}

std::string PadToWidth(std::string piece, const TFormatSpec& spec)
{
    if (static_cast<int>(piece.size()) >= spec.Width) return piece;
    std::string pad(static_cast<std::size_t>(spec.Width) - piece.size(), ' ');
    return spec.LeftAlign ? piece + pad : pad + piece;
}

// A conversion this formatter does not know is copied as it stands.
void AppendConversion(std::string& out, const TFormatSpec& spec, TFormatArguments& args)
{
    if (IsOneOf(spec.Conversion, "fFgGeE"))
        out += PadToWidth(FormatReal(spec, args), spec);
    else if (spec.Conversion == 's')
        out += PadToWidth(FormatString(spec, args), spec);
    else if (IsOneOf(spec.Conversion, "diuxXcop")) {
        if (!AppendFormattedByC(out, spec, args)) out += PadToWidth({}, spec);
    } else
        out += spec.Text;
}

} // namespace

std::string FormatTextV(const char* format, __builtin_va_list args)
{
    TFormatArguments arguments(args);
    std::string out;
    for (const char* p = format; *p;) {
        if (*p != '%') {
            out += *p++;
        } else if (p[1] == '%') {
            out += '%';
            p += 2;
        } else {
            AppendConversion(out, ReadFormatSpec(p), arguments);
        }
    }
    return out;
}

std::string FormatText(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    std::string s = FormatTextV(format, args);
    va_end(args);
    return s;
}

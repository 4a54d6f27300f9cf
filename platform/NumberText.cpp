#include "NumberText.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <limits>
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

std::string FormatTextV(const char* format, __builtin_va_list args)
{
    std::string out;
    for (const char* p = format; *p;) {
        if (*p != '%') {
            out += *p++;
            continue;
        }
        const char* specStart = p++;
        if (*p == '%') {
            out += '%';
            ++p;
            continue;
        }
        bool leftAlign = false;
        bool zeroPad = false;
        while (*p == '-' || *p == '0' || *p == '+' || *p == ' ' || *p == '#') {
            if (*p == '-') leftAlign = true;
            if (*p == '0') zeroPad = true;
            ++p;
        }
        int width = 0;
        while (*p >= '0' && *p <= '9') width = width * 10 + (*p++ - '0');
        int precision = -1;
        if (*p == '.') {
            ++p;
            precision = 0;
            while (*p >= '0' && *p <= '9') precision = precision * 10 + (*p++ - '0');
        }
        std::string lengthMod;
        while (*p == 'l' || *p == 'h' || *p == 'z' || *p == 'j' || *p == 't' || *p == 'L') lengthMod += *p++;
        char conv = *p ? *p++ : '\0';
        std::string piece;
        if (conv == 'f' || conv == 'F' || conv == 'g' || conv == 'G' || conv == 'e' || conv == 'E') {
            double v = lengthMod == "L" ? static_cast<double>(va_arg(args, long double)) : va_arg(args, double);
            if (conv == 'f' || conv == 'F')
                piece = FormatFixed(v, precision < 0 ? 2 : precision);
            else
                piece = FormatG(v, precision < 0 ? 15 : precision);
            if (zeroPad && !leftAlign && static_cast<int>(piece.size()) < width) {
                std::size_t signLen = (!piece.empty() && piece[0] == '-') ? 1 : 0;
                piece.insert(signLen, static_cast<std::size_t>(width) - piece.size(), '0');
            }
        } else if (conv == 's' || conv == 'd' || conv == 'i' || conv == 'u' || conv == 'x' || conv == 'X' ||
                   conv == 'c' || conv == 'o' || conv == 'p') {
            // Integers and strings are not affected by the locale: let C do them.
            std::string spec(specStart, p);
            char buf[512];
            int n = 0;
            if (conv == 's') {
                const char* s = va_arg(args, const char*);
                std::string str = s ? s : "(null)";
                if (precision >= 0 && static_cast<int>(str.size()) > precision) str.resize(static_cast<std::size_t>(precision));
                piece = str;
                n = -1;
            } else if (conv == 'c' || ((conv == 'd' || conv == 'i' || conv == 'u' || conv == 'x' || conv == 'X' || conv == 'o') && lengthMod.empty())) {
                n = std::snprintf(buf, sizeof buf, spec.c_str(), va_arg(args, int));
            } else if (conv == 'p') {
                n = std::snprintf(buf, sizeof buf, spec.c_str(), va_arg(args, void*));
            } else if (lengthMod == "ll" || lengthMod == "j") {
                n = std::snprintf(buf, sizeof buf, spec.c_str(), va_arg(args, long long));
            } else {
                n = std::snprintf(buf, sizeof buf, spec.c_str(), va_arg(args, long));
            }
            if (n >= 0) {
                out.append(buf, static_cast<std::size_t>(std::min<int>(n, static_cast<int>(sizeof buf) - 1)));
                continue;
            }
        } else {
            out.append(specStart, p);
            continue;
        }
        if (static_cast<int>(piece.size()) < width) {
            std::string pad(static_cast<std::size_t>(width) - piece.size(), ' ');
            piece = leftAlign ? piece + pad : pad + piece;
        }
        out += piece;
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

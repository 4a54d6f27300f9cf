#pragma once
// Integer arithmetic that raises EIntOverflow instead of wrapping, and
// conversions of reals to integers that raise ERangeError instead of invoking
// undefined behaviour. Rounding goes to the nearest integer, halves to even.
#include <cmath>
#include <cstdint>
#include <limits>

#include "RuntimeErrors.h"

inline std::int32_t CheckedAdd(std::int32_t a, std::int32_t b)
{
    std::int32_t r;
    if (__builtin_add_overflow(a, b, &r)) throw EIntOverflow();
    return r;
}
inline std::int32_t CheckedSub(std::int32_t a, std::int32_t b)
{
    std::int32_t r;
    if (__builtin_sub_overflow(a, b, &r)) throw EIntOverflow();
    return r;
}
inline std::int32_t CheckedMul(std::int32_t a, std::int32_t b)
{
    std::int32_t r;
    if (__builtin_mul_overflow(a, b, &r)) throw EIntOverflow();
    return r;
}
inline std::int32_t CheckedAbs(std::int32_t a)
{
    if (a == std::numeric_limits<std::int32_t>::min()) throw EIntOverflow();
    return a < 0 ? -a : a;
}

// Nearest integer, halves to even; NaN or out of range raises ERangeError.
inline std::int64_t RoundToInt64(double v)
{
    double r = std::nearbyint(v); // the default rounding mode: halves to even
    if (!(r >= -9223372036854775808.0 && r < 9223372036854775808.0)) throw ERangeError();
    return static_cast<std::int64_t>(r);
}
inline std::int32_t RoundToInt(double v)
{
    double r = std::nearbyint(v);
    if (!(r >= -2147483648.0 && r <= 2147483647.0)) throw ERangeError();
    return static_cast<std::int32_t>(r);
}
// Truncation towards zero, range-checked.
inline std::int32_t TruncToInt(double v)
{
    double r = std::trunc(v);
    if (!(r >= -2147483648.0 && r <= 2147483647.0)) throw ERangeError();
    return static_cast<std::int32_t>(r);
}
inline std::int64_t TruncToInt64(double v)
{
    double r = std::trunc(v);
    if (!(r >= -9223372036854775808.0 && r < 9223372036854775808.0)) throw ERangeError();
    return static_cast<std::int64_t>(r);
}
// Rounds and saturates to 32 bits; NaN gives `nanValue`. For screen
// coordinates, where clipping is better than an error.
inline std::int32_t RoundSaturated(double v, std::int32_t nanValue = 0)
{
    if (std::isnan(v)) return nanValue;
    double r = std::nearbyint(v);
    if (r <= -2147483648.0) return std::numeric_limits<std::int32_t>::min();
    if (r >= 2147483647.0) return std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(r);
}
// The platform's MulDiv: a*b/c in 64 bits, rounded half away from zero; a
// zero divisor or a result beyond 32 bits gives -1.
inline std::int32_t MulDiv(std::int32_t a, std::int32_t b, std::int32_t c)
{
    if (c == 0) return -1;
    std::int64_t p = static_cast<std::int64_t>(a) * b;
    bool negative = (p < 0) != (c < 0);
    std::int64_t ap = p < 0 ? -p : p;
    std::int64_t ac = c < 0 ? -static_cast<std::int64_t>(c) : c;
    std::int64_t q = (ap + ac / 2) / ac;
    if (negative) q = -q;
    if (q > std::numeric_limits<std::int32_t>::max() || q < std::numeric_limits<std::int32_t>::min()) return -1;
    return static_cast<std::int32_t>(q);
}

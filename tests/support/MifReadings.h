#pragma once
// One reading of a MapInfo interchange file, on one core or in slices, as
// text that two readings can be compared by: the tests and the fuzz target
// hold the parallel reading to the one-core reading with it.
#include <cstdio>
#include <string>
#include <typeinfo>
#include <vector>

#include "geodata/FontTable.h"
#include "geodata/MapInfoMIF.h"
#include "platform/RuntimeErrors.h"

// Every field of an object as text, reals exact, so that a difference shows
// where it is.
inline std::string Describe(const MapObject& o)
{
    auto real = [](double v) {
        char text[40];
        std::snprintf(text, sizeof text, "%a ", v);
        return std::string(text);
    };
    auto rect = [&](const TDoubleRect& r) { return real(r.X1) + real(r.Y1) + real(r.X2) + real(r.Y2); };
    std::string text = "type " + std::to_string(o.ObjType) + " bounds " + rect(o.Bounds) + "counts";
    for (std::int32_t count : o.PartCounts) text += " " + std::to_string(count);
    text += " part bounds ";
    for (const TDoubleRect& r : o.PartBounds) text += rect(r);
    text += "points ";
    for (const TDoublePoint& p : o.Points) text += real(p.x) + real(p.y);
    text += "style";
    for (std::uint8_t b : o.Style.Bytes) text += " " + std::to_string(b);
    return text;
}

// What one reading of a file leaves: its objects, the font table after it,
// and the refusal's kind and message ('' when it loaded).
struct TMifReading {
    std::vector<std::string> Objects;
    std::vector<std::string> Fonts;
    std::string Failure;

    bool operator==(const TMifReading&) const = default;
};

// Reads the file on one core (`sliceBytes` 0) or in slices, from a fresh
// font table. A refusal (QMError, a run-time error) is noted; a failed
// assertion and anything else pass to the caller.
inline TMifReading ReadMif(const std::string& path, std::size_t sliceBytes)
{
    ResetFontTable();
    TMifReading reading;
    TMapinfoMIF reader;
    try {
        if (sliceBytes == 0) reader.LoadOneCore(path);
        else reader.LoadInSlices(path, sliceBytes);
    } catch (const QMError& e) {
        reading.Failure = std::string(typeid(e).name()) + ": " + e.what();
    } catch (const EAssertionFailed&) {
        throw;
    } catch (const ERuntimeError& e) {
        reading.Failure = std::string(typeid(e).name()) + ": " + e.what();
    }
    for (const MapObject& o : reader.Objects) reading.Objects.push_back(Describe(o));
    reading.Fonts = FontList();
    return reading;
}

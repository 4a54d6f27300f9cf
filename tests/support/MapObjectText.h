#pragma once
// Map objects as text, for tests that compare two readings of a file object
// for object.
#include <cstdio>
#include <string>
#include <vector>

#include "geodata/IdrisiVCT.h"
#include "geodata/QMMapDecl.h"

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

// The refusal's message, if any, and the objects of reading an Idrisi
// ".vct" on one core (`sliceBytes` 0) or in runs of about `sliceBytes`.
inline std::vector<std::string> VctReading(const std::string& vct, std::size_t sliceBytes)
{
    TIdrisiVCT reader;
    reader.ReadVdc(vct);
    std::vector<std::string> read;
    try {
        reader.ReadVct(vct, sliceBytes);
    } catch (const QMError& e) {
        read.push_back(e.what());
    }
    for (const MapObject& o : reader.Objects) read.push_back(Describe(o));
    return read;
}

#pragma once
// One reading of a MapInfo interchange file, on one core or in slices, as
// text that two readings can be compared by: the tests and the fuzz target
// hold the parallel reading to the one-core reading with it.
#include <string>
#include <typeinfo>
#include <vector>

#include "geodata/FontTable.h"
#include "geodata/MapInfoMIF.h"
#include "platform/RuntimeErrors.h"
#include "tests/support/MapObjectText.h"

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

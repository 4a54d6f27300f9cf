#pragma once
// The Idrisi vector reader: a text header (".vdc") beside a binary object
// file (".vct"). Polygon and line files give objects; point and text files
// give none.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "geodata/QMMapDecl.h"

class TIdrisiVCT {
public:
    // Reads the ".vdc" and then the ".vct" beside `fileName`. A QMError is
    // kept in LastError, shown through the environment's error box and gives
    // false; objects read before it stay. A missing ".vdc" raises EInOutError.
    bool Open(const std::string& fileName);

    std::uint8_t GetRefSystem() const { return RefSystem; }
    const std::string& GetRefSystemName() const { return RefSystemName; }
    std::uint8_t GetRefUnits() const { return RefUnits; }
    double GetUnitDist() const { return UnitDist; }
    // The message of the last failed Open; '' after a successful one.
    const std::string& LastError() const { return LastErrorText; }

    // True when the header was read to its end and names an object type.
    bool ReadVdc(const std::string& fileName);
    // Applies one header key and its trimmed value.
    void ParseVdcKey(std::string_view key, std::string_view value);
    // Reads the objects the header's object type calls for: a file larger
    // than `sliceBytes` in slices of about that many bytes on every core, a
    // smaller one (and any with `sliceBytes` 0) on one core, with the same
    // objects and failures.
    void ReadVct(const std::string& fileName, std::size_t sliceBytes = kVctSliceBytes);
    static constexpr std::size_t kVctSliceBytes = std::size_t(4) << 20;

    std::string FileTitle;
    std::uint8_t ObjectType = 0;  // 0 not given, 1 point, 2 line, 3 polygon, 4 text
    std::uint8_t IdType = 0;      // 0 not given, 1 byte, 2 integer, 3 real
    std::uint8_t FileType = 0;    // 0 not given, 1 binary
    std::uint8_t RefSystem = 0;   // 0 not recognised, 2 lat/long, 3 alber-rus
    std::string RefSystemName;
    std::uint8_t RefUnits = 0;    // 0 not recognised, 1 metres, 4 degrees
    double UnitDist = 0;
    double MinX = 0, MaxX = 0, MinY = 0, MaxY = 0;
    double MinValue = 0, MaxValue = 0;
    MapObjectArray Objects;

private:
    void ReadVctPolygons(const std::string& fileName, std::size_t sliceBytes);
    void ReadVctLines(const std::string& fileName, std::size_t sliceBytes);

    std::string LastErrorText;
};

// The names of the two files: the extension replaced by ".vdc" or ".vct".
std::string VdcFileName(std::string_view vectorName);
std::string VctFileName(std::string_view vectorName);

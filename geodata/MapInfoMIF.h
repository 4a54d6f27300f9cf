#pragma once
// The MapInfo interchange reader: the coordinate system of a ".mif" header
// and its Line, PLine, Region and Point objects with their own pens, brushes
// and symbols. The ".mid" data file is not read.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "geodata/MifToken.h"
#include "geodata/QMMapDecl.h"

class TMapinfoMIF {
public:
    TMapinfoMIF();
    ~TMapinfoMIF();
    TMapinfoMIF(const TMapinfoMIF&) = delete;
    TMapinfoMIF& operator=(const TMapinfoMIF&) = delete;

    // Reads the file; failures raise QMError (and the platform's conversion
    // and range errors for malformed numbers) and leave no objects. A large
    // file's objects are parsed on every core.
    void Load(const std::string& fileName);
    // Load on one core, as small files are read: the reference that the
    // parallel reading must equal, object for object and message for message.
    void LoadOneCore(const std::string& fileName);
    // Load with the objects cut into slices of about `sliceBytes` bytes of
    // the file, parsed on every core.
    void LoadInSlices(const std::string& fileName, std::size_t sliceBytes);

    std::uint8_t GetRefSystem() const { return RefSystem; }
    const std::string& GetRefSystemName() const { return RefSystemName; }
    std::uint8_t GetRefUnits() const { return RefUnits; }

    // A MIF colour (red in the high byte) as a COLORREF (red in the low byte).
    static TColorRef MifColorToColor(std::int32_t mifColor);

    char Delimiter = 0;
    std::uint8_t RefSystem = 0;   // 2 lat/long, 3 alber-rus, 4 other; 0 without "CoordSys"
    std::string RefSystemName;    // "Lat-long", "Alber-rus" or "Unknown"
    std::uint8_t RefUnits = 0;    // 1 metres, 2 kilometres, 4 degrees, 0 not recognised
    double MinX = 0, MaxX = 0, MinY = 0, MaxY = 0;
    MapObjectArray Objects;

private:
    struct TSliceNotes;
    // Where a line starts and how many lines are before it.
    struct TLinePlace {
        std::uint64_t Offset = 0;
        std::int32_t LinesBefore = 0;
    };

    void ParseMif(const std::string& fileName, std::size_t sliceBytes);
    void ReadMifHeader();
    void ReadCoordSys();
    std::int32_t ReadProjectionType();
    std::vector<double> ReadProjectionParameters(int count);
    void SetRefSystem(std::int32_t type, std::int32_t datum, const std::vector<double>& parameters);
    void SetRefUnits(std::string_view units);
    void ReadCoordSysBounds();
    void ReadMifObjects();
    // The object loop up to the first line that starts at or after `end`
    // where the loop would take its first token; returns that line.
    TLinePlace ReadObjectsUntil(std::uint64_t end);
    void ReadObjectsInSlices(std::size_t sliceBytes);
    // A reader of the objects from `start` to the first line at or after
    // `end`, its styles and fonts noted for the join.
    std::unique_ptr<TMapinfoMIF> ReadSlice(TLinePlace start, std::uint64_t end) const;
    void JoinSlice(std::unique_ptr<TMapinfoMIF>& slice, TLinePlace& place, std::uint64_t end, std::uint64_t dataStart);
    void AppendObject();

    void ReadLineObject();
    void ReadPLineObject();
    void ReadRegionObject();
    void ReadPointObject();
    void ReadPart();
    void ReadPen();
    void ReadBrush();
    void ReadSymbol();
    std::string_view ReadSymbolFont();

    std::int32_t SymbolFontIndex(const std::string& name);
    std::int32_t NeedInt();
    double NeedReal();
    std::int32_t NeedCount();
    void NeedPoint();

    TTokenFile Tokens;
    MapObject Current;
    // Set in a reader of one slice of the objects.
    std::unique_ptr<TSliceNotes> Notes;
};

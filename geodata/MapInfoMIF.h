#pragma once
// The MapInfo interchange reader: the coordinate system of a ".mif" header
// and its Line, PLine, Region and Point objects with their own pens, brushes
// and symbols. The ".mid" data file is not read.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "geodata/MifToken.h"
#include "geodata/QMMapDecl.h"

class TMapinfoMIF {
public:
    TMapinfoMIF() = default;
    TMapinfoMIF(const TMapinfoMIF&) = delete;
    TMapinfoMIF& operator=(const TMapinfoMIF&) = delete;

    // Reads the file; failures raise QMError (and the platform's conversion
    // and range errors for malformed numbers).
    void Load(const std::string& fileName);

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
    void ParseMif(const std::string& fileName);
    void ReadMifHeader();
    void ReadCoordSys();
    std::int32_t ReadProjectionType();
    std::vector<double> ReadProjectionParameters(int count);
    void SetRefSystem(std::int32_t type, std::int32_t datum, const std::vector<double>& parameters);
    void SetRefUnits(std::string_view units);
    void ReadCoordSysBounds();
    void ReadMifObjects();
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

    std::int32_t NeedInt();
    double NeedReal();
    std::int32_t NeedCount();
    void NeedPoint();

    TTokenFile Tokens;
    MapObject Current;
};

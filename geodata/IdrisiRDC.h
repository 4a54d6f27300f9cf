#pragma once
// The Idrisi raster header (".rdc"): the record, the key table and the reader.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// One legend category.
struct TValueCode {
    double Code = 0;   // always a whole number
    std::string Name1; // English
    std::string Name2; // Russian
};
using TValueCodeArray = std::vector<TValueCode>;

enum : std::uint8_t { dtByte = 1, dtInteger = 2, dtReal = 3 };
enum : std::uint8_t { rsPlane = 1, rsLatLong = 2, rsAlberRus = 3, rsOther = 4 };
enum : std::uint8_t { ruMetres = 1, ruKilometres = 2, ruDegrees = 4 };

struct TIdrisiRDC {
    std::string HeaderFile;
    std::string FileTitle;
    std::uint8_t DataType = 0;   // 1 byte, 2 integer, 3 real
    std::uint8_t FileType = 0;   // 1 binary
    std::int32_t Rows = 0;
    std::int32_t Columns = 0;
    std::uint8_t RefSystem = 0;  // 1 plane, 2 lat/long, 3 alber-rus, 4 other
    std::string RefSystemName;
    std::uint8_t RefUnits = 0;   // 1 m, 2 km, 4 deg
    double UnitDist = 0;
    TValueCodeArray Codes;
    std::int32_t CodeCount = 0;
    double MinX = 0, MaxX = 0;
    double MinY = 0, MaxY = 0;
    double MinValue = 0, MaxValue = 0;
    // A header without display keys ends with DisplayMin > DisplayMax.
    double DisplayMin = 1.7e308;
    double DisplayMax = -1.7e308;
};

// The most cells one raster may hold: cells are counted and indexed in
// 32 bits (the calculator's windows, the viewer's histogram counts).
inline constexpr std::int64_t kMaxRasterCells = 2147483647;
// Empty when the header's rows and columns make a raster this system can
// hold; otherwise the message that refuses it: "rows or columns equals to
// zero" for a raster without cells, "File %s is too large: ..." naming the
// header file for one of more than kMaxRasterCells cells.
std::string RasterSizeError(const TIdrisiRDC& header);

// The header's name: the raster's name with its extension replaced by ".RDC".
std::string RdcFileName(std::string_view rasterName);
// The cell file's name: the extension replaced by ".rst".
std::string RstFileName(std::string_view rasterName);

// Reads the header that belongs to `rasterFileName` into `rdc`. Raises QMError
// "There is only .rst file, no .rdc." when it is missing and EInOutError when
// it cannot be read; on failure `rdc` is left as it was.
void ReadRdc(TIdrisiRDC& rdc, const std::string& rasterFileName);
// Applies one key and its (trimmed) value.
void ParseRdcKey(TIdrisiRDC& rdc, std::string_view key, std::string_view value);
// Cuts one header line: the key before the first ':' and the value after it
// (at most 999 characters), both trimmed. False for a line without ':',
// which ends a header.
bool SplitHeaderLine(std::string_view line, std::string_view& key, std::string_view& value);
// Removes characters with codes 0-32 at both ends.
std::string_view TrimControl(std::string_view s);

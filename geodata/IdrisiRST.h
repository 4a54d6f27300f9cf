#pragma once
// One Idrisi raster in memory: its header, a 256-colour palette read from a
// ".qmp" file, an 8-bit bottom-up image with one palette index per cell, and
// the histogram and legend of the last build. The image is all it holds of
// the cells: a value query reads its cell from the cell file.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "geodata/Geometry.h"
#include "geodata/IdrisiRDC.h"
#include "geodata/QMMapDecl.h"
#include "platform/BulkMemory.h"
#include "platform/WinTypes.h"

// The default palette, looked for in the program folder.
inline constexpr const char* kDefaultPaletteName = "Quillmere.qmp";

// The 40-byte header of a device-independent bitmap.
struct TBitmapInfoHeader {
    std::uint32_t biSize = 40;
    std::int32_t biWidth = 0;
    std::int32_t biHeight = 0; // positive: rows stored bottom-up
    std::uint16_t biPlanes = 0;
    std::uint16_t biBitCount = 0;
    std::uint32_t biCompression = 0;
    std::uint32_t biSizeImage = 0;
    std::int32_t biXPelsPerMeter = 0;
    std::int32_t biYPelsPerMeter = 0;
    std::uint32_t biClrUsed = 0;
    std::uint32_t biClrImportant = 0;
};
static_assert(sizeof(TBitmapInfoHeader) == 40);

// The bitmap header and its colour table; each colour is an RGBQUAD word:
// blue in bits 0-7, green 8-15, red 16-23, the reserved byte 0.
struct TBitmapInfo {
    TBitmapInfoHeader bmiHeader;
    std::array<std::uint32_t, 256> bmiColors{};
};

// One histogram bin: the values Lo <= v < Hi, which share one palette colour.
struct ZHistogramm {
    double Lo = 0;
    double Hi = 0;
    std::int32_t CellCount = 0;
    double ActualMin = 1.7e308;
    double ActualMax = -1.7e308;
    std::int32_t PaletteIndex = 0;
};
using ZHistogrammArray = std::vector<ZHistogramm>;

// Bytes of one bitmap row: `columns` raised to a multiple of 4.
std::int64_t DibRowBytes(std::int32_t columns);

class TIdrisiRST {
public:
    TIdrisiRST() = default;
    virtual ~TIdrisiRST() = default;
    TIdrisiRST(const TIdrisiRST&) = delete;
    TIdrisiRST& operator=(const TIdrisiRST&) = delete;

    // Reads header, palette and image. `paletteSpec` is "" (the default
    // palette), a palette file name, or "name,min,max" whose range replaces
    // the header's display range. True on success; failures raise.
    bool Open(const std::string& fileName, const std::string& paletteSpec, bool autoscale);
    // Reads only the header; no cell is read and no image is built.
    bool OpenHeader(const std::string& fileName);
    // Reads the header that belongs to `fileName` into Header.
    void ReadRdc(const std::string& fileName);
    // Replaces the colour table from a ".qmp" file; all or nothing.
    void LoadPalette(const std::string& paletteFileName);
    // A new display range; rebuilds image and legend from the cell file. A
    // failing rebuild leaves the previous image, range and legend in place.
    void SetDisplayRange(bool stretch, double min, double max);
    // The value of one cell (row counted from the south edge), read from the
    // cell file, and its category name (the Russian one when `second`).
    // False outside the raster or when the cell file no longer holds it.
    bool GetValueAt(std::int32_t column, std::int32_t row, bool second, std::string& name, double& value);
    // The pixel rectangle of `rect` (reference units), rows counted from the
    // south edge; (-1,-1,-1,-1) when the raster's extent is degenerate.
    TRect MapRectToPixels(const TDoubleRect& rect) const;
    TDoubleRect GetBounds() const;

    const TColorValueArray& GetLegend() const { return Legend; }
    bool GetLegendChanged() const { return LegendChanged; }
    void ClearLegendChanged() { LegendChanged = false; }
    // The pixel rows, bottom-up, DibRowBytes(GetColumns()) bytes each;
    // nullptr before the image is loaded.
    const std::uint8_t* GetBits() const { return Bits.empty() ? nullptr : Bits.data(); }
    const TBitmapInfo* GetBitmapInfo() const { return &BitmapInfo; }
    bool IsLoaded() const { return Loaded; }
    bool GetStretch() const { return Stretch; }

    void GetHeader(TIdrisiRDC& header) const { header = Header; }
    std::uint8_t GetDataType() const { return Header.DataType; }
    std::uint8_t GetRefSystem() const { return Header.RefSystem; }
    std::uint8_t GetRefUnits() const { return Header.RefUnits; }
    const std::string& GetRefSystemName() const { return Header.RefSystemName; }
    double GetUnitDist() const { return Header.UnitDist; }
    double GetMinValue() const { return Header.MinValue; }
    double GetMaxValue() const { return Header.MaxValue; }
    double GetDisplayMin() const { return Header.DisplayMin; }
    double GetDisplayMax() const { return Header.DisplayMax; }
    std::int32_t GetColumns() const { return Header.Columns; }
    std::int32_t GetRows() const { return Header.Rows; }

private:
    struct TBuild;

    void LoadImage(const std::string& paletteSpec);
    void FillBitmapHeader();
    TBuild BuildImage(bool stretch, double displayMin, double displayMax) const;
    void BuildLegend(TBuild& build) const;
    void Commit(TBuild& build);
    std::string CategoryName(double value, bool second) const;

    TIdrisiRDC Header;
    TBitmapInfo BitmapInfo;
    TBulkVector<std::uint8_t> Bits; // zero-filled, padding included
    bool Loaded = false;
    double LowBound = 0;
    double HighBound = 0;
    std::int32_t IndexMin = 0;
    std::int32_t IndexMax = 255;
    double ScaleA = 0;
    double ScaleB = 0;
    bool Stretch = true;
    ZHistogrammArray Histogram;
    TColorValueArray Legend;
    bool LegendChanged = false;
};

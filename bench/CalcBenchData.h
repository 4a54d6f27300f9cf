#pragma once
// The square rasters the calculator's benchmarks run on, written by the
// calculator's own writer into a temporary folder kept for the run; and the
// page cache warmed before a timed step reads them.
#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "calculator/CommandSteps.h"
#include "calculator/RasterWriter.h"
#include "tests/support/TempFolder.h"

class TCalcBenchFolder : public TTempFolder {
public:
    // Writes "<name>.RST" and "<name>.RDC", side x side cells of the type,
    // cell i being value(i), with the cells' extremes in the header.
    template <class Value>
    void WriteRaster(const std::string& name, std::uint8_t dataType, std::int32_t side, Value value) const
    {
        std::string base = Folder() + name;
        ConfirmOverwrite(base, [](const std::string&) { return true; });
        TRasterOutput output(base);
        RastrFile window;
        window.Header.DataType = dataType;
        const std::int64_t cells = static_cast<std::int64_t>(side) * side;
        TIdrisiRDC header;
        header.MinValue = kCellHigh;
        header.MaxValue = kCellLow;
        for (std::int64_t start = 0; start < cells; start += kWindowCells) {
            std::int64_t count = std::min(kWindowCells, cells - start);
            window.Cells.clear();
            window.RawCells.clear();
            for (std::int64_t i = start; i < start + count; ++i) {
                float v = value(i);
                header.MinValue = std::min<double>(header.MinValue, v);
                header.MaxValue = std::max<double>(header.MaxValue, v);
                if (dataType == dtReal)
                    window.Cells.push_back(v);
                else
                    window.RawCells.push_back(static_cast<std::uint8_t>(v));
            }
            output.AppendRst(CellBytes(window));
        }
        header.DataType = dataType;
        header.Rows = side;
        header.Columns = side;
        header.RefSystemName = "plane";
        header.RefUnits = 1;
        header.UnitDist = 1;
        header.MaxX = side;
        header.MaxY = side;
        output.WriteRdc(header);
        output.Commit();
    }

};

inline void WarmPageCache(const std::string& name)
{
    std::ifstream in(name, std::ios::binary);
    std::vector<char> buffer(1 << 22);
    while (in.read(buffer.data(), static_cast<std::streamsize>(buffer.size())) || in.gcount() > 0) {
    }
}

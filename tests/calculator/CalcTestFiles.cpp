#include "tests/calculator/CalcTestFiles.h"

#include "tests/support/RasterFiles.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>


std::string ReadWholeFile(const std::string& name)
{
    std::ifstream in(name, std::ios::binary);
    if (!in) throw std::runtime_error("cannot open " + name);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void WriteWholeFile(const std::string& name, const std::string& bytes)
{
    std::ofstream out(name, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + name);
}

std::string WriteTestRaster(const std::string& base, const TTestRaster& raster)
{
    TRdcText header;
    header.Title = "test";
    header.DataType = raster.DataType;
    header.Columns = raster.Columns;
    header.Rows = raster.Rows;
    header.RefSystem = raster.RefSystem;
    header.RefUnits = raster.Units;
    header.MinValue = header.MaxValue = "0";
    header.Eol = "\r\n";
    std::string cells;
    if (raster.DataType == "byte")
        cells = CellBytes<std::uint8_t>(raster.Values);
    else if (raster.DataType == "integer")
        cells = CellBytes<std::int16_t>(raster.Values);
    else
        cells = CellBytes<float>(raster.Values);
    return WriteIdrisiRaster(base, header.Text(), cells);
}

std::vector<double> ReadTestCells(const std::string& rstName, const std::string& dataType)
{
    std::string bytes = ReadWholeFile(rstName);
    std::vector<double> values;
    if (dataType == "byte") {
        for (char c : bytes) values.push_back(static_cast<std::uint8_t>(c));
    } else if (dataType == "integer") {
        for (std::size_t i = 0; i + 2 <= bytes.size(); i += 2) {
            std::int16_t v;
            std::memcpy(&v, bytes.data() + i, 2);
            values.push_back(v);
        }
    } else {
        for (std::size_t i = 0; i + 4 <= bytes.size(); i += 4) {
            float v;
            std::memcpy(&v, bytes.data() + i, 4);
            values.push_back(v);
        }
    }
    return values;
}

std::vector<std::string> FolderListing(const std::string& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

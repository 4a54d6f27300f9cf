#include "tests/calculator/CalcTestFiles.h"

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
    std::string header = "file format : IDRISI Raster A.1\r\n"
                         "file title  : test\r\n"
                         "data type   : " + raster.DataType + "\r\n"
                         "file type   : binary\r\n"
                         "columns     : " + std::to_string(raster.Columns) + "\r\n"
                         "rows        : " + std::to_string(raster.Rows) + "\r\n"
                         "ref. system : " + raster.RefSystem + "\r\n"
                         "ref. units  : " + raster.Units + "\r\n"
                         "unit dist.  : 1\r\n"
                         "min. X      : 0\r\n"
                         "max. X      : " + std::to_string(raster.Columns) + "\r\n"
                         "min. Y      : 0\r\n"
                         "max. Y      : " + std::to_string(raster.Rows) + "\r\n"
                         "min. value  : 0\r\n"
                         "max. value  : 0\r\n";
    WriteWholeFile(base + ".rdc", header);
    std::string cells;
    for (double v : raster.Values) {
        if (raster.DataType == "byte") {
            cells += static_cast<char>(static_cast<std::uint8_t>(v));
        } else if (raster.DataType == "integer") {
            std::int16_t i = static_cast<std::int16_t>(v);
            cells.append(reinterpret_cast<const char*>(&i), 2);
        } else {
            float f = static_cast<float>(v);
            cells.append(reinterpret_cast<const char*>(&f), 4);
        }
    }
    WriteWholeFile(base + ".rst", cells);
    return base + ".rst";
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

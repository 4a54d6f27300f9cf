#pragma once
// Small rasters written by hand for the calculator's tests, in a temporary
// folder (TTempFolder) that disappears with the test.
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/TempFolder.h"

struct TTestRaster {
    std::int32_t Rows = 1;
    std::int32_t Columns = 1;
    std::string DataType = "real";  // as written in the header
    std::string Units = "m";
    std::vector<double> Values;     // row-major, stored in the data type
    std::string RefSystem = "plane";
};

// Writes "<base>.rdc" and "<base>.rst"; returns the ".rst" name.
std::string WriteTestRaster(const std::string& base, const TTestRaster& raster);
// The cells of a ".rst" file of the given type ("byte", "integer", "real").
std::vector<double> ReadTestCells(const std::string& rstName, const std::string& dataType);
std::string ReadWholeFile(const std::string& name);
void WriteWholeFile(const std::string& name, const std::string& bytes);
// The names in a folder, sorted.
std::vector<std::string> FolderListing(const std::string& folder);

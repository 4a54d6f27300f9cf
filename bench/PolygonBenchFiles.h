#pragma once
// The large vector layers the drawing and reading benchmarks share: MapInfo
// interchange files that OGR wrote from generated polygons of 8 to 30 points,
// one in ten with a hole, spread over 20-180 E and 40-75 N on the Pulkovo
// 1942 datum, as a national parcel layer would be. OGR writes them once per
// count into the temporary folder and later runs reuse them, since writing
// the million-polygon file takes OGR minutes.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

#include "platform/NumberText.h"

namespace polygon_bench {

// A generator of our own, so the polygons are the same on every library.
class TSplitMix {
public:
    explicit TSplitMix(std::uint64_t seed) : State(seed) {}
    double Unit()
    {
        std::uint64_t z = (State += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return static_cast<double>((z ^ (z >> 31)) >> 11) * 0x1.0p-53;
    }
    int Between(int low, int high) { return low + static_cast<int>(Unit() * (high - low + 1)); }

private:
    std::uint64_t State;
};

// One ring around (cx, cy) as WKT coordinates, closed, counter-clockwise for
// an outer ring and clockwise for a hole.
inline std::string Ring(TSplitMix& random, double cx, double cy, double radius, int points, bool hole)
{
    std::string text = "(";
    std::string first;
    for (int k = 0; k < points; ++k) {
        const double angle = (hole ? -1.0 : 1.0) * 2 * M_PI * k / points;
        const double r = radius * (0.7 + 0.3 * random.Unit());
        const std::string point = FormatFixed(cx + r * std::cos(angle), 6) + " " + FormatFixed(cy + r * std::sin(angle), 6);
        if (k == 0) first = point;
        text += point + ",";
    }
    return text + first + ")";
}

// The generated polygons as a CSV of WKT that OGR reads.
inline void WriteCsv(const std::filesystem::path& path, int count)
{
    TSplitMix random(20261209);
    const double west = 20, east = 180, south = 40, north = 75;
    const int columns = static_cast<int>(std::ceil(std::sqrt(count * (east - west) / (north - south))));
    const int rows = (count + columns - 1) / columns;
    const double width = (east - west) / columns, height = (north - south) / rows;
    std::ofstream csv(path, std::ios::binary);
    csv << "WKT,id\n";
    for (int i = 0; i < count; ++i) {
        const double cx = west + (i % columns + 0.25 + 0.5 * random.Unit()) * width;
        const double cy = south + (i / columns + 0.25 + 0.5 * random.Unit()) * height;
        const double radius = 0.45 * std::min(width, height);
        std::string wkt = "\"POLYGON(" + Ring(random, cx, cy, radius, random.Between(8, 30) - 1, false);
        if (i % 10 == 0) wkt += "," + Ring(random, cx, cy, radius * 0.35, random.Between(8, 12) - 1, true);
        csv << wkt << ")\"," << i << "\n";
    }
    if (!csv.flush()) throw std::runtime_error("cannot write " + path.string());
}

// The path of the interchange file of `count` polygons, made by OGR when it
// is not there yet; throws when OGR (Debian's gdal-bin) cannot make it.
inline std::string MifOfPolygons(int count)
{
    const auto folder = std::filesystem::temp_directory_path() / "qm-bench-polygons";
    const auto mif = folder / ("polygons-" + std::to_string(count) + ".mif");
    if (std::filesystem::exists(mif)) return mif.string();
    std::filesystem::create_directories(folder);
    const auto scratch = folder / ("making-" + std::to_string(count));
    std::filesystem::remove_all(scratch);
    std::filesystem::create_directories(scratch);
    WriteCsv(scratch / "polygons.csv", count);
    // EPSG:4284 is Pulkovo 1942, which OGR writes as "CoordSys Earth
    // Projection 1, 1001".
    const std::string command = "ogr2ogr -f 'MapInfo File' -dsco FORMAT=MIF -a_srs EPSG:4284 -nln polygons -oo KEEP_GEOM_COLUMNS=NO '" +
                                (scratch / "polygons.mif").string() + "' '" + (scratch / "polygons.csv").string() +
                                "' >/dev/null 2>&1";
    if (std::system(command.c_str()) != 0) throw std::runtime_error("ogr2ogr could not write " + mif.string());
    // The data file goes first, so a present ".mif" always has its ".mid".
    std::filesystem::rename(scratch / "polygons.mid", folder / ("polygons-" + std::to_string(count) + ".mid"));
    std::filesystem::rename(scratch / "polygons.mif", mif);
    std::filesystem::remove_all(scratch);
    return mif.string();
}

} // namespace polygon_bench

#include "geodata/ObjectIndex.h"

#include <algorithm>
#include <bit>
#include <cmath>

namespace {

// About two objects a cell; larger objects are listed in the cells they
// cover up to this many.
constexpr double kObjectsPerCell = 2;
constexpr std::size_t kMostCellsOfOne = 64;
constexpr double kMostCells = 1 << 22;

bool Indexable(const TDoubleRect& r)
{
    return std::isfinite(r.X1) && std::isfinite(r.X2) && std::isfinite(r.Y1) && std::isfinite(r.Y2) && r.X1 <= r.X2 &&
           r.Y2 <= r.Y1;
}

// Floor and clamp keep the order of coordinates, so an object and an area
// that meet share a cell.
std::size_t Cell(double v, double origin, double size, std::size_t count)
{
    const double cell = std::floor((v - origin) / size);
    if (!(cell > 0)) return 0;
    return std::min(count - 1, static_cast<std::size_t>(std::min(cell, static_cast<double>(count))));
}

} // namespace

TObjectIndex::TObjectIndex(const MapObjectArray& objects) : Data(objects.data()), Count(objects.size())
{
    // Entries are 32-bit: a layer beyond that is always tested whole.
    if (objects.size() >= (std::size_t{1} << 32)) return;
    // The grid spans the objects' centres, so that one object far larger
    // than the rest does not make every other share a cell; objects beyond
    // it fall into its edge cells.
    bool any = false;
    for (const MapObject& object : objects) {
        if (!Indexable(object.Bounds)) continue;
        const TDoubleRect& b = object.Bounds;
        const double x = b.X1 / 2 + b.X2 / 2, y = b.Y1 / 2 + b.Y2 / 2;
        Bounds = any ? RectUnion(Bounds, b) : b;
        Grid = any ? RectUnion(Grid, TDoubleRect{x, y, x, y}) : TDoubleRect{x, y, x, y};
        any = true;
    }
    if (!any) return;
    const double width = Grid.X2 - Grid.X1, height = Grid.Y1 - Grid.Y2;
    if (width > 0 && height > 0) {
        const double cells = std::clamp(static_cast<double>(objects.size()) / kObjectsPerCell, 1.0, kMostCells);
        const double across = std::clamp(std::sqrt(cells * width / height), 1.0, cells);
        Columns = static_cast<std::size_t>(across);
        Rows = static_cast<std::size_t>(std::max(1.0, cells / across));
        CellWidth = width / static_cast<double>(Columns);
        CellHeight = height / static_cast<double>(Rows);
    }
    // Two passes: the count of each cell, then the objects in order.
    std::vector<std::size_t> counts(Columns * Rows + 1, 0);
    const auto listed = [&](const MapObject& object, TCells& c) {
        if (!Indexable(object.Bounds)) return false;
        c = CellsOf(object.Bounds);
        return (c.LastColumn - c.FirstColumn + 1) * (c.LastRow - c.FirstRow + 1) <= kMostCellsOfOne;
    };
    TCells c{};
    for (const MapObject& object : objects) {
        if (!listed(object, c)) continue;
        for (std::size_t row = c.FirstRow; row <= c.LastRow; ++row)
            for (std::size_t column = c.FirstColumn; column <= c.LastColumn; ++column) ++counts[row * Columns + column + 1];
    }
    for (std::size_t i = 1; i < counts.size(); ++i) counts[i] += counts[i - 1];
    Starts = counts;
    Entries.resize(counts.back());
    for (std::size_t i = 0; i < objects.size(); ++i) {
        if (!listed(objects[i], c)) {
            Everywhere.push_back(static_cast<std::uint32_t>(i));
            continue;
        }
        for (std::size_t row = c.FirstRow; row <= c.LastRow; ++row)
            for (std::size_t column = c.FirstColumn; column <= c.LastColumn; ++column)
                Entries[counts[row * Columns + column]++] = static_cast<std::uint32_t>(i);
    }
}

bool TObjectIndex::Describes(const MapObjectArray& objects) const
{
    return objects.data() == Data && objects.size() == Count;
}

TObjectIndex::TCells TObjectIndex::CellsOf(const TDoubleRect& r) const
{
    return TCells{Cell(r.X1, Grid.X1, CellWidth, Columns), Cell(r.X2, Grid.X1, CellWidth, Columns),
                  Cell(r.Y2, Grid.Y2, CellHeight, Rows), Cell(r.Y1, Grid.Y2, CellHeight, Rows)};
}

bool TObjectIndex::ObjectsMeeting(const TDoubleRect& area, std::vector<std::size_t>& found) const
{
    found.clear();
    if (Starts.empty() || !Indexable(area)) return false;
    const TCells c = CellsOf(area);
    if ((c.LastColumn - c.FirstColumn + 1) * (c.LastRow - c.FirstRow + 1) * 4 > Columns * Rows) return false;
    // An object listed in several cells is found once, in order, through a
    // bit for each object.
    std::vector<std::uint64_t> met((Count + 63) / 64, 0);
    const auto mark = [&](std::uint32_t i) { met[i / 64] |= std::uint64_t{1} << (i % 64); };
    for (std::uint32_t i : Everywhere) mark(i);
    if (area.X2 >= Bounds.X1 && area.X1 <= Bounds.X2 && area.Y1 >= Bounds.Y2 && area.Y2 <= Bounds.Y1)
        for (std::size_t row = c.FirstRow; row <= c.LastRow; ++row)
            for (std::size_t k = Starts[row * Columns + c.FirstColumn]; k < Starts[row * Columns + c.LastColumn + 1]; ++k)
                mark(Entries[k]);
    for (std::size_t word = 0; word < met.size(); ++word)
        for (std::uint64_t bits = met[word]; bits != 0; bits &= bits - 1)
            found.push_back(word * 64 + static_cast<std::size_t>(std::countr_zero(bits)));
    return true;
}

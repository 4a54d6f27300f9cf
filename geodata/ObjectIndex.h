#pragma once
// A grid of a vector layer's objects by their bounds, so that a view of a
// small part of a large layer finds the objects it may meet without testing
// every object. The index describes the bounds of the objects it was made
// from: whoever changes them in place drops it (the layer list does so when
// it reprojects a layer).
#include <cstddef>
#include <cstdint>
#include <vector>

#include "geodata/Geometry.h"
#include "geodata/QMMapDecl.h"

class TObjectIndex {
public:
    explicit TObjectIndex(const MapObjectArray& objects);

    // Whether the index was made from this array as it stands in memory; an
    // array moved, resized or copied is another.
    bool Describes(const MapObjectArray& objects) const;
    // The extent of the objects whose bounds are finite and normalised;
    // every other object is met by every area.
    const TDoubleRect& Extent() const { return Bounds; }
    // The indices, ascending, of the objects whose bounds may meet `area`
    // (layer units, normalised): every object that does, and some that do
    // not. False, with nothing found, when `area` is not finite or covers
    // so much of the grid that testing every object costs no more.
    bool ObjectsMeeting(const TDoubleRect& area, std::vector<std::size_t>& found) const;

private:
    struct TCells {
        std::size_t FirstColumn, LastColumn, FirstRow, LastRow;
    };
    TCells CellsOf(const TDoubleRect& r) const;

    const MapObject* Data;
    std::size_t Count;
    TDoubleRect Bounds{};
    TDoubleRect Grid{};
    std::size_t Columns = 1;
    std::size_t Rows = 1;
    double CellWidth = 1;
    double CellHeight = 1;
    // The objects of each cell in ascending order, cell after cell, row by
    // row; Starts[c] is where cell c begins.
    std::vector<std::size_t> Starts;
    std::vector<std::uint32_t> Entries;
    // Objects every area may meet: bounds that are not finite or not
    // normalised, and objects over too many cells to list in each.
    std::vector<std::uint32_t> Everywhere;
};

#pragma once
// The document a map view shows. All a view asks of it is its extent.
#include "geodata/Geometry.h"

class TMDoc {
public:
    TMDoc() = default;
    virtual ~TMDoc() = default;
    TMDoc(const TMDoc&) = delete;
    TMDoc& operator=(const TMDoc&) = delete;

    // The extent in map units; the all-zero rect for the abstract document.
    virtual TDoubleRect GetExtent();
};

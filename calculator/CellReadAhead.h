#pragma once
// Reading the next window of each file operand ahead, while the current one
// is computed.
#include <cstdint>
#include <future>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "calculator/CellMath.h"
#include "calculator/ExprTree.h"
#include "calculator/RasterWriter.h"
#include "platform/TaskThread.h"

// Windows read ahead, one at a time for each raster that asked, on a thread
// of their own. A window read ahead is used only when it is exactly the
// window asked for; one that failed or was not used is dropped, and the
// window is then read as if nothing had been read ahead, so cells and
// failures are those of a read at that moment.
class TCellReadAhead {
public:
    TCellReadAhead();
    ~TCellReadAhead();

    // Starts reading `window` for `raster`, dropping what was read ahead for
    // it before.
    void Start(const RastrFile& raster, const TCellWindowRead& window);
    // When `window` was read ahead for `raster` and succeeded: swaps its
    // cells and measures into the raster and `measured`, and gives true.
    bool Take(RastrFile& raster, const TCellWindowRead& window, std::vector<TLaneExtremes>& measured);

private:
    struct TSlot {
        TCellWindowRead Window;
        RastrFile Cells;
        std::vector<TLaneExtremes> Measured;
        std::future<void> Done;
    };
    // Keyed by the raster's address: a tree node's raster stays where it is.
    std::map<const RastrFile*, std::unique_ptr<TSlot>> Slots;
    TTaskThread Reads; // last: its reads end before the slots they fill go
};

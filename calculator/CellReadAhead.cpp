#include "calculator/CellReadAhead.h"

#include <utility>

#include "platform/FileByteReader.h"
#include "platform/RuntimeErrors.h"

TCellReadAhead::TCellReadAhead() = default;

TCellReadAhead::~TCellReadAhead() = default;

void TCellReadAhead::Start(const RastrFile& raster, const TCellWindowRead& window)
{
    std::unique_ptr<TSlot>& slot = Slots[&raster];
    if (!slot) slot = std::make_unique<TSlot>();
    if (slot->Done.valid()) slot->Done.wait();
    slot->Window = window;
    TSlot* filled = slot.get();
    slot->Done = Reads.Run([filled] {
        TFileByteReader file(filled->Window.File);
        // A file that changed its length since is read again when asked for.
        if (file.Size() != filled->Window.FileSize) throw EInOutError("Cannot read file " + filled->Window.File);
        ReadCellWindow(file, filled->Window, filled->Cells, filled->Measured);
    });
}

bool TCellReadAhead::Take(RastrFile& raster, const TCellWindowRead& window, std::vector<TLaneExtremes>& measured)
{
    auto found = Slots.find(&raster);
    if (found == Slots.end() || !found->second->Done.valid()) return false;
    TSlot& slot = *found->second;
    try {
        slot.Done.get();
    } catch (...) {
        return false; // read again, so that a failure is the one of that read
    }
    if (!(slot.Window == window)) return false;
    std::swap(raster.Cells, slot.Cells.Cells);
    std::swap(raster.RawCells, slot.Cells.RawCells);
    std::swap(measured, slot.Measured);
    return true;
}

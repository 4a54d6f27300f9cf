#include "calculator/CellReadAhead.h"

#include <span>
#include <utility>

#include "geodata/IdrisiRDC.h"
#include "platform/FileByteReader.h"
#include "platform/ParallelFor.h"
#include "platform/RuntimeErrors.h"

namespace {

// A window is read in slices of at least this many bytes, a few per core.
constexpr std::size_t kReadGranule = std::size_t(1) << 18;

} // namespace

void ReadCellWindow(const TFileByteReader& file, const TCellWindowRead& window, RastrFile& raster,
                    std::vector<TLaneExtremes>& measured)
{
    const bool real = window.DataType == dtReal;
    const std::size_t bytes = static_cast<std::size_t>(window.Bytes);
    char* target = nullptr;
    if (real) {
        raster.Cells.resize(bytes / sizeof(float));
        target = reinterpret_cast<char*>(raster.Cells.data());
    } else {
        raster.RawCells.resize(bytes);
        target = reinterpret_cast<char*>(raster.RawCells.data());
    }
    // The cores copy a slice each out of the page cache and measure a real
    // one while it is at hand. Slices start at multiples of the granule, a
    // whole number of lanes, and each has its own entry.
    static_assert(kReadGranule % (kCellLanes * sizeof(float)) == 0);
    measured.assign(real ? (bytes + kReadGranule - 1) / kReadGranule : 0, TLaneExtremes());
    try {
        ParallelSlices(bytes, kReadGranule, kReadGranule, [&](std::size_t begin, std::size_t end) {
            file.ReadAt(window.Offset + begin, target + begin, end - begin);
            if (!real) return;
            std::span<const float> slice(raster.Cells.data() + begin / sizeof(float), (end - begin) / sizeof(float));
            measured[begin / kReadGranule] = RealLaneExtremes(slice);
        });
    } catch (const EReadPastEnd&) {
        throw EInOutError("Cannot read file " + window.File);
    } catch (const EInOutError&) {
        throw EInOutError("Cannot read file " + window.File);
    }
}

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

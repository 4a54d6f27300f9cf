#pragma once
// Reading a raster's header and a window of its cells for the calculator, and writing the Idrisi
// rasters it produces: the ".RST" cells appended window by window, then the
// 23-line ".RDC" header.
//
// Calling order for one output: ConfirmOverwrite; a TRasterOutput, its
// AppendRst for every window in order, its WriteRdc once, then Commit.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "calculator/CellMath.h"
#include "calculator/ExprTree.h"
#include "geodata/IdrisiRDC.h"

// Asks a Yes/No question; true for Yes.
using TAskYesNo = std::function<bool(const std::string& question)>;

// Reads the ".rdc" header beside `fileName` through the raster object, which
// shows the hourglass meanwhile (platform/Environment); the reader's QMError
// ("There is only .rst file, no .rdc.") passes through. No cell is read.
void ReadRasterHeader(const std::string& fileName, TIdrisiRDC& header);

class TFileByteReader;

// One window of a cell file: which bytes of which file, as which cells.
struct TCellWindowRead {
    std::string File;          // the name on disk
    std::uint64_t FileSize = 0; // the length the file had
    std::uint8_t DataType = 0;
    std::uint64_t Offset = 0;  // of the window's first byte
    std::uint64_t Bytes = 0;
    bool operator==(const TCellWindowRead&) const = default;
};

// Reads the window's bytes into the raster's cells (32-bit floats for data
// type real, the file's bytes for the others), the cores a slice each, and
// measures real cells slice by slice for FoldLaneExtremes. A failed read
// raises EInOutError "Cannot read file %s".
void ReadCellWindow(const TFileByteReader& file, const TCellWindowRead& window, RastrFile& raster,
                    std::vector<TLaneExtremes>& measured);

// The output pair of a destination: its extension replaced by ".RDC"/".RST".
std::string OutputRdcName(const std::string& destination);
std::string OutputRstName(const std::string& destination);

// Raises the message of RasterSizeError for a raster without cells or with
// too many, and QMError "File %s has unsupported reference units" naming the
// header file when WriteRdc could not write the header's units.
void CheckWritableHeader(const TIdrisiRDC& header);

// True when the destination may be written: when both files exist (in any
// letter case) asks "File %s exists. Overwrite?", and only a Yes gives true.
// Nothing is deleted: TRasterOutput replaces the old pair when the new one
// is complete.
bool ConfirmOverwrite(const std::string& destination, const TAskYesNo& askYesNo);

// The bytes of a raster's current window as they go to disk.
std::span<const std::byte> CellBytes(const RastrFile& raster);

// The 23 CRLF lines of the header; empty when the data type or the units
// cannot be written.
std::string RdcText(const TIdrisiRDC& header);

class TAtomicFile;

// One output raster in the making. Cells and header go to temporary files
// in the destination's folder; Commit puts them in place of the old pair
// (an existing file of the pair keeps its letter case, a link its target).
// An output destroyed without Commit removes its temporary files, so a
// command that fails or stops part-way leaves the old pair as it was and
// nothing under the destination's name.
class TRasterOutput {
public:
    // Raises QMError "Cannot write file %s" naming the ".RST" when its
    // temporary file cannot be created.
    explicit TRasterOutput(const std::string& destination);
    ~TRasterOutput();
    TRasterOutput(const TRasterOutput&) = delete;
    TRasterOutput& operator=(const TRasterOutput&) = delete;

    const std::string& RstName() const { return Rst; }
    const std::string& RdcName() const { return Rdc; }

    // Appends one window of cells. A failed write raises QMError
    // "Cannot write file %s" naming the ".RST".
    bool AppendRst(std::span<const std::byte> cells);
    // Writes the header. False when its data type or units cannot be
    // written; an input/output failure raises QMError "Cannot write file %s"
    // naming the ".RDC".
    bool WriteRdc(const TIdrisiRDC& header);
    // Flushes both files to the disk, then replaces the old cells and after
    // them the old header. Raises QMError "Cannot write file %s".
    void Commit();

private:
    std::string Rst;
    std::string Rdc;
    std::unique_ptr<TAtomicFile> Cells;
    std::unique_ptr<TAtomicFile> Header;
};

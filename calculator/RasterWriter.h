#pragma once
// Reading a raster's header for the calculator, and writing the Idrisi
// rasters it produces: the ".RST" cells appended window by window, then the
// 23-line ".RDC" header.
//
// Calling order for one output: ConfirmOverwrite; AppendRst for every window
// in order; WriteRdc once.
#include <cstddef>
#include <functional>
#include <span>
#include <string>

#include "calculator/ExprTree.h"
#include "geodata/IdrisiRDC.h"

// Asks a Yes/No question; true for Yes.
using TAskYesNo = std::function<bool(const std::string& question)>;

// Reads the ".rdc" header beside `fileName` through the raster object, which
// shows the hourglass meanwhile (platform/UiHooks); the reader's QMError
// ("There is only .rst file, no .rdc.") passes through. No cell is read.
void ReadRasterHeader(const std::string& fileName, TIdrisiRDC& header);

// The output pair of a destination: its extension replaced by ".RDC"/".RST".
std::string OutputRdcName(const std::string& destination);
std::string OutputRstName(const std::string& destination);

// Raises QMError "File %s has unsupported reference units" naming the
// header file when WriteRdc could not write the header's units.
void CheckWritableHeader(const TIdrisiRDC& header);

// True when the destination may be written. When both files exist (in any
// letter case) asks "File %s exists. Overwrite?"; a No touches nothing. Then
// every existing file of the pair is deleted, so that no old cells survive
// to be appended to; a failed deletion raises QMError "Cannot delete file %s".
bool ConfirmOverwrite(const std::string& destination, const TAskYesNo& askYesNo);

// The bytes of a raster's current window as they go to disk.
std::span<const std::byte> CellBytes(const RastrFile& raster);

// Appends the cells to the destination's ".RST" (created when missing). A
// failed write or close removes the partial file and raises QMError
// "Cannot write file %s".
bool AppendRst(const std::string& destination, std::span<const std::byte> cells);

// The 23 CRLF lines of the header; empty when the data type or the units
// cannot be written.
std::string RdcText(const TIdrisiRDC& header);
// Writes the destination's ".RDC" from the header, all or nothing. False
// when the data type or units cannot be written (nothing is written then);
// an input/output failure raises QMError "Cannot write file %s".
bool WriteRdc(const std::string& destination, const TIdrisiRDC& header);

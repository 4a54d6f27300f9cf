#include "calculator/RasterWriter.h"

#include <span>

#include "geodata/IdrisiRST.h"
#include "geodata/QMMapDecl.h"
#include "platform/AtomicFile.h"
#include "platform/FileByteReader.h"
#include "platform/FileNames.h"
#include "platform/NumberText.h"
#include "platform/ParallelFor.h"
#include "platform/RuntimeErrors.h"

namespace {

const char* DataTypeWord(std::uint8_t dataType)
{
    switch (dataType) {
    case dtByte: return "byte";
    case dtInteger: return "integer";
    case dtReal: return "real";
    default: return nullptr;
    }
}

const char* UnitsWord(std::uint8_t units)
{
    switch (units) {
    case 1: return "m";
    case 2: return "km";
    case 3: return "feet";
    case 4: return "deg";
    case 5: return "rad";
    default: return nullptr;
    }
}

// Runs one step on a file of the output pair; its input/output failure
// becomes the writer's message naming that file.
template <class Step>
void OnFile(const std::string& name, Step&& step)
{
    try {
        step();
    } catch (const EInOutError&) {
        throw QMError("Cannot write file %s", name.c_str());
    }
}

} // namespace

void ReadRasterHeader(const std::string& fileName, TIdrisiRDC& header)
{
    TIdrisiRST raster;
    raster.OpenHeader(fileName);
    raster.GetHeader(header);
}

std::string OutputRdcName(const std::string& destination)
{
    return ChangeFileExt(destination, ".RDC");
}

std::string OutputRstName(const std::string& destination)
{
    return ChangeFileExt(destination, ".RST");
}

void CheckWritableHeader(const TIdrisiRDC& header)
{
    if (std::string error = RasterSizeError(header); !error.empty()) throw QMError(error);
    if (!UnitsWord(header.RefUnits)) throw QMError("File %s has unsupported reference units", header.HeaderFile.c_str());
}

bool ConfirmOverwrite(const std::string& destination, const TAskYesNo& askYesNo)
{
    std::string rstName = OutputRstName(destination);
    if (!FileExists(OutputRdcName(destination)) || !FileExists(rstName)) return true;
    return askYesNo && askYesNo(FormatText("File %s exists. Overwrite?", rstName.c_str()));
}

std::span<const std::byte> CellBytes(const RastrFile& raster)
{
    if (raster.Header.DataType == dtReal) return std::as_bytes(std::span(raster.Cells));
    return std::as_bytes(std::span(raster.RawCells));
}

std::string RdcText(const TIdrisiRDC& header)
{
    const char* dataType = DataTypeWord(header.DataType);
    const char* units = UnitsWord(header.RefUnits);
    if (!dataType || !units) return {};
    std::string text;
    auto line = [&text](const std::string& s) { text += s + "\r\n"; };
    line("file format : IDRISI Raster A.1");
    line("file title  : Produced by QM Rastello");
    line(std::string("data type   : ") + dataType);
    line("file type   : binary");
    line("columns     : " + std::to_string(header.Columns));
    line("rows        : " + std::to_string(header.Rows));
    line("ref. system : " + header.RefSystemName);
    line(std::string("ref. units  : ") + units);
    line("unit dist.  : " + FormatG(header.UnitDist));
    line("min. X      : " + FormatG(header.MinX));
    line("max. X      : " + FormatG(header.MaxX));
    line("min. Y      : " + FormatG(header.MinY));
    line("max. Y      : " + FormatG(header.MaxY));
    line("pos'n error :0");
    line("resolution  :0");
    line("min. value  : " + FormatG(header.MinValue));
    line("max. value  : " + FormatG(header.MaxValue));
    line("display min : " + FormatG(header.MinValue));
    line("display max : " + FormatG(header.MaxValue));
    line("value units : unspecified");
    line("value error : unknown");
    line("flag value  : none");
    line("flag def'n  : none");
    return text;
}

// An old file of the pair is replaced under the name it has on disk.
TRasterOutput::TRasterOutput(const std::string& destination)
    : Rst(ResolveFileCase(OutputRstName(destination))), Rdc(ResolveFileCase(OutputRdcName(destination)))
{
    OnFile(Rst, [&] { Cells = std::make_unique<TAtomicFile>(Rst, TFlush::ByFileSystem); });
}

TRasterOutput::~TRasterOutput() = default;

bool TRasterOutput::AppendRst(std::span<const std::byte> cells)
{
    OnFile(Rst, [&] { Cells->Write(cells); });
    return true;
}

bool TRasterOutput::WriteRdc(const TIdrisiRDC& header)
{
    std::string text = RdcText(header);
    if (text.empty()) return false;
    OnFile(Rdc, [&] {
        Header = std::make_unique<TAtomicFile>(Rdc, TFlush::ByFileSystem);
        Header->Write(text);
    });
    return true;
}

void TRasterOutput::Commit()
{
    if (!Header) throw QMError("Cannot write file %s", Rdc.c_str());
    OnFile(Rst, [&] { Cells->Finish(); });
    OnFile(Rdc, [&] { Header->Finish(); });
    // Both are complete on the disk: only two renames in one folder remain.
    OnFile(Rst, [&] { Cells->Commit(); });
    OnFile(Rdc, [&] { Header->Commit(); });
}

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

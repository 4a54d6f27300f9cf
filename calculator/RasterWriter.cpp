#include "calculator/RasterWriter.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

#include "geodata/IdrisiRST.h"
#include "geodata/QMMapDecl.h"
#include "platform/FileNames.h"
#include "platform/NumberText.h"
#include "platform/RuntimeErrors.h"
#include "platform/TextFile.h"

namespace {

// Case variants of one name in one folder are few; the bound only guards
// against a file system that reports a removal it did not do.
constexpr int kMaxCaseVariants = 64;

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

// Removes every file that matches `name` without regard to letter case.
void DeleteAllCaseVariants(const std::string& name)
{
    for (int i = 0; i < kMaxCaseVariants && FileExists(name); ++i) {
        std::string onDisk = ResolveFileCase(name);
        std::error_code ec;
        if (!std::filesystem::remove(onDisk, ec) || ec) throw QMError("Cannot delete file %s", onDisk.c_str());
    }
}

void RemoveQuietly(const std::string& name)
{
    std::error_code ec;
    std::filesystem::remove(name, ec);
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
    if (!UnitsWord(header.RefUnits)) throw QMError("File %s has unsupported reference units", header.HeaderFile.c_str());
}

bool ConfirmOverwrite(const std::string& destination, const TAskYesNo& askYesNo)
{
    std::string rdcName = OutputRdcName(destination);
    std::string rstName = OutputRstName(destination);
    if (FileExists(rdcName) && FileExists(rstName)) {
        if (!askYesNo || !askYesNo(FormatText("File %s exists. Overwrite?", rstName.c_str()))) return false;
    }
    DeleteAllCaseVariants(rdcName);
    DeleteAllCaseVariants(rstName);
    return true;
}

std::span<const std::byte> CellBytes(const RastrFile& raster)
{
    if (raster.Header.DataType == dtReal) return std::as_bytes(std::span(raster.Cells));
    return std::as_bytes(std::span(raster.RawCells));
}

bool AppendRst(const std::string& destination, std::span<const std::byte> cells)
{
    // The first window creates the file; later windows find it, in whatever
    // case it was created.
    std::string rstName = ResolveFileCase(OutputRstName(destination));
    std::FILE* file = std::fopen(rstName.c_str(), "ab");
    if (!file) throw QMError("Cannot write file %s", rstName.c_str());
    bool written = cells.empty() || std::fwrite(cells.data(), 1, cells.size(), file) == cells.size();
    bool closed = std::fclose(file) == 0;
    if (!written || !closed) {
        // A header must never describe cells that are not all there.
        RemoveQuietly(rstName);
        throw QMError("Cannot write file %s", rstName.c_str());
    }
    return true;
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

bool WriteRdc(const std::string& destination, const TIdrisiRDC& header)
{
    std::string text = RdcText(header);
    if (text.empty()) return false;
    std::string rdcName = OutputRdcName(destination);
    try {
        WriteFileAtomic(rdcName, text);
    } catch (const EInOutError&) {
        throw QMError("Cannot write file %s", rdcName.c_str());
    }
    return true;
}

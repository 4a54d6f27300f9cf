#include "calculator/CommandSteps.h"

#include <algorithm>
#include <filesystem>
#include <functional>
#include <future>
#include <system_error>

#include "calculator/Analyzer.h"
#include "calculator/CellMath.h"
#include "platform/FileNames.h"
#include "platform/TaskThread.h"

namespace {

bool IsAbsolutePath(const std::string& name)
{
    return !name.empty() && (name[0] == '/' || name[0] == '\\');
}

// The path as this file system knows it: case resolved, "." and ".." and
// links followed where the parts exist.
std::string CanonicalName(const std::string& name)
{
    std::error_code ec;
    std::filesystem::path canonical = std::filesystem::weakly_canonical(ResolveFileCase(ToSlashes(name)), ec);
    return ec ? ToSlashes(name) : canonical.string();
}

// Both names lead to one raster pair, compared without regard to case.
bool SameRaster(const std::string& a, const std::string& b)
{
    return SameText(ChangeFileExt(CanonicalName(ChangeFileExt(a, ".RST")), ""),
                    ChangeFileExt(CanonicalName(ChangeFileExt(b, ".RST")), ""));
}

// Appends each window's cells to the output on a thread of its own while
// the next window is computed; the windows reach the file in order.
class TWindowAppender {
public:
    explicit TWindowAppender(TRasterOutput& output) : Output(output) {}
    ~TWindowAppender()
    {
        if (Pending.valid()) Pending.wait();
    }

    // Takes the window's cells (the window gets the storage just written)
    // and starts appending them once the window before is on disk.
    void Append(RastrFile& window)
    {
        Finish();
        Cells.Header.DataType = window.Header.DataType;
        std::swap(Cells.Cells, window.Cells);
        std::swap(Cells.RawCells, window.RawCells);
        Pending = Writer.Run([this] { Output.AppendRst(CellBytes(Cells)); });
    }
    // Waits for the last append; raises its failure.
    void Finish()
    {
        if (Pending.valid()) Pending.get();
    }

private:
    TRasterOutput& Output;
    RastrFile Cells;
    std::future<void> Pending;
    TTaskThread Writer; // last: its tasks end before the cells they write go
};

} // namespace

bool ResolveFileLeaf(TreeNode& node, const TImageFolders& folders)
{
    if (node.Kind != tkFile) return true;
    if (IsAbsolutePath(node.Name)) return FileExists(node.Name);
    for (const std::string& folder : folders) {
        std::string candidate = IncludeTrailingPathDelimiter(folder) + node.Name;
        if (FileExists(candidate)) {
            node.Name = candidate;
            return true;
        }
    }
    return false;
}

std::string FirstImageFolder(const TImageFolders& folders)
{
    if (folders.empty()) return {};
    std::string folder = folders.front();
    if (!folder.empty() && (folder.back() == '/' || folder.back() == '\\')) folder.pop_back();
    return folder;
}

TDestination GetDestination(const std::string& target, const TImageFolders& folders)
{
    TDestination result;
    if (target.empty()) {
        result.Refusal = "Please specify destination";
        return result;
    }
    std::string name = target;
    if (!IsAbsolutePath(name) && !folders.empty()) name = IncludeTrailingPathDelimiter(folders.front()) + name;
    std::string folder = ExtractFileDir(name);
    // A name that is only a folder ("dir/") would write the hidden pair
    // ".RST"/".RDC" into it.
    if (folder.empty() || ExtractFileName(name).empty()) {
        result.Refusal = "Erroneus destination";
    } else if (!DirectoryExists(folder)) {
        result.Refusal = "Directory for destination does not exist";
    } else {
        // The folder as it is on disk, so that the new files are created in it.
        result.FileName = IncludeTrailingPathDelimiter(ResolveFileCase(ToSlashes(folder))) + ExtractFileName(name);
    }
    return result;
}

void CheckDestinationNotInput(const std::string& destination, TreeNode* root)
{
    WalkTree(root, [&](TreeNode& node) {
        if (node.Kind == tkFile && SameRaster(destination, node.Name))
            throw QMError("Destination file %s is also an input file.", destination.c_str());
        return true;
    });
}

std::uint8_t OutputDataType(int destTypeIndex)
{
    return destTypeIndex == 0 ? dtByte : destTypeIndex == 1 ? dtInteger : dtReal;
}
namespace {

TWindowExtremes FillWindows(TAnalyzer& analyzer, RastrFile& window, std::int64_t cells, std::uint8_t outputType,
                            TWindowAppender& appender, const std::function<void()>& fill,
                            const std::function<void()>& release)
{
    TWindowExtremes extremes{kCellHigh, kCellLow};
    RastrFile converted; // reused by every window
    for (std::int64_t start = 0; start < cells; start += kWindowCells) {
        // The last window holds the cells that remain, not a whole window.
        analyzer.SetCellWindow(start, std::min(kWindowCells, cells - start));
        fill();
        RastrFile* cellsToWrite = &window;
        if (outputType != window.Header.DataType) {
            converted.Header = window.Header;
            converted.Header.DataType = outputType;
            converted.FirstCell = window.FirstCell;
            converted.CellCount = window.CellCount;
            if (!analyzer.ConvertRasterType(window, converted)) throw QMError(analyzer.LastAnalyzerError());
            cellsToWrite = &converted;
        }
        double min = 0;
        double max = 0;
        if (!analyzer.RasterMinMax(*cellsToWrite, min, max)) throw QMError(analyzer.LastAnalyzerError());
        if (max > extremes.Max) extremes.Max = max;
        if (min < extremes.Min) extremes.Min = min;
        appender.Append(*cellsToWrite);
        release();
    }
    appender.Finish();
    return extremes;
}

} // namespace

TWindowExtremes WriteWindows(TAnalyzer& analyzer, RastrFile& window, std::int64_t cells, std::uint8_t outputType,
                             TRasterOutput& output, const std::function<void()>& fill,
                             const std::function<void()>& release)
{
    TWindowAppender appender(output);
    try {
        return FillWindows(analyzer, window, cells, outputType, appender, fill, release);
    } catch (...) {
        // A window fails while the one before is still being written: a
        // failed write of that one came first and is the failure to report.
        appender.Finish();
        throw;
    }
}

void WriteHeaderAndReplace(TRasterOutput& output, const TIdrisiRDC& header)
{
    if (!output.WriteRdc(header)) throw QMError("Cannot write file %s", output.RdcName().c_str());
    output.Commit();
}

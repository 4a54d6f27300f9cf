#include "geodata/IdrisiVCT.h"

#include <algorithm>
#include <memory>
#include <type_traits>

#include "geodata/IdrisiRDC.h"
#include "platform/Environment.h"
#include "platform/FileByteReader.h"
#include "platform/FileNames.h"
#include "platform/NumberText.h"
#include "platform/ParallelFor.h"
#include "platform/RuntimeErrors.h"
#include "platform/TextFile.h"

namespace {

constexpr std::size_t kFileHeaderSize = 261;
constexpr std::size_t kPolygonHeaderSize = 48;
constexpr std::size_t kLineHeaderSize = 44;
constexpr std::size_t kCountOffset = 40;
constexpr std::size_t kPointSize = 16;

[[noreturn]] void RaiseReadError()
{
    throw QMError(std::string("Error on ReadFile"));
}

// A malformed number keeps its longest valid prefix; no digits leave the field.
void ReadReal(std::string_view value, double& field)
{
    ParseRealPrefix(value, field);
}

// The object count of the file header, refused when the records it promises
// could not fit in the bytes that follow.
std::size_t ReadObjectCount(TFileByteReader& file, std::size_t smallestRecord)
{
    file.Skip(1);
    std::int32_t count = file.ReadI32();
    file.Skip(kFileHeaderSize - 5);
    if (count < 0 || static_cast<std::uint64_t>(count) > file.Remaining() / smallestRecord) RaiseReadError();
    return static_cast<std::size_t>(count);
}

// A count of items of `itemSize` bytes that must still be in the file.
std::size_t CheckedCount(std::int32_t count, std::size_t itemSize, const TFileByteReader& file)
{
    if (count < 0 || static_cast<std::uint64_t>(count) > file.Remaining() / itemSize) RaiseReadError();
    return static_cast<std::size_t>(count);
}

void ReadPoints(TFileByteReader& file, std::size_t count, MapObject& object)
{
    // The file's x, y pairs of little-endian doubles are the layout of TDoublePoint.
    static_assert(sizeof(TDoublePoint) == kPointSize && std::is_trivially_copyable_v<TDoublePoint>);
    object.Points.resize(count);
    file.ReadBytes(object.Points.data(), count * kPointSize);
}

void FinishObject(MapObject& object, std::uint8_t type)
{
    object.ObjType = type;
    object.Bounds = PointsBounds(object.Points);
    CalcPartBounds(object);
}

MapObject ReadPolygonRecord(TFileByteReader& file)
{
    file.Skip(kCountOffset);
    std::int32_t partCount = file.ReadI32();
    std::int32_t pointCount = file.ReadI32();
    MapObject object;
    object.PartCounts.resize(CheckedCount(partCount, 4, file));
    file.ReadBytes(object.PartCounts.data(), object.PartCounts.size() * 4);
    long long sum = 0;
    for (std::int32_t count : object.PartCounts) {
        if (count < 0) RaiseReadError();
        sum += count;
    }
    // Parts that do not add up to the total would send the part bounds
    // outside the points.
    if (sum != pointCount) RaiseReadError();
    ReadPoints(file, CheckedCount(pointCount, kPointSize, file), object);
    FinishObject(object, otPolygon);
    return object;
}

MapObject ReadLineRecord(TFileByteReader& file)
{
    file.Skip(kCountOffset);
    std::int32_t pointCount = file.ReadI32();
    MapObject object;
    ReadPoints(file, CheckedCount(pointCount, kPointSize, file), object);
    object.PartCounts.assign(1, pointCount);
    FinishObject(object, otLine);
    return object;
}

// Steps over a record, checking only the counts its header declares;
// what ReadPolygonRecord checks beyond is left to it.
void SkipPolygonRecord(TFileByteReader& file)
{
    file.Skip(kCountOffset);
    std::int32_t partCount = file.ReadI32();
    std::int32_t pointCount = file.ReadI32();
    file.Skip(CheckedCount(partCount, 4, file) * 4);
    file.Skip(CheckedCount(pointCount, kPointSize, file) * kPointSize);
}

void SkipLineRecord(TFileByteReader& file)
{
    file.Skip(kCountOffset);
    file.Skip(CheckedCount(file.ReadI32(), kPointSize, file) * kPointSize);
}

// Records read on one core, from the record `First` at the byte `Offset` on.
struct TRecordRun {
    std::size_t First = 0;
    std::size_t Count = 0;
    std::uint64_t Offset = 0;
};

// Reads every record of the file; objects complete before a failure stay.
// A large file is first walked record by record, which reads its headers
// and skips its points, and cut into runs of records of about `sliceBytes`
// that are read on every core into their places; the objects after the
// first record that fails, in the order of the file, are dropped again.
template <class ReadRecord, class SkipRecord>
void ReadRecords(const std::string& fileName, std::size_t smallestRecord, std::size_t sliceBytes,
                 MapObjectArray& objects, ReadRecord readRecord, SkipRecord skipRecord)
{
    std::unique_ptr<TFileByteReader> file;
    try {
        file = std::make_unique<TFileByteReader>(fileName);
    } catch (const EInOutError&) {
        throw QMError(std::string("File not opened"));
    }
    objects.clear();
    try {
        std::size_t count = ReadObjectCount(*file, smallestRecord);
        if (sliceBytes == 0 || file->Size() <= sliceBytes || count == 0) {
            objects.reserve(count);
            for (std::size_t i = 0; i < count; ++i) objects.push_back(readRecord(*file));
            return;
        }
        std::vector<TRecordRun> runs;
        try {
            for (std::size_t i = 0; i < count; ++i) {
                const std::uint64_t start = file->Position();
                if (runs.empty() || start - runs.back().Offset >= sliceBytes) runs.push_back({i, 0, start});
                // Counted before it is walked: a record that fails the walk
                // is read all the same, and fails where the reader fails.
                ++runs.back().Count;
                skipRecord(*file);
            }
        } catch (const EReadPastEnd&) {
        } catch (const QMError&) {
        }
        objects.resize(runs.back().First + runs.back().Count);
        std::vector<std::size_t> read(runs.size(), 0);
        ParallelFor(runs.size(), [&](std::size_t r) {
            const TRecordRun& run = runs[r];
            try {
                TFileByteReader part(fileName);
                part.Seek(run.Offset);
                for (std::size_t i = 0; i < run.Count; ++i) {
                    objects[run.First + i] = readRecord(part);
                    read[r] = i + 1;
                }
            } catch (const EReadPastEnd&) {
            } catch (const EInOutError&) {
            } catch (const QMError&) {
            }
        });
        std::size_t complete = objects.size();
        for (std::size_t r = 0; r < runs.size(); ++r)
            if (read[r] < runs[r].Count) {
                complete = runs[r].First + read[r];
                break;
            }
        objects.resize(complete);
        if (complete < count) RaiseReadError();
    } catch (const EReadPastEnd&) {
        RaiseReadError();
    } catch (const EInOutError&) {
        RaiseReadError();
    }
}

} // namespace

std::string VdcFileName(std::string_view vectorName)
{
    return ChangeFileExt(vectorName, ".vdc");
}

std::string VctFileName(std::string_view vectorName)
{
    return ChangeFileExt(vectorName, ".vct");
}

bool TIdrisiVCT::Open(const std::string& fileName)
{
    THourglass hourglass;
    LastErrorText.clear();
    try {
        ReadVdc(fileName);
        ReadVct(fileName);
    } catch (const QMError& e) {
        LastErrorText = e.what();
        ShowErrorBox(LastErrorText);
        return false;
    }
    return true;
}

bool TIdrisiVCT::ReadVdc(const std::string& fileName)
{
    std::vector<std::string> lines = ReadTextLines(VdcFileName(fileName));
    for (const std::string& line : lines) {
        std::string_view key, value;
        if (!SplitHeaderLine(line, key, value)) return false;
        ParseVdcKey(key, value);
    }
    return ObjectType != 0;
}

void TIdrisiVCT::ParseVdcKey(std::string_view key, std::string_view value)
{
    if (SameText(key, "object type")) {
        if (SameText(value, "point")) ObjectType = otPoint;
        else if (SameText(value, "line")) ObjectType = otLine;
        else if (SameText(value, "polygon")) ObjectType = otPolygon;
        else if (SameText(value, "text")) ObjectType = otText;
    } else if (SameText(key, "min. X")) {
        ReadReal(value, MinX);
    } else if (SameText(key, "max. X")) {
        ReadReal(value, MaxX);
    } else if (SameText(key, "min. Y")) {
        ReadReal(value, MinY);
    } else if (SameText(key, "max. Y")) {
        ReadReal(value, MaxY);
    } else if (SameText(key, "min. value")) {
        ReadReal(value, MinValue);
    } else if (SameText(key, "max. value")) {
        ReadReal(value, MaxValue);
    } else if (SameText(key, "id type")) {
        if (SameText(value, "integer")) IdType = 2;
        else if (SameText(value, "byte")) IdType = 1;
        else if (SameText(value, "real")) IdType = 3;
    } else if (SameText(key, "file type")) {
        if (SameText(value, "binary")) FileType = 1;
    } else if (SameText(key, "file title")) {
        FileTitle = std::string(value);
    } else if (SameText(key, "ref. system")) {
        // Unlike raster headers, no "plane" and no code for unknown systems.
        if (SameText(value, "lat/long") || SameText(value, "latlong") || SameText(value, "lat-long"))
            RefSystem = rsLatLong;
        else if (SameText(value, "alberrus") || SameText(value, "alber-rus"))
            RefSystem = rsAlberRus;
        RefSystemName = std::string(value);
    } else if (SameText(key, "ref. units")) {
        if (SameText(value, "m")) RefUnits = ruMetres;
        else if (SameText(value, "deg")) RefUnits = ruDegrees;
    } else if (SameText(key, "unit dist.")) {
        ReadReal(value, UnitDist);
    }
}

void TIdrisiVCT::ReadVct(const std::string& fileName, std::size_t sliceBytes)
{
    if (ObjectType == otPolygon) ReadVctPolygons(fileName, sliceBytes);
    else if (ObjectType == otLine) ReadVctLines(fileName, sliceBytes);
}

void TIdrisiVCT::ReadVctPolygons(const std::string& fileName, std::size_t sliceBytes)
{
    ReadRecords(VctFileName(fileName), kPolygonHeaderSize, sliceBytes, Objects, ReadPolygonRecord, SkipPolygonRecord);
}

void TIdrisiVCT::ReadVctLines(const std::string& fileName, std::size_t sliceBytes)
{
    ReadRecords(VctFileName(fileName), kLineHeaderSize, sliceBytes, Objects, ReadLineRecord, SkipLineRecord);
}

// MapInfo interchange files of any content: a QMError or a run-time error is
// a refusal; anything else is a finding. The file is read on one core and in
// slices of a few bytes; any difference between the two is a finding too.
#include <cstdlib>
#include <cstring>
#include <typeinfo>
#include <vector>

#include "fuzz/FuzzFiles.h"
#include "geodata/FontTable.h"
#include "geodata/MapInfoMIF.h"
#include "platform/RuntimeErrors.h"

namespace {

// The objects, the font table and the refusal's kind and message of a reading.
struct TReading {
    MapObjectArray Objects;
    std::vector<std::string> Fonts;
    std::string Refusal;
};

bool SameObject(const MapObject& a, const MapObject& b)
{
    auto sameRect = [](const TDoubleRect& r, const TDoubleRect& s) {
        return std::memcmp(&r, &s, sizeof r) == 0;
    };
    if (a.ObjType != b.ObjType || !sameRect(a.Bounds, b.Bounds) || a.PartCounts != b.PartCounts ||
        a.Style.Bytes != b.Style.Bytes || a.PartBounds.size() != b.PartBounds.size() || a.Points.size() != b.Points.size())
        return false;
    for (std::size_t i = 0; i < a.PartBounds.size(); ++i)
        if (!sameRect(a.PartBounds[i], b.PartBounds[i])) return false;
    return a.Points.empty() || std::memcmp(a.Points.data(), b.Points.data(), a.Points.size() * sizeof(TDoublePoint)) == 0;
}

TReading Read(const std::string& path, std::size_t sliceBytes)
{
    // Symbol fonts would otherwise pile up in the process-wide table.
    ResetFontTable();
    TReading reading;
    TMapinfoMIF reader;
    try {
        if (sliceBytes == 0) reader.LoadOneCore(path);
        else reader.LoadInSlices(path, sliceBytes);
    } catch (const QMError& e) {
        reading.Refusal = std::string(typeid(e).name()) + e.what();
    } catch (const EAssertionFailed&) {
        throw;
    } catch (const ERuntimeError& e) {
        reading.Refusal = std::string(typeid(e).name()) + e.what();
    }
    reading.Objects = std::move(reader.Objects);
    reading.Fonts = FontList();
    return reading;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string path = FuzzFolder().Write("f.mif", FuzzBytes(data, size));
    const TReading oneCore = Read(path, 0);
    const TReading sliced = Read(path, 16);
    bool same = sliced.Refusal == oneCore.Refusal && sliced.Fonts == oneCore.Fonts &&
                sliced.Objects.size() == oneCore.Objects.size();
    for (std::size_t i = 0; same && i < sliced.Objects.size(); ++i) same = SameObject(sliced.Objects[i], oneCore.Objects[i]);
    if (!same) std::abort();
    return 0;
}

// Compositions of any content, opened as the frame opens them: the version
// key, then every layer section. Two small layer files lie beside the
// composition, so that sections naming them load. What a load accepts must
// save and load again to the same layers; a difference aborts as a finding.
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "fuzz/FuzzFiles.h"
#include "geodata/QMMapDecl.h"
#include "platform/RuntimeErrors.h"
#include "viewer/IniFile.h"
#include "viewer/QMMapDoc.h"

namespace {

void WriteLayerFiles()
{
    static const bool written = [] {
        const std::string coordSys = "CoordSys Earth Projection 9, 1001, \"m\", 100, 0, 44, 68, 0, 0\r\n";
        FuzzFolder().Write("a.mif", "Version 300\r\nDelimiter \",\"\r\n" + coordSys +
                                        "Columns 1\r\n  name Char(20)\r\nData\r\n\r\n"
                                        "Region 1\r\n  4\r\n0 0\r\n10 0\r\n10 10\r\n0 0\r\n"
                                        "    Pen (1,2,0)\r\n    Brush (2,255)\r\n");
        FuzzFolder().Write("b.mif", "Version 300\r\n" + coordSys + "Data\r\nLine 0 0 5 5\r\n");
        return true;
    }();
    (void)written;
}

std::unique_ptr<TQMMapDoc> NewDoc()
{
    auto doc = std::make_unique<TQMMapDoc>();
    doc->SetRootFolder(FuzzFolder().Path(""));
    return doc;
}

// Loads a composition as the frame does; null when it is no composition.
std::unique_ptr<TQMMapDoc> Load(const std::string& path)
{
    TIniFile ini(path);
    if (ini.ReadInteger("qmc", "ver", 0) == 0) return nullptr;
    std::unique_ptr<TQMMapDoc> doc = NewDoc();
    doc->LoadComposition(ini, false);
    return doc;
}

std::vector<std::string> LayerFiles(const TQMMapDoc& doc)
{
    std::vector<std::string> names;
    for (std::int32_t i = 0; i < doc.LayerCount(); ++i) names.push_back(doc.Layers().Items(i)->FileName);
    return names;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    WriteLayerFiles();
    std::string path = FuzzFolder().Write("c.qmc", FuzzBytes(data, size));
    std::unique_ptr<TQMMapDoc> doc;
    try {
        doc = Load(path);
    } catch (const QMError&) {
    } catch (const EAssertionFailed&) {
        throw;
    } catch (const ERuntimeError&) {
    }
    if (!doc) return 0;

    std::string saved = FuzzFolder().Path("saved.qmc");
    std::filesystem::remove(saved);
    doc->SaveComposition(saved);
    std::unique_ptr<TQMMapDoc> again = Load(saved);
    if (!again || LayerFiles(*again) != LayerFiles(*doc)) std::abort();
    return 0;
}

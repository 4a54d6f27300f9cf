// MapInfo interchange files of any content: a QMError or a run-time error is
// a refusal; anything else is a finding.
#include "fuzz/FuzzFiles.h"
#include "geodata/FontTable.h"
#include "geodata/MapInfoMIF.h"
#include "platform/RuntimeErrors.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // Symbol fonts would otherwise pile up in the process-wide table.
    ResetFontTable();
    std::string path = FuzzFolder().Write("f.mif", FuzzBytes(data, size));
    TMapinfoMIF reader;
    try {
        reader.Load(path);
    } catch (const QMError&) {
    } catch (const EAssertionFailed&) {
        throw;
    } catch (const ERuntimeError&) {
    }
    return 0;
}

// Raster headers of any content: a QMError or a run-time error is a refusal;
// anything else (a crash, a sanitizer report, an assertion) is a finding.
#include "fuzz/FuzzFiles.h"
#include "geodata/IdrisiRDC.h"
#include "geodata/QMMapDecl.h"
#include "platform/RuntimeErrors.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzFolder().Write("f.rdc", FuzzBytes(data, size));
    TIdrisiRDC rdc;
    try {
        ReadRdc(rdc, FuzzFolder().Path("f.rst"));
    } catch (const QMError&) {
    } catch (const EAssertionFailed&) {
        throw;
    } catch (const ERuntimeError&) {
    }
    return 0;
}

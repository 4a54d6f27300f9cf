// MapInfo interchange files of any content: a QMError or a run-time error is
// a refusal; anything else is a finding. The file is read on one core and in
// slices of a few bytes; any difference between the two is a finding too.
#include <cstdlib>

#include "fuzz/FuzzFiles.h"
#include "tests/support/MifReadings.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string path = FuzzFolder().Write("f.mif", FuzzBytes(data, size));
    if (!(ReadMif(path, 16) == ReadMif(path, 0))) std::abort();
    return 0;
}

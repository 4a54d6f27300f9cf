// An Idrisi vector pair from one input: the ".vdc" text up to the first zero
// byte, the ".vct" bytes after it (none when there is no zero byte). The
// ".vct" read in runs of a few bytes on every core must give what it gives
// on one core; a difference is a finding.
#include <cstdlib>

#include "fuzz/FuzzFiles.h"
#include "geodata/IdrisiVCT.h"
#include "platform/RuntimeErrors.h"
#include "tests/support/MapObjectText.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string_view input = FuzzBytes(data, size);
    std::size_t zero = input.find('\0');
    std::string_view vdc = input.substr(0, zero);
    std::string vct = FuzzFolder().Path("f.vct");
    FuzzFolder().Write("f.vdc", vdc);
    if (zero == std::string_view::npos) std::filesystem::remove(vct);
    else FuzzFolder().Write("f.vct", input.substr(zero + 1));

    TIdrisiVCT reader;
    try {
        reader.Open(vct); // refusals come back as false
        if (zero != std::string_view::npos && VctReading(vct, 0) != VctReading(vct, 64)) std::abort();
    } catch (const EAssertionFailed&) {
        throw;
    } catch (const ERuntimeError&) {
    }
    return 0;
}

// An Idrisi vector pair from one input: the ".vdc" text up to the first zero
// byte, the ".vct" bytes after it (none when there is no zero byte). The
// ".vct" read in runs of a few bytes on every core must give what it gives
// on one core; a difference is a finding.
#include <cstdlib>
#include <vector>

#include "fuzz/FuzzFiles.h"
#include "geodata/IdrisiVCT.h"
#include "platform/RuntimeErrors.h"
#include "tests/support/MapObjectText.h"

namespace {

// The refusal and the objects, as text, of reading the ".vct".
std::vector<std::string> ReadObjects(const std::string& vct, std::size_t sliceBytes)
{
    TIdrisiVCT reader;
    reader.ReadVdc(vct);
    std::vector<std::string> read;
    try {
        reader.ReadVct(vct, sliceBytes);
    } catch (const QMError& e) {
        read.push_back(e.what());
    }
    for (const MapObject& o : reader.Objects) read.push_back(Describe(o));
    return read;
}

} // namespace

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
        if (zero != std::string_view::npos && ReadObjects(vct, 0) != ReadObjects(vct, 64)) std::abort();
    } catch (const EAssertionFailed&) {
        throw;
    } catch (const ERuntimeError&) {
    }
    return 0;
}

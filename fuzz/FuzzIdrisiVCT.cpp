// An Idrisi vector pair from one input: the ".vdc" text up to the first zero
// byte, the ".vct" bytes after it (none when there is no zero byte).
#include "fuzz/FuzzFiles.h"
#include "geodata/IdrisiVCT.h"
#include "platform/RuntimeErrors.h"

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
    } catch (const EAssertionFailed&) {
        throw;
    } catch (const ERuntimeError&) {
    }
    return 0;
}

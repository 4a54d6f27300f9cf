// An Idrisi raster from one input: the ".rdc" text up to the first zero
// byte; then one flag byte (bit 0: autoscale, bit 1: the palette spec carries
// a display range), a 16-bit little-endian palette length, that many bytes of
// ".qmp" palette, and the rest as the ".rst" cells.
#include <algorithm>

#include "fuzz/FuzzFiles.h"
#include "geodata/IdrisiRST.h"
#include "platform/RuntimeErrors.h"

namespace {

std::string_view TakeFront(std::string_view& rest, std::size_t n)
{
    std::string_view front = rest.substr(0, std::min(n, rest.size()));
    rest.remove_prefix(front.size());
    return front;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string_view rest = FuzzBytes(data, size);
    std::size_t zero = rest.find('\0');
    std::string_view rdc = TakeFront(rest, zero);
    TakeFront(rest, 1);
    std::string_view flagByte = TakeFront(rest, 1);
    std::uint8_t flags = flagByte.empty() ? 0 : static_cast<std::uint8_t>(flagByte[0]);
    std::string_view lengthBytes = TakeFront(rest, 2);
    std::size_t paletteLength = 0;
    for (std::size_t i = 0; i < lengthBytes.size(); ++i)
        paletteLength |= std::size_t(static_cast<std::uint8_t>(lengthBytes[i])) << (8 * i);
    std::string_view palette = TakeFront(rest, paletteLength);

    FuzzFolder().Write("f.rdc", rdc);
    std::string qmp = FuzzFolder().Write("f.qmp", palette);
    std::string rst = FuzzFolder().Write("f.rst", rest);
    std::string spec = (flags & 2) ? qmp + ",-5.5,300" : qmp;

    TIdrisiRST raster;
    try {
        if (raster.Open(rst, spec, (flags & 1) != 0)) {
            std::string name;
            double value = 0;
            raster.GetValueAt(0, 0, false, name, value);
            raster.GetValueAt(raster.GetColumns() - 1, raster.GetRows() - 1, true, name, value);
        }
    } catch (const QMError&) {
    } catch (const EAssertionFailed&) {
        throw;
    } catch (const ERuntimeError&) {
    }
    return 0;
}

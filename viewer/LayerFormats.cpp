#include "viewer/LayerFormats.h"

#include <array>

#include "platform/FileNames.h"

namespace {

PLayer OpenRaster(TLayerList& list, const std::string& path, const TLayerOptions& options)
{
    return list.AddRasterLayer(path, options.PaletteSpec, options.Autoscale, options.Owned, options.Visible);
}

PLayer OpenMif(TLayerList& list, const std::string& path, const TLayerOptions& options)
{
    return list.AddMifLayer(path, options.Visible, options.Owned);
}

PLayer OpenIdrisiVector(TLayerList& list, const std::string& path, const TLayerOptions& options)
{
    return list.AddVectorLayer(path, options.Visible, options.Owned);
}

constexpr std::size_t kRaster = 0;
constexpr std::size_t kIdrisiVector = 2;

const std::array<TLayerFormat, 3> kFormats = {{
    {"rastr", ".rst", ".rdc", "Idrisi rastr files", false, false, false, OpenRaster},
    {"vect", ".mif", ".mid", "Mapinfo files", true, true, true, OpenMif},
    {"ivect", ".vct", ".vdc", "Idrisi vector files", false, false, false, OpenIdrisiVector},
}};

} // namespace

std::span<const TLayerFormat> LayerFormats()
{
    return kFormats;
}

const TLayerFormat* FormatByExtension(std::string_view path)
{
    const std::string ext = ExtractFileExt(path);
    for (const TLayerFormat& format : kFormats)
        if (SameText(ext, format.Extension)) return &format;
    return nullptr;
}

const TLayerFormat* FormatByAnyExtension(std::string_view path)
{
    if (const TLayerFormat* format = FormatByExtension(path)) return format;
    const std::string ext = ExtractFileExt(path);
    for (const TLayerFormat& format : kFormats)
        if (SameText(ext, format.Companion)) return &format;
    return nullptr;
}

const TLayerFormat* FormatByTypeWord(std::string_view word)
{
    for (const TLayerFormat& format : kFormats)
        if (word == format.TypeWord) return &format;
    return nullptr;
}

const TLayerFormat& FormatOfLayer(const Layer& layer)
{
    if (layer.Kind == lkRaster) return kFormats[kRaster];
    const TLayerFormat* format = FormatByExtension(layer.FileName);
    return format && !IsRasterFormat(*format) ? *format : kFormats[kIdrisiVector];
}

bool IsRasterFormat(const TLayerFormat& format)
{
    return &format == &kFormats[kRaster];
}

std::string LayerFileFilter()
{
    std::string filter;
    for (const TLayerFormat& format : kFormats) {
        // "(*.rst/rdc)": the second extension without its dot.
        std::string_view first = format.CompanionFirst ? format.Companion : format.Extension;
        std::string_view second = format.CompanionFirst ? format.Extension : format.Companion;
        if (!filter.empty()) filter += '|';
        filter += std::string(format.FilterCaption) + "(*" + std::string(first) + "/" + std::string(second.substr(1)) +
                  ")|*" + format.Extension;
    }
    return filter;
}

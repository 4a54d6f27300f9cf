#include "geodata/FontTable.h"

#include <optional>

#include "platform/Environment.h"
#include "platform/FileNames.h"

namespace {

constexpr std::string_view kCartographicFont = "MapInfo Cartographic";

struct TFontTable {
    std::vector<std::string> Names{"Symbol"};
    std::optional<bool> CartographicInstalled;
};

TFontTable& Table()
{
    static TFontTable table;
    return table;
}

} // namespace

const std::vector<std::string>& FontList()
{
    return Table().Names;
}

std::int32_t FontIndex(std::string_view name)
{
    std::vector<std::string>& names = Table().Names;
    for (std::size_t i = 0; i < names.size(); ++i)
        if (SameText(names[i], name)) return static_cast<std::int32_t>(i);
    names.emplace_back(name);
    return static_cast<std::int32_t>(names.size() - 1);
}

std::string FontName(std::int32_t index)
{
    const std::vector<std::string>& names = Table().Names;
    if (index < 0 || static_cast<std::size_t>(index) >= names.size()) return {};
    return names[static_cast<std::size_t>(index)];
}

bool CartographicFontInstalled()
{
    TFontTable& table = Table();
    if (!table.CartographicInstalled) {
        const auto& installed = Environment().FontInstalled;
        table.CartographicInstalled = installed && installed(std::string(kCartographicFont));
    }
    return *table.CartographicInstalled;
}

void ResetFontTable()
{
    Table().Names.assign(1, "Symbol");
    Table().CartographicInstalled.reset();
}

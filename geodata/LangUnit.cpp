#include "geodata/LangUnit.h"

#include <cstdlib>

#include "platform/TextFile.h"

namespace {

std::string OverrideFile()
{
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    std::string base;
    if (xdg && *xdg) {
        base = xdg;
    } else {
        const char* home = std::getenv("HOME");
        if (!home || !*home) return {};
        base = std::string(home) + "/.config";
    }
    return base + "/Quillmere/language-overrides";
}

std::optional<std::string> ReadOverride(const std::string& programFile)
{
    std::string path = OverrideFile();
    if (path.empty()) return std::nullopt;
    std::vector<std::string> lines;
    try {
        lines = ReadTextLines(path);
    } catch (const std::exception&) {
        return std::nullopt; // no store: fall through to the locale
    }
    for (const std::string& line : lines) {
        std::size_t eq = line.rfind('=');
        if (eq != std::string::npos && line.compare(0, eq, programFile) == 0 && eq == programFile.size())
            return line.substr(eq + 1);
    }
    return std::nullopt;
}

int EnvironmentLocaleId()
{
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(name);
        if (!value || !*value) continue;
        std::string v(value);
        if (v.rfind("ru", 0) == 0) return 1049;
        if (v.rfind("en_US", 0) == 0) return 1033;
        return 0;
    }
    return 0;
}

} // namespace

TLanguageSources DefaultLanguageSources()
{
    return TLanguageSources{ReadOverride, EnvironmentLocaleId};
}

std::uint8_t GetLanguage(const std::string& programFile, const TLanguageSources& sources)
{
    if (sources.OverrideValue) {
        std::optional<std::string> value = sources.OverrideValue(programFile);
        if (value && *value == "ENU") return 1;
        if (value && *value == "RUS") return 2;
    }
    int lcid = sources.LocaleId ? (sources.LocaleId() & 0xFFFF) : 0;
    if (lcid == 1049) return 2;
    if (lcid == 1033) return 1;
    return 1;
}

std::uint8_t GetLanguage(const std::string& programFile)
{
    return GetLanguage(programFile, DefaultLanguageSources());
}

#pragma once
// The interface language: 1 English, 2 Russian.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

// Where the choice comes from; tests replace both sources.
struct TLanguageSources {
    // The per-user override for a program file ("ENU", "RUS" or anything else).
    std::function<std::optional<std::string>(const std::string& programFile)> OverrideValue;
    // The user's locale number (1049 Russian, 1033 English, 0 when unknown).
    std::function<int()> LocaleId;
};

// Overrides come from "Quillmere/language-overrides" under the user's
// configuration folder ($XDG_CONFIG_HOME, else ~/.config), one line
// "program-path=ENU" or "program-path=RUS"; the locale from LC_ALL,
// LC_MESSAGES or LANG, the first one set.
TLanguageSources DefaultLanguageSources();

std::uint8_t GetLanguage(const std::string& programFile, const TLanguageSources& sources);
std::uint8_t GetLanguage(const std::string& programFile);

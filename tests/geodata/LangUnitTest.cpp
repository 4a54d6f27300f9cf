#include "geodata/LangUnit.h"

#include <cstdlib>
#include <gtest/gtest.h>

#include "tests/support/TempFolder.h"

namespace {
TLanguageSources Sources(std::optional<std::string> value, int lcid)
{
    return TLanguageSources{[value](const std::string&) { return value; }, [lcid] { return lcid; }};
}
} // namespace

TEST(LangUnit, OverrideThenLocaleThenEnglish)
{
    EXPECT_EQ(GetLanguage("/opt/q/lumivar", Sources("ENU", 1049)), 1);
    EXPECT_EQ(GetLanguage("/opt/q/lumivar", Sources("RUS", 1033)), 2);
    EXPECT_EQ(GetLanguage("/opt/q/lumivar", Sources("rus", 1033)), 1); // case-sensitive: falls through
    EXPECT_EQ(GetLanguage("/opt/q/lumivar", Sources("rus", 1049)), 2);
    EXPECT_EQ(GetLanguage("/opt/q/lumivar", Sources(std::nullopt, 1049)), 2);
    EXPECT_EQ(GetLanguage("/opt/q/lumivar", Sources(std::nullopt, 1031)), 1);
    EXPECT_EQ(GetLanguage("/opt/q/lumivar", Sources(std::nullopt, 0x10000 | 1049)), 2); // low 16 bits
}

TEST(LangUnit, DefaultSourcesReadTheOverrideFileAndTheEnvironment)
{
    TTempFolder config;
    config.Write("Quillmere/language-overrides", "/x/a=b=RUS\n/x/b=ENU\n");
    setenv("XDG_CONFIG_HOME", config.Root().c_str(), 1);
    setenv("LC_ALL", "ru_RU.UTF-8", 1);
    EXPECT_EQ(GetLanguage("/x/a=b"), 2); // split at the last '='
    EXPECT_EQ(GetLanguage("/x/b"), 1);
    EXPECT_EQ(GetLanguage("/x/c"), 2);   // from LC_ALL
    setenv("LC_ALL", "de_DE.UTF-8", 1);
    EXPECT_EQ(GetLanguage("/x/c"), 1);
    unsetenv("LC_ALL");
    unsetenv("XDG_CONFIG_HOME");
}

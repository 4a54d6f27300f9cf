#include "geodata/LangUnit.h"

#include <gtest/gtest.h>

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
    std::string dir = ::testing::TempDir() + "qm-lang-" + std::to_string(::getpid());
    std::string cmd = "mkdir -p " + dir + "/Quillmere && printf '/x/a=b=RUS\\n/x/b=ENU\\n' > " + dir + "/Quillmere/language-overrides";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    setenv("XDG_CONFIG_HOME", dir.c_str(), 1);
    setenv("LC_ALL", "ru_RU.UTF-8", 1);
    EXPECT_EQ(GetLanguage("/x/a=b"), 2); // split at the last '='
    EXPECT_EQ(GetLanguage("/x/b"), 1);
    EXPECT_EQ(GetLanguage("/x/c"), 2);   // from LC_ALL
    setenv("LC_ALL", "de_DE.UTF-8", 1);
    EXPECT_EQ(GetLanguage("/x/c"), 1);
    unsetenv("LC_ALL");
    unsetenv("XDG_CONFIG_HOME");
    std::system(("rm -rf " + dir).c_str());
}

#include "viewer/IniFile.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <unistd.h>

#include "platform/RuntimeErrors.h"
#include "tests/viewer/MapFiles.h"

namespace {

const char* kSample =
    "; written by hand\r\n"
    "[qmc]\r\n"
    "ver = 1 \r\n"
    "[File10]\r\n"
    "name=a\\b\\c.vct\r\n"
    "Name=second\r\n"
    "legend_en=  \"Roads, main\"  \r\n"
    "quoted='x'\r\n"
    "half=\"x\r\n"
    "inner=a;b\r\n"
    "  ; comment=not a key\r\n"
    "no equals sign\r\n"
    "[file2]\n"
    "name=d.rst\n"
    "[FILE10]\n"
    "name=duplicate section\n"
    "extra=only here\n";

} // namespace

TEST(IniFile, ReadsAsTheProfileFunctionsDo)
{
    TMapFolder dir;
    TIniFile ini(dir.Write("c.qmc", kSample));
    struct Row {
        const char* Section;
        const char* Key;
        const char* Expected;
    } rows[] = {
        {"QMC", "VER", "1"},                       // names without case, value trimmed
        {"file10", "name", "a\\b\\c.vct"},         // '\' is no escape
        {"file10", "legend_en", "Roads, main"},    // one pair of quotes stripped, commas kept
        {"file10", "quoted", "x"},                 // single quotes too
        {"file10", "half", "\"x"},                 // unmatched quote stays
        {"file10", "inner", "a;b"},                // ';' inside a value is text
        {"file10", "; comment", "<none>"},         // comment lines are no keys
        {"file10", "extra", "<none>"},             // the first of two equal sections wins
        {"file2", "name", "d.rst"},                // LF line ends
        {"missing", "name", "<none>"},
    };
    for (const Row& row : rows)
        EXPECT_EQ(ini.ReadString(row.Section, row.Key, "<none>"), row.Expected) << row.Section << "/" << row.Key;
    EXPECT_EQ(ini.ReadSections(), (std::vector<std::string>{"qmc", "File10", "file2"}));
    EXPECT_EQ(ini.ReadSection("file10"),
              (std::vector<std::string>{"name", "legend_en", "quoted", "half", "inner"}));
    EXPECT_EQ(ini.ReadInteger("qmc", "ver", 0), 1);
    EXPECT_EQ(ini.ReadInteger("file2", "name", 7), 7);
}

TEST(IniFile, Windows1251AndByteOrderMarkAreRead)
{
    TMapFolder dir;
    // "Лес" in code page 1251, then the same text in UTF-8 behind a BOM.
    TIniFile cp1251(dir.Write("a.qmc", "[file1]\r\nlegend_ru=\xCB\xE5\xF1\r\n"));
    TIniFile utf8(dir.Write("b.qmc", "\xEF\xBB\xBF[file1]\r\nlegend_ru=\xD0\x9B\xD0\xB5\xD1\x81\r\n"));
    EXPECT_EQ(cp1251.ReadString("file1", "legend_ru", ""), "\xD0\x9B\xD0\xB5\xD1\x81");
    EXPECT_EQ(utf8.ReadString("file1", "legend_ru", ""), "\xD0\x9B\xD0\xB5\xD1\x81");
    EXPECT_EQ(utf8.ReadSections(), (std::vector<std::string>{"file1"}));
}

TEST(IniFile, WritesKeepCommentsOrderAndOtherSections)
{
    TMapFolder dir;
    std::string path = dir.Write("c.qmc", "; top\r\n[qmc]\r\nver=0\r\n\r\n[mine]\r\nkey=kept\r\n");
    TIniFile ini(path);
    ini.WriteString("QMC", "VER", "1");
    ini.WriteString("qmc", "extra", "  padded ");
    ini.WriteString("new", "legend", "\"quoted\"");
    ini.WriteString("new", "broken", "two\r\nlines");
    ini.UpdateFile();
    EXPECT_EQ(dir.Read("c.qmc"), "; top\r\n[qmc]\r\nver=1\r\nextra=\"  padded \"\r\n\r\n[mine]\r\nkey=kept\r\n"
                                 "[new]\r\nlegend=\"\"quoted\"\"\r\nbroken=two  lines\r\n");
    // What was written reads back as it was given.
    TIniFile again(path);
    EXPECT_EQ(again.ReadString("qmc", "extra", ""), "  padded ");
    EXPECT_EQ(again.ReadString("new", "legend", ""), "\"quoted\"");
    EXPECT_EQ(ini.ReadString("new", "legend", ""), "\"quoted\"");
}

TEST(IniFile, EraseSectionRemovesEveryCopyAndDeleteKeyEveryLine)
{
    TMapFolder dir;
    TIniFile ini(dir.Write("c.qmc", "[a]\r\nk=1\r\nk=2\r\nj=3\r\n[b]\r\nx=1\r\n[A]\r\nk=4\r\n"));
    ini.DeleteKey("a", "K");
    EXPECT_EQ(ini.ReadString("a", "k", "gone"), "gone");
    EXPECT_EQ(ini.ReadString("a", "j", ""), "3");
    ini.EraseSection("a");
    EXPECT_FALSE(ini.SectionExists("A"));
    EXPECT_EQ(ini.Text(), "[b]\r\nx=1\r\n");
}

TEST(IniFile, MissingFileReadsEmptyAndFailedWriteKeepsTheOldFile)
{
    TMapFolder dir;
    TIniFile none(dir.Path("none.qmc"));
    EXPECT_TRUE(none.ReadSections().empty());
    EXPECT_EQ(none.ReadInteger("qmc", "ver", 0), 0);

    std::string path = dir.Write("sub/c.qmc", "[qmc]\r\nver=1\r\n");
    TIniFile ini(path);
    ini.WriteString("qmc", "ver", "2");
    // A folder where the temporary file would go makes the write fail.
    std::string temp = path + ".tmp-" + std::to_string(::getpid());
    std::filesystem::create_directory(temp);
    EXPECT_THROW(ini.UpdateFile(), EInOutError);
    EXPECT_EQ(dir.Read("sub/c.qmc"), "[qmc]\r\nver=1\r\n");
    std::filesystem::remove(temp);
    ini.UpdateFile();
    EXPECT_EQ(dir.Read("sub/c.qmc"), "[qmc]\r\nver=2\r\n");
}

TEST(IniFile, NameInOtherLetterCaseFindsTheFile)
{
    TMapFolder dir;
    dir.Write("Maps.QMC", "[qmc]\r\nver=1\r\n");
    TIniFile ini(dir.Path("maps.qmc"));
    EXPECT_EQ(ini.ReadInteger("qmc", "ver", 0), 1);
    EXPECT_EQ(ini.FileName(), dir.Path("Maps.QMC"));
}

#include "platform/TextFile.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/RuntimeErrors.h"
#include "tests/support/TempFolder.h"

TEST(TextFile, LinesSplitOnEveryLineEndAndSkipTheByteOrderMark)
{
    std::vector<std::string> lines = SplitTextLines("\xEF\xBB\xBF" "a\r\nb\rc\n\nd");
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[0], "a");
    EXPECT_EQ(lines[1], "b");
    EXPECT_EQ(lines[2], "c");
    EXPECT_EQ(lines[3], "");
    EXPECT_EQ(lines[4], "d");
    EXPECT_EQ(SplitTextLines("x\r\n").size(), 1u);
}

TEST(TextFile, LineCursorWalksTheSameLinesOneAtATime)
{
    TTextLineCursor cursor("\xEF\xBB\xBF" "a\r\n\rb\xCB");
    std::string line;
    ASSERT_TRUE(cursor.NextLine(line));
    EXPECT_EQ(line, "a");
    ASSERT_TRUE(cursor.NextLine(line));
    EXPECT_EQ(line, "");
    EXPECT_FALSE(cursor.AtEnd());
    ASSERT_TRUE(cursor.NextLine(line));
    EXPECT_EQ(line, "b\xD0\x9B"); // decoded from code page 1251
    EXPECT_TRUE(cursor.AtEnd());
    EXPECT_FALSE(cursor.NextLine(line));
    EXPECT_FALSE(TTextLineCursor("\xEF\xBB\xBF").NextLine(line));
}

TEST(TextFile, Windows1251TextArrivesAsUtf8)
{
    // "Лес" in code page 1251, and text that is already UTF-8.
    EXPECT_EQ(DecodeText("\xCB\xE5\xF1"), "\xD0\x9B\xD0\xB5\xD1\x81");
    EXPECT_EQ(DecodeText("\xD0\x9B\xD0\xB5\xD1\x81"), "\xD0\x9B\xD0\xB5\xD1\x81");
    EXPECT_EQ(Cp1251ToUtf8("\xB9"), "\xE2\x84\x96"); // №
    EXPECT_EQ(Utf8ToCp1251("\xD0\x9B\xD0\xB5\xD1\x81!"), "\xCB\xE5\xF1!");
    EXPECT_FALSE(IsValidUtf8("\xC0\x80"));      // overlong
    EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80"));  // surrogate
    EXPECT_FALSE(IsValidUtf8("\xD0"));          // cut
}

TEST(TextFile, AtomicWriteReplacesOrLeavesTheOldFile)
{
    TTempFolder folder;
    std::string path = folder.Path("a.txt");
    WriteFileAtomic(path, "old");
    WriteFileAtomic(path, "new");
    EXPECT_EQ(ReadFileBytes(path), "new");
    EXPECT_THROW(WriteFileAtomic(folder.Path("missing/a.txt"), "x"), EInOutError);
    EXPECT_THROW(ReadFileBytes(folder.Path("none.txt")), EInOutError);
    EXPECT_THROW(ReadFileBytes(path, 2), EInOutError);
    EXPECT_EQ(ReadFileBytes(path), "new");
}

TEST(TextFile, TextBeyondTheCapIsRefusedBeforeItIsRead)
{
    TTempFolder folder;
    std::string path = folder.Write("huge.rdc", "");
    std::filesystem::resize_file(path, kMaxTextFileBytes + 1); // sparse: no byte is written
    try {
        ReadTextLines(path);
        ADD_FAILURE() << "a text file beyond the cap was read";
    } catch (const EInOutError& e) {
        EXPECT_EQ(std::string(e.what()), "File " + path + " is too large");
    }
    std::filesystem::resize_file(path, kMaxTextFileBytes);
    EXPECT_EQ(ReadTextLines(path).size(), 1u);
}

#include "geodata/MifToken.h"

#include <gtest/gtest.h>
#include <vector>

#include "geodata/QMMapDecl.h"
#include "platform/RuntimeErrors.h"
#include "tests/support/TempFolder.h"

namespace {

// Every token up to the end of the file, end-of-line tokens shown as "|".
std::vector<std::string> AllTokens(TTokenFile& file)
{
    std::vector<std::string> tokens;
    for (std::string_view t = file.GetToken(); !t.empty(); t = file.GetToken())
        tokens.emplace_back(t == kEolToken ? "|" : t);
    return tokens;
}

class MifTokenTest : public ::testing::Test {
protected:
    std::vector<std::string> Tokens(const std::string& text, bool skipEol)
    {
        File.OpenTokenFile(Folder.Write("t.mif", text));
        File.SetEolTokens(skipEol);
        return AllTokens(File);
    }
    TTempFolder Folder;
    TTokenFile File;
};

using V = std::vector<std::string>;

} // namespace

TEST_F(MifTokenTest, SeparatorsAndEndOfLineTokens)
{
    EXPECT_EQ(Tokens("Pen (1,2,0)\n", false), (V{"Pen", "1", "2", "0", "|"}));
    EXPECT_EQ(Tokens("Pen (1,2,0)\n", true), (V{"Pen", "1", "2", "0"}));
    // A tab separates like a blank; separators in a row make no empty token.
    EXPECT_EQ(Tokens("a\tb ,, (c)\n", true), (V{"a", "b", "c"}));
}

TEST_F(MifTokenTest, QuotesStayInsideTheirToken)
{
    EXPECT_EQ(Tokens("Symbol (35,0,12,\"MapInfo Cartographic\",0,0)\n", true),
              (V{"Symbol", "35", "0", "12", "\"MapInfo Cartographic\"", "0", "0"}));
    EXPECT_EQ(Tokens("Text 'a, (b)' x\"y z\"w \"open to the end\n", true),
              (V{"Text", "'a, (b)'", "x\"y z\"w", "\"open to the end"}));
}

TEST_F(MifTokenTest, EveryKindOfLineEndEndsALine)
{
    EXPECT_EQ(Tokens("a b\r\nc\rd\ne", false), (V{"a", "b", "|", "c", "|", "d", "|", "e", "|"}));
    EXPECT_EQ(File.TokenLineNo(), 4);
}

TEST_F(MifTokenTest, BlankLinesGiveNoTokensButCount)
{
    File.OpenTokenFile(Folder.Write("t.mif", "\n  \n, ()\nx\n"));
    File.SetEolTokens(false);
    EXPECT_EQ(File.GetToken(), "x");
    EXPECT_EQ(File.TokenLineNo(), 4);
    EXPECT_EQ(File.GetToken(), kEolToken);
}

TEST_F(MifTokenTest, TheEndOfTheFileGivesTheEmptyTokenOnce)
{
    File.OpenTokenFile(Folder.Write("t.mif", "last\n"));
    EXPECT_EQ(File.GetToken(), "last");
    EXPECT_EQ(File.GetToken(), "");
    File.UngetToken("");
    EXPECT_EQ(File.GetToken(), "");
    File.UngetToken("x");
    EXPECT_EQ(File.GetToken(), "x");
    EXPECT_THROW(File.GetToken(), EInOutError);
}

TEST_F(MifTokenTest, NeedTokenNamesTheFileAndLineAtTheEnd)
{
    std::string path = Folder.Write("t.mif", "a\n\n");
    File.OpenTokenFile(path);
    EXPECT_EQ(File.NeedToken(), "a");
    try {
        File.NeedToken();
        FAIL() << "no error at the end of the file";
    } catch (const QMError& e) {
        EXPECT_EQ(std::string(e.what()), "Unexpected EOF. File " + path + ", line 2");
    }
}

TEST_F(MifTokenTest, AMissingFileIsNotOpened)
{
    std::string path = Folder.Path("none.mif");
    try {
        File.OpenTokenFile(path);
        FAIL() << "a missing file was opened";
    } catch (const QMError& e) {
        EXPECT_EQ(std::string(e.what()), "File " + path + " not opened.");
    }
    File.CloseTokenFile();
    EXPECT_THROW(File.GetToken(), EInOutError);
}

TEST_F(MifTokenTest, EndOfLineModeIsRestoredAndResetByOpening)
{
    File.OpenTokenFile(Folder.Write("t.mif", "a\nb\n"));
    EXPECT_THROW(
        {
            TEolTokensShown shown(File);
            EXPECT_EQ(File.GetToken(), "a");
            EXPECT_EQ(File.GetToken(), kEolToken);
            throw QMError(std::string("clause failed"));
        },
        QMError);
    EXPECT_TRUE(File.EolTokensSkipped());
    File.SetEolTokens(false);
    File.OpenTokenFile(Folder.Write("u.mif", "c\nd\n"));
    EXPECT_EQ(AllTokens(File), (V{"c", "d"}));
}

TEST_F(MifTokenTest, UngetTokenGoesToTheFront)
{
    File.OpenTokenFile(Folder.Write("t.mif", "a b\n"));
    std::string_view a = File.GetToken();
    EXPECT_EQ(a, "a");
    // A text of the caller's own is kept; the file's tokens stay valid.
    File.UngetToken(std::string("z"));
    File.UngetToken(a);
    EXPECT_EQ(AllTokens(File), (V{"a", "z", "b"}));
    EXPECT_EQ(a, "a");
    EXPECT_EQ(File.TokenFileName(), Folder.Path("t.mif"));
}

namespace {

// The tokens of a file with their line numbers, end-of-line tokens shown.
std::vector<std::string> NumberedTokens(TTokenFile& file)
{
    file.SetEolTokens(false);
    std::vector<std::string> tokens;
    for (std::string_view t = file.GetToken(); !t.empty(); t = file.GetToken())
        tokens.push_back(std::to_string(file.TokenLineNo()) + ":" + std::string(t == kEolToken ? "|" : t));
    return tokens;
}

} // namespace

// Read in blocks of a few bytes, lines that straddle blocks, CRLF pairs cut
// between two blocks and lines longer than a block give the tokens and line
// numbers of a file read in one block.
TEST_F(MifTokenTest, SmallBlocksGiveTheSameTokens)
{
    const std::string texts[] = {
        "\xEF\xBB\xBFVersion 300\r\nRegion 1\r\n  3\r\n0 0\r\n1 0\r\n0 1\r\n",
        "a\rb\r\rc\n\nd\r\n\r\ne",
        "Text \"\xCA\xE0\xF0\xF2\xE0\" 1 2\nPoint " + std::string(300, '7') + " 5\n\n\n   \n",
        "\r\n\r",
    };
    for (const std::string& text : texts) {
        const std::string path = Folder.Write("t.mif", text);
        File.OpenTokenFile(path);
        const std::vector<std::string> whole = NumberedTokens(File);
        for (std::size_t block : {4, 5, 7, 64}) {
            SCOPED_TRACE(block);
            TTokenFile small(block);
            small.OpenTokenFile(path);
            EXPECT_EQ(NumberedTokens(small), whole);
        }
    }
}

// A line start that AtLineStart reports is where a reader opened there goes
// on with the same tokens and line numbers; inside a line it reports none.
TEST_F(MifTokenTest, ReadingGoesOnWhereALineStarts)
{
    const std::string path = Folder.Write("t.mif", "a b\r\n\r\n  c d\n\ne\n");
    File.OpenTokenFile(path);
    std::uint64_t offset = 0;
    std::int32_t linesBefore = 0;
    ASSERT_TRUE(File.AtLineStart(offset, linesBefore));
    EXPECT_EQ(offset, 0u);
    EXPECT_EQ(File.GetToken(), "a");
    EXPECT_FALSE(File.AtLineStart(offset, linesBefore));
    EXPECT_EQ(File.GetToken(), "b");
    ASSERT_TRUE(File.AtLineStart(offset, linesBefore));
    EXPECT_EQ(offset, 7u);
    EXPECT_EQ(linesBefore, 2);
    TTokenFile there(5);
    there.OpenTokenFileAt(path, offset, linesBefore);
    EXPECT_EQ(NumberedTokens(there), NumberedTokens(File));
    ASSERT_TRUE(File.AtLineStart(offset, linesBefore));
    EXPECT_EQ(offset, 16u);
    EXPECT_EQ(linesBefore, 5);
}

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

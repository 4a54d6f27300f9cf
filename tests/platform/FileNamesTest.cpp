#include "platform/FileNames.h"

#include <gtest/gtest.h>

#include "tests/support/TempFolder.h"

TEST(FileNames, ExtensionFollowsTheLastSeparator)
{
    EXPECT_EQ(ExtractFileExt("/data/v1.2/dem"), "");
    EXPECT_EQ(ExtractFileExt("C:\\maps\\dem.rst"), ".rst");
    EXPECT_EQ(ExtractFileExt("a.b.c"), ".c");
    EXPECT_EQ(ChangeFileExt("/data/v1.2/dem", ".RDC"), "/data/v1.2/dem.RDC");
    EXPECT_EQ(ChangeFileExt("C:\\maps\\dem.rst", ".RDC"), "C:\\maps\\dem.RDC");
    EXPECT_EQ(ExtractFileName("C:\\maps/x.qmc"), "x.qmc");
    EXPECT_EQ(ExtractFilePath("/m/x.qmc"), "/m/");
    EXPECT_EQ(ExtractFileDir("/m/x.qmc"), "/m");
    EXPECT_EQ(IncludeTrailingPathDelimiter("/m"), "/m/");
    EXPECT_EQ(IncludeTrailingPathDelimiter("/m/"), "/m/");
}

class ResolveFileCaseTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Folder.Write("Maps/dem.rdc", "x");
        Folder.Write("Maps/DEM.RST", "x");
    }
    TTempFolder Folder;
};

TEST_F(ResolveFileCaseTest, FindsFilesAndFoldersInAnyCase)
{
    std::string root = Folder.Root();
    EXPECT_EQ(ResolveFileCase(root + "/Maps/dem.rdc"), root + "/Maps/dem.rdc");
    EXPECT_EQ(ResolveFileCase(root + "/maps/DEM.RDC"), root + "/Maps/dem.rdc");
    EXPECT_EQ(ResolveFileCase(root + "\\MAPS\\dem.rst"), root + "/Maps/DEM.RST");
    EXPECT_EQ(ResolveFileCase(root + "/maps/none.rst"), root + "/maps/none.rst");
    EXPECT_TRUE(FileExists(root + "/MAPS/Dem.Rdc"));
    EXPECT_FALSE(FileExists(root + "/MAPS"));
    EXPECT_TRUE(DirectoryExists(root + "/maps"));
}

#include "platform/FileNames.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

namespace fs = std::filesystem;

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
        Root = fs::temp_directory_path() / ("qm-resolve-" + std::to_string(::getpid()));
        fs::create_directories(Root / "Maps");
        std::ofstream(Root / "Maps" / "dem.rdc") << "x";
        std::ofstream(Root / "Maps" / "DEM.RST") << "x";
    }
    void TearDown() override { fs::remove_all(Root); }
    fs::path Root;
};

TEST_F(ResolveFileCaseTest, FindsFilesAndFoldersInAnyCase)
{
    std::string root = Root.string();
    EXPECT_EQ(ResolveFileCase(root + "/Maps/dem.rdc"), root + "/Maps/dem.rdc");
    EXPECT_EQ(ResolveFileCase(root + "/maps/DEM.RDC"), root + "/Maps/dem.rdc");
    EXPECT_EQ(ResolveFileCase(root + "\\MAPS\\dem.rst"), root + "/Maps/DEM.RST");
    EXPECT_EQ(ResolveFileCase(root + "/maps/none.rst"), root + "/maps/none.rst");
    EXPECT_TRUE(FileExists(root + "/MAPS/Dem.Rdc"));
    EXPECT_FALSE(FileExists(root + "/MAPS"));
    EXPECT_TRUE(DirectoryExists(root + "/maps"));
}

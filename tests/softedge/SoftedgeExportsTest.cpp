#include "softedge/Softedge.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <cstdlib>
#include <filesystem>
#include <set>
#include <sstream>
#include <string>

#include "tests/support/TempFolder.h"

namespace {

// What the shell command writes, its errors included.
std::string CommandOutput(const std::string& command)
{
    TTempFolder folder;
    if (std::system((command + " > '" + folder.Path("output") + "' 2>&1").c_str()) == -1)
        return {};
    return folder.Read("output");
}

} // namespace

TEST(SoftedgeExports, ExactlyTheFourFunctionsAreExported)
{
    const std::string output = CommandOutput("nm -D --defined-only '" SOFTEDGE_LIBRARY "'");
    std::set<std::string> names;
    std::istringstream lines(output);
    std::string line;
    while (std::getline(lines, line)) {
        // "<address> <kind> <name>"
        const auto lastSpace = line.rfind(' ');
        ASSERT_NE(lastSpace, std::string::npos) << line;
        names.insert(line.substr(lastSpace + 1));
    }
    const std::set<std::string> expected{"QMPolyPolygon", "QMPolygon", "SoftedgeInit", "SoftedgeTerminate"};
    EXPECT_EQ(names, expected) << output;
}

TEST(SoftedgeExports, LibraryIsFoundBesideTheProgram)
{
    // This program's only run path is $ORIGIN, as the viewer's.
    Dl_info info{};
    ASSERT_NE(dladdr(reinterpret_cast<void*>(&QMPolyPolygon), &info), 0);
    ASSERT_NE(info.dli_fname, nullptr);
    const std::filesystem::path library = std::filesystem::canonical(info.dli_fname);
    const std::filesystem::path program = std::filesystem::canonical("/proc/self/exe");
    EXPECT_EQ(library.filename(), "libsoftedge.so");
    EXPECT_EQ(library.parent_path(), program.parent_path());
}

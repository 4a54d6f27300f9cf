#include "softedge/Softedge.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <set>
#include <sstream>
#include <string>

namespace {

std::string CommandOutput(const std::string& command)
{
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    if (!pipe)
        return {};
    std::string output;
    std::array<char, 4096> buffer{};
    while (std::fgets(buffer.data(), static_cast<int>(buffer.size()), pipe.get()) != nullptr)
        output += buffer.data();
    return output;
}

} // namespace

TEST(SoftedgeExports, ExactlyTheFourFunctionsAreExported)
{
    const std::string output = CommandOutput("nm -D --defined-only '" SOFTEDGE_LIBRARY "' 2>&1");
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

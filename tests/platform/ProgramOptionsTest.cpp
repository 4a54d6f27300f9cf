#include "platform/ProgramOptions.h"

#include <gtest/gtest.h>

#include <sstream>
#include <vector>

namespace {

constexpr TProgramInfo kViewer{"Lumivar", "lumivar", "Shows maps.", "FILE", "a file to open"};

struct TOptionCase {
    const char* Name;
    std::vector<const char*> Arguments; // after the program's name
    bool Answered;
    const char* Printed; // what the output contains
};

} // namespace

TEST(ProgramOptions, OnlyHelpAndVersionAreAnsweredAndEveryOtherArgumentKeepsItsMeaning)
{
    const TOptionCase cases[] = {
        {"no argument", {}, false, ""},
        {"a file", {"map.qmc"}, false, ""},
        {"a file without extension", {"help"}, false, ""},
        {"an unknown option", {"--helpful"}, false, ""},
        {"help", {"--help"}, true, "Usage: lumivar [FILE]\nShows maps.\n"},
        {"version", {"--version"}, true, "Lumivar Version "},
        {"help after a Qt option", {"-platform", "offscreen", "--help"}, true, "  FILE        a file to open\n"},
        {"help before version", {"--version", "--help"}, true, "  --version   show the version and exit\n"},
    };
    for (const TOptionCase& c : cases) {
        std::vector<const char*> argv{"lumivar"};
        argv.insert(argv.end(), c.Arguments.begin(), c.Arguments.end());
        std::ostringstream out;
        const auto status = AnswerInformationOptions(static_cast<int>(argv.size()), argv.data(), kViewer, out);
        EXPECT_EQ(status.has_value(), c.Answered) << c.Name;
        EXPECT_EQ(status.value_or(0), 0) << c.Name;
        EXPECT_NE(out.str().find(c.Printed), std::string::npos) << c.Name << ": " << out.str();
        EXPECT_EQ(out.str().empty(), !c.Answered) << c.Name;
    }
}

TEST(ProgramOptions, AProgramWithoutArgumentShowsNoneInItsUsage)
{
    const char* argv[] = {"rastello", "--help"};
    std::ostringstream out;
    AnswerInformationOptions(2, argv, TProgramInfo{"Rastello", "rastello", "Computes rasters.", {}, {}}, out);
    EXPECT_EQ(out.str().rfind("Usage: rastello\nComputes rasters.\n", 0), 0u) << out.str();
}

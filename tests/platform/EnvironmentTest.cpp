#include "platform/Environment.h"

#include <gtest/gtest.h>
#include <stdexcept>
#include <vector>

#include "tests/support/TestEnvironment.h"

TEST(Environment, HourglassIsRestoredWhenTheScopeIsLeftByAnException)
{
    std::vector<bool> calls;
    {
        TTestEnvironment environment;
        environment.Change([&](TEnvironment& e) { e.Hourglass = [&](bool busy) { calls.push_back(busy); }; });
        EXPECT_THROW(
            {
                THourglass hourglass;
                throw std::runtime_error("read failed");
            },
            std::runtime_error);
    }
    { THourglass unhooked; }
    EXPECT_EQ(calls, (std::vector<bool>{true, false}));
}

TEST(Environment, ErrorBoxGetsTheCaptionError)
{
    std::string caption, message;
    {
        TEnvironment hooked;
        hooked.ErrorBox = [&](const std::string& c, const std::string& m) { caption = c, message = m; };
        TTestEnvironment environment(std::move(hooked));
        ShowErrorBox("Error on ReadFile");
    }
    ShowErrorBox("not shown");
    EXPECT_EQ(caption, "Error");
    EXPECT_EQ(message, "Error on ReadFile");
}

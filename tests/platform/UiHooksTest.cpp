#include "platform/UiHooks.h"

#include <gtest/gtest.h>
#include <stdexcept>
#include <vector>

TEST(UiHooks, HourglassIsRestoredWhenTheScopeIsLeftByAnException)
{
    std::vector<bool> calls;
    SetHourglassHook([&](bool busy) { calls.push_back(busy); });
    EXPECT_THROW(
        {
            THourglass hourglass;
            throw std::runtime_error("read failed");
        },
        std::runtime_error);
    SetHourglassHook(nullptr);
    { THourglass unhooked; }
    EXPECT_EQ(calls, (std::vector<bool>{true, false}));
}

TEST(UiHooks, ErrorBoxGetsTheCaptionError)
{
    std::string caption, message;
    SetErrorBoxHook([&](const std::string& c, const std::string& m) { caption = c, message = m; });
    ShowErrorBox("Error on ReadFile");
    SetErrorBoxHook(nullptr);
    ShowErrorBox("not shown");
    EXPECT_EQ(caption, "Error");
    EXPECT_EQ(message, "Error on ReadFile");
}

#include "UiHooks.h"

namespace {

THourglassHook& HourglassHook()
{
    static THourglassHook hook;
    return hook;
}

TErrorBoxHook& ErrorBoxHook()
{
    static TErrorBoxHook hook;
    return hook;
}

} // namespace

void SetHourglassHook(THourglassHook hook)
{
    HourglassHook() = std::move(hook);
}

THourglass::THourglass()
{
    if (HourglassHook()) HourglassHook()(true);
}

THourglass::~THourglass()
{
    // A destructor must not throw, and the cursor is cosmetic.
    try {
        if (HourglassHook()) HourglassHook()(false);
    } catch (...) {
    }
}

void SetErrorBoxHook(TErrorBoxHook hook)
{
    ErrorBoxHook() = std::move(hook);
}

void ShowErrorBox(const std::string& message)
{
    if (ErrorBoxHook()) ErrorBoxHook()("Error", message);
}

#include "platform/Environment.h"

#include <utility>

namespace {

TEnvironment& Installed()
{
    static TEnvironment environment;
    return environment;
}

} // namespace

const TEnvironment& Environment()
{
    return Installed();
}

TEnvironment SetEnvironment(TEnvironment environment)
{
    std::swap(Installed(), environment);
    return environment;
}

THourglass::THourglass()
{
    if (Environment().Hourglass) Environment().Hourglass(true);
}

THourglass::~THourglass()
{
    // A destructor must not throw, and the cursor is cosmetic.
    try {
        if (Environment().Hourglass) Environment().Hourglass(false);
    } catch (...) {
    }
}

void ShowErrorBox(const std::string& message)
{
    if (Environment().ErrorBox) Environment().ErrorBox("Error", message);
}

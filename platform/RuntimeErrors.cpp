#include "RuntimeErrors.h"

void AssertionFailed(const char* unit, int line, const char* text)
{
    throw EAssertionFailed(std::string("Assertion failed: ") + text + " (" + unit + ", line " +
                           std::to_string(line) + ")");
}

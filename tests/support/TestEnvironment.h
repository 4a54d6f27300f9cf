#pragma once
// The one way tests set the program's environment (platform/Environment.h):
// the object installs its own for its lifetime and puts the previous one
// back when it goes, so no hook outlives the test that set it. Only the
// standard library: the std-only tests use it as well as the window tests.
#include <utility>

#include "platform/Environment.h"

class TTestEnvironment {
public:
    // A headless environment: no hooks, '.' as the decimal separator.
    TTestEnvironment() : TTestEnvironment(TEnvironment{}) {}
    explicit TTestEnvironment(TEnvironment environment) : Previous(SetEnvironment(std::move(environment))) {}
    ~TTestEnvironment() { SetEnvironment(std::move(Previous)); }
    TTestEnvironment(const TTestEnvironment&) = delete;
    TTestEnvironment& operator=(const TTestEnvironment&) = delete;

    // Changes members of the installed environment: change(TEnvironment&).
    template <class F>
    void Change(F&& change)
    {
        TEnvironment changed = Environment();
        change(changed);
        SetEnvironment(std::move(changed));
    }
    // The installed environment with `change` applied, for a nested scope.
    template <class F>
    static TEnvironment Changed(F&& change)
    {
        TEnvironment changed = Environment();
        change(changed);
        return changed;
    }

private:
    TEnvironment Previous;
};

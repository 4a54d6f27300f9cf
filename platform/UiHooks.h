#pragma once
// Visible effects that std-only code asks of the window layer: the hourglass
// during long reads and the error box of a reader that reports instead of
// raising. The viewer installs the hooks at start; until then they do
// nothing, so tests, fuzzers and the calculator's engine run headless.
#include <functional>
#include <string>

// Called with true when a long operation starts and false when it ends;
// calls nest.
using THourglassHook = std::function<void(bool busy)>;
void SetHourglassHook(THourglassHook hook);

// Shows the hourglass for its lifetime, however the scope is left.
class THourglass {
public:
    THourglass();
    ~THourglass();
    THourglass(const THourglass&) = delete;
    THourglass& operator=(const THourglass&) = delete;
};

// Shows a message in a box with the given caption and an OK button.
using TErrorBoxHook = std::function<void(const std::string& caption, const std::string& message)>;
void SetErrorBoxHook(TErrorBoxHook hook);
// Passes the message to the hook with the caption "Error".
void ShowErrorBox(const std::string& message);

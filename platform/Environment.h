#pragma once
// What the libraries ask of the program around them: the hourglass during
// long reads, the error box of a reader that reports instead of raising, the
// installed fonts, the user's decimal separator, where the program files are,
// the interface language, and the dialogs of the window layer. Each program
// installs its environment once at start; until then every member has a
// headless default, so tests, fuzzers and the calculator's engine run
// without a window.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

class UiServices; // platform/qt: the dialogs, boxes and pickers

struct TEnvironment {
    // Called with true when a long operation starts and false when it ends;
    // calls nest. Empty: no cursor.
    std::function<void(bool busy)> Hourglass;
    // Shows a message in a box with the given caption and an OK button.
    // Empty: nothing is shown.
    std::function<void(const std::string& caption, const std::string& message)> ErrorBox;
    // Whether a font family is installed, the name compared without regard
    // to case. Empty: no font counts as installed.
    std::function<bool(const std::string& family)> FontInstalled;
    // Told which consistency test a layer record failed (LayerValid), with
    // the layer's file name. Empty: nothing is reported.
    std::function<void(const std::string& fileName, std::string_view test)> LayerDiagnostic;
    // The user's decimal separator, for numbers shown to the user; stored
    // numbers always use '.'.
    char DecimalSeparator = '.';
    // The folder of the program files (the default palette); empty: the
    // folder of the running executable.
    std::string ProgramFolder;
    // The interface language, 1 English or 2 Russian; 0: the choice made for
    // the running executable (GetLanguage).
    std::uint8_t Language = 0;
    // The dialogs of the window layer; null: the real ones.
    UiServices* Ui = nullptr;
};

// The environment in use.
const TEnvironment& Environment();
// Installs `environment` and returns the one it replaces. Each program calls
// it once at start; tests go through their one helper, which puts the
// previous environment back.
TEnvironment SetEnvironment(TEnvironment environment);

// Shows the hourglass for its lifetime, however the scope is left.
class THourglass {
public:
    THourglass();
    ~THourglass();
    THourglass(const THourglass&) = delete;
    THourglass& operator=(const THourglass&) = delete;
};

// Passes the message to the error box with the caption "Error".
void ShowErrorBox(const std::string& message);

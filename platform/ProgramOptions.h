#pragma once
// The two options every Linux program answers without starting: --help and
// --version print to standard output and end the program before it needs a
// display or opens a window. Standard library only.
#include <iosfwd>
#include <optional>
#include <string_view>

struct TProgramInfo {
    std::string_view Name;         // "Lumivar"
    std::string_view Command;      // the installed program's name, "lumivar"
    std::string_view Summary;      // what the program is, one sentence
    std::string_view Argument;     // its one optional argument ("FILE"); empty: none
    std::string_view ArgumentHelp; // what that argument is
};

// The version of both programs, as their about boxes show it ("1.1").
const char* ProgramVersion();

// When an argument after the program's name is "--help" or "--version",
// writes the usage or the name and version to `out` and returns the exit
// status; otherwise writes nothing and returns no value, and the arguments
// keep their meaning.
std::optional<int> AnswerInformationOptions(int argc, const char* const* argv, const TProgramInfo& info,
                                            std::ostream& out);

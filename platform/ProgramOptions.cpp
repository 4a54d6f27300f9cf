#include "platform/ProgramOptions.h"

#include <iomanip>
#include <ostream>

#ifndef QM_VERSION
#error "QM_VERSION comes from the project's version in CMakeLists.txt"
#endif

namespace {

bool HasArgument(int argc, const char* const* argv, std::string_view wanted)
{
    for (int i = 1; i < argc; ++i)
        if (argv[i] && wanted == argv[i]) return true;
    return false;
}

void WriteOption(std::ostream& out, std::string_view name, std::string_view text)
{
    out << "  " << std::left << std::setw(12) << name << text << "\n";
}

void WriteUsage(const TProgramInfo& info, std::ostream& out)
{
    out << "Usage: " << info.Command;
    if (!info.Argument.empty()) out << " [" << info.Argument << "]";
    out << "\n" << info.Summary << "\n\n";
    if (!info.Argument.empty()) WriteOption(out, info.Argument, info.ArgumentHelp);
    WriteOption(out, "--help", "show this help and exit");
    WriteOption(out, "--version", "show the version and exit");
}

} // namespace

const char* ProgramVersion()
{
    return QM_VERSION;
}

std::optional<int> AnswerInformationOptions(int argc, const char* const* argv, const TProgramInfo& info,
                                            std::ostream& out)
{
    if (HasArgument(argc, argv, "--help"))
        WriteUsage(info, out);
    else if (HasArgument(argc, argv, "--version"))
        out << info.Name << " Version " << ProgramVersion() << "\n";
    else
        return std::nullopt;
    out.flush();
    return out ? 0 : 1;
}

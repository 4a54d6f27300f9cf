#pragma once
// File-name rules. '\' (as written on Windows), '/' and ':' all end a folder
// part. File names compare without regard to ASCII case, because the files
// this system reads were named on a file system that ignores case.
#include <string>
#include <string_view>

// The extension including its '.': the text from the last '.' that follows
// the last '\', '/' or ':'; empty when there is none ("/data/v1.2/dem" has none).
std::string ExtractFileExt(std::string_view name);
// Replaces the extension (appends `ext` when there is none).
std::string ChangeFileExt(std::string_view name, std::string_view ext);
// The part after the last '\', '/' or ':'.
std::string ExtractFileName(std::string_view name);
// The folder part including its final separator ("" when there is none).
std::string ExtractFilePath(std::string_view name);
// The folder part without its final separator.
std::string ExtractFileDir(std::string_view name);
// Appends '/' unless the text is empty or already ends in '/' or '\'.
std::string IncludeTrailingPathDelimiter(std::string_view folder);
// '\' becomes '/'.
std::string ToSlashes(std::string_view name);

// ASCII case-insensitive comparison of two names (whole texts).
bool SameText(std::string_view a, std::string_view b);
// ASCII lower-case copy.
std::string AsciiLower(std::string_view s);
std::string AsciiUpper(std::string_view s);

// The path as it exists on disk: the path itself when it exists; otherwise
// each component that does not exist exactly is matched without regard to
// ASCII case in its folder (the first match in sorted order), '\' counting as
// a separator; when nothing matches, the path unchanged.
std::string ResolveFileCase(const std::string& path);
// True when ResolveFileCase finds a regular file.
bool FileExists(const std::string& path);
// True when ResolveFileCase finds a folder.
bool DirectoryExists(const std::string& path);

// The folder of the running executable, with a trailing '/'.
std::string ExecutableFolder();
// The full path of the running executable.
std::string ExecutablePath();

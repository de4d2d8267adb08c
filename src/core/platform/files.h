#pragma once
// File and directory operations of the workspace. Listings are sorted by name without regard
// to case (as Windows file systems return them), so "visit from the last listed to the first"
// is the same on every machine. Paths we build use "/"; readers also accept "\".
#include <string>
#include <string_view>
#include <vector>

namespace quillon {

// Immediate sub-directories (names starting with "." skipped), each as parent + "/" + name
// without a trailing separator. A missing directory gives an empty list.
std::vector<std::string> ListSubdirectories(const std::string& directory);

// Regular files whose names match `mask` ("*" and "?", case-insensitive), as bare names or
// as directory + "/" + name.
std::vector<std::string> ListFiles(const std::string& directory, std::string_view mask, bool fullPaths);

bool MatchesMask(std::string_view name, std::string_view mask);

bool FileExists(const std::string& path);
bool DirectoryExists(const std::string& path);
// Creates the directory and its parents; false when it cannot.
bool EnsureDirectory(const std::string& path);
// Byte-for-byte copy; false when the source cannot be read, the target exists and
// `overwrite` is false, or the target cannot be written.
bool CopyFileTo(const std::string& source, const std::string& target, bool overwrite);
bool RemoveFile(const std::string& path);

// "Read-only" is the owner write bit missing.
bool IsReadOnly(const std::string& path);
bool ClearReadOnly(const std::string& path);
bool SetReadOnly(const std::string& path);

// Directory of the running executable, ending in "/".
std::string ProgramDirectory();

// "\" separators turned into "/".
std::string NormalizeSeparators(std::string_view path);
// Text after the last separator.
std::string FileNameOf(std::string_view path);
// Text up to and including the last separator.
std::string DirectoryOf(std::string_view path);

// Name order of listings: case-insensitive, then byte order to keep it total.
bool NameLess(const std::string& a, const std::string& b);

}  // namespace quillon

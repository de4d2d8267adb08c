#pragma once
// Writing into the database without harm: names taken from identification strings stay inside
// the directory they are meant for, and a file is replaced whole or not at all.
#include <string>
#include <string_view>

namespace quillon {

// A name usable as one file or directory name: not empty, no separator, not "." or "..".
bool IsPlainFileName(std::string_view name);

// Copies `source` over `target` through a temporary file beside the target and a rename, so a
// copy that fails halfway leaves the target as it was. The result is writable by its owner.
// Throws std::runtime_error with the engineer's message when the copy cannot be made.
void ReplaceFileByCopy(const std::string& source, const std::string& target);

}  // namespace quillon

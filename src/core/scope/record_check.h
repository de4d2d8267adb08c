#pragma once
// Whether a file can be read as a record without guessing: record files come from elsewhere (a
// colleague's laptop, a mail attachment), and the reader itself takes whatever is there.
#include <optional>
#include <string>
#include <string_view>

namespace quillon {

// What is wrong with the record at `path`, as one line for the user; nullopt for a record whose
// every variable is known and whose samples part holds every sample its counter announces.
std::optional<std::string> RecordProblem(const std::string& path);

}  // namespace quillon

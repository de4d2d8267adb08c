#pragma once
// The rows the changes viewer lists: the change lines from the last to the first (so a header
// line handed over last is on top), each cut into its first three "/"-separated parts; lines
// with fewer than three parts are left out. Empty parts count: "Место установки/Стенд/" is the
// change of a field that was cleared.
#include <array>
#include <string>
#include <vector>

namespace quillon {

using ChangesRow = std::array<std::string, 3>;

std::vector<ChangesRow> ChangesViewerRows(const std::vector<std::string>& lines);

}  // namespace quillon

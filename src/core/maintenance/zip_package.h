#pragma once
// The zip container of a spreadsheet package, held whole in memory: the template file is read
// once and a saved workbook is built in memory before it goes to disk.
#include <string>
#include <vector>

namespace quillon {

struct PackageEntry {
  std::string name;
  std::string data;
  bool directory = false;
};

// The entries of the archive in `bytes`, in archive order. Throws WorkbookError naming
// `bookPath` when the bytes are not a zip archive or an entry cannot be read (damaged,
// encrypted, or larger than any template can be).
std::vector<PackageEntry> ReadZipEntries(const std::string& bytes, const std::string& bookPath);

// The archive of `entries`, in their order. Throws WorkbookError naming `targetPath`.
std::string BuildZip(const std::vector<PackageEntry>& entries, const std::string& targetPath);

}  // namespace quillon

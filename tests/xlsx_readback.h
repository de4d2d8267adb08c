#pragma once
// A spreadsheet read back by openpyxl (tests/tools/xlsx_dump.py), a reader independent of the
// program's own workbook code: what a report holds as another program sees it.
#include <cstdio>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace quillon::testing {

struct XlsxReadback {
  bool ok = false;
  std::string error;
  std::map<std::string, std::string> names;  // name -> "A1" or "A1:H1" (sheet left out)
  std::map<std::string, std::string> cells;  // "A1" -> value as text
  std::set<std::string> numbers;             // cells holding a number
  std::set<std::string> merged;              // "B3:D3"
  std::string printTitles;                   // e.g. "14:14"

  std::string Cell(const std::string& ref) const {
    const auto found = cells.find(ref);
    return found == cells.end() ? std::string() : found->second;
  }
};

// The first line of the python check, when openpyxl is missing, tells why; the caller fails.
inline XlsxReadback ReadBackWithOpenpyxl(const std::string& sourceDir, const std::string& path) {
  XlsxReadback result;
  const std::string command = "/usr/bin/python3 '" + sourceDir + "/tests/tools/xlsx_dump.py' '" + path + "' 2>&1";
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) {
    result.error = "cannot start python3";
    return result;
  }
  std::string output;
  char buffer[4096];
  while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) output.append(buffer, n);
  const int status = ::pclose(pipe);
  if (status != 0) {
    result.error = output;
    return result;
  }
  std::istringstream lines(output);
  std::string line;
  while (std::getline(lines, line)) {
    std::vector<std::string> fields;
    std::istringstream parts(line);
    std::string field;
    while (std::getline(parts, field, '\t')) fields.push_back(field);
    if (fields.size() >= 4 && fields[0] == "name") result.names[fields[1]] = fields[3];
    if (fields.size() >= 4 && fields[0] == "cell") {
      result.cells[fields[2]] = fields.size() > 4 ? fields[4] : std::string();
      if (fields[3] == "n") result.numbers.insert(fields[2]);
    }
    if (fields.size() >= 3 && fields[0] == "merge") result.merged.insert(fields[2]);
    if (fields.size() >= 3 && fields[0] == "print") result.printTitles = fields[2];
  }
  result.ok = true;
  return result;
}

}  // namespace quillon::testing

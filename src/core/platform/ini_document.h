#pragma once
// An INI file held as its lines, with the Windows private-profile rules: section and key
// names compare without regard to case, the first match wins, keys and values are trimmed
// around "=" (values also lose one pair of enclosing double quotes), a written key replaces its
// line in place or is appended to its section, a missing section is appended at the end of the
// file.
// On disk the text is Windows-1251 with CRLF; in memory it is UTF-8.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillon {

// Replaces the file with `bytes` atomically (temporary file + rename, mode kept), as every INI
// save does. Throws std::runtime_error with the engineer's message on failure; the file then
// stays as it was.
void SaveBytesAtomically(const std::string& path, const std::string& bytes);

// A line of a section as the profile functions hand it out: key and value trimmed around the
// first "=" ("p1 = a/b/" gives "p1=a/b/"); a line without "=" is only trimmed. A hand-edited
// blank before "=" must not become part of the key, or a save would no longer find the line.
std::string ProfileLine(std::string_view line);

class IniDocument {
 public:
  IniDocument() = default;

  // Missing or unreadable file gives an empty document: what a read of a key falls back on.
  static IniDocument Load(const std::string& path);
  // For a document that is edited and saved again: a missing file is an empty document (the
  // save creates it), but one that exists and cannot be read throws std::runtime_error, since
  // saving what was read would replace the whole file with the few lines being written.
  static IniDocument LoadForEdit(const std::string& path);
  static IniDocument FromText(std::string_view utf8Text);

  // Atomic save (temporary file + rename, mode kept). Throws std::runtime_error on failure.
  void Save(const std::string& path) const;
  std::string ToFileBytes() const;  // Windows-1251, CRLF

  std::optional<std::string> Value(std::string_view section, std::string_view key) const;
  std::string Value(std::string_view section, std::string_view key, std::string_view fallback) const;
  void SetValue(std::string_view section, std::string_view key, std::string_view value);
  void EraseKey(std::string_view section, std::string_view key);
  void EraseSection(std::string_view section);
  bool HasSection(std::string_view section) const;

  std::vector<std::string> SectionNames() const;
  std::vector<std::string> KeyNames(std::string_view section) const;
  // Every line of the section, comments and blank lines left out: "key=value" lines as
  // ProfileLine gives them, and also lines without "=" (trimmed).
  std::vector<std::string> SectionLines(std::string_view section) const;
  // Replaces the section's lines (the section is created at the end when missing).
  void ReplaceSection(std::string_view section, const std::vector<std::string>& lines);

  const std::vector<std::string>& Lines() const { return lines_; }

 private:
  // Index of the section header line, or npos.
  std::size_t FindSection(std::string_view section) const;
  // One past the last line belonging to the section that starts at `header`.
  std::size_t SectionEnd(std::size_t header) const;
  // Index of the last non-blank line of the section, or the header itself.
  std::size_t LastContentLine(std::size_t header) const;
  std::size_t FindKey(std::size_t header, std::string_view key) const;

  std::vector<std::string> lines_;
};

}  // namespace quillon

#pragma once
// The raw lines of a device file and its sections, as the merge reads and edits them. The bytes
// stay Windows-1251 and every line keeps its own line end, so that a line nobody changed is
// written back byte for byte; names are decoded only to compare them.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace quillon::device_merge {

inline constexpr std::size_t npos = std::string::npos;
// The id of the lines before the first section header; a trimmed name never holds a line end.
inline constexpr std::string_view kPreambleId = "\n";

struct RawLine {
  std::string_view text;  // without its line end
  std::string_view eol;   // "\r\n", "\n" or empty for a last line without one
};

// The first line of a key in its section, which is the one the readers use.
struct KeyLine {
  std::string id;          // lower-case UTF-8 key name
  std::string_view value;  // raw, trimmed
  std::size_t line = 0;
};

// A line of a section that is neither blank nor a key line: known only by its whole text.
// Later duplicates of a key are neither: the readers never see them, they stay as they are.
struct OtherLine {
  std::string_view text;  // raw, trimmed
  std::size_t line = 0;
};

struct RawSection {
  std::string id;             // lower-case UTF-8 name, or kPreambleId
  std::string name;           // UTF-8 as written
  std::size_t header = npos;  // npos for the preamble
  std::size_t end = 0;        // one past its last line
  std::size_t insertAt = 0;   // new keys go before this line: after the last key line
  // The last line that is not blank (the header when there is none), or npos.
  std::size_t lastContent = npos;
  std::vector<KeyLine> keys;
  std::vector<OtherLine> others;

  const KeyLine* FindKey(std::string_view id) const;
};

struct RawFile {
  std::vector<RawLine> lines;
  // The preamble first, then the first section of each name; a later section of the same name
  // is invisible to the readers and stays as it is.
  std::vector<RawSection> sections;
  std::string eol;  // line end for new lines: CRLF unless the file uses only LF

  const RawSection* Find(std::string_view id) const;
};

// Views into `bytes`, which must outlive the result.
RawFile ParseRawFile(std::string_view bytes);

std::string_view TrimmedBytes(std::string_view text);
// Lower-case UTF-8 of a raw (Windows-1251) section or key name, for comparing.
std::string NameId(std::string_view raw);

// Edits planned against the lines of one file and written out in one pass, so that indexes
// taken from the parse stay valid however many edits there are.
class LineEdits {
 public:
  explicit LineEdits(const RawFile& file);

  void Replace(std::size_t line, std::string text);
  void Erase(std::size_t line);
  // Before line `index`; the number of lines puts it at the end of the file.
  void InsertBefore(std::size_t index, std::string text);
  void Append(std::string text);
  bool Erased(std::size_t line) const { return erased_[line]; }
  // Whether the file ends in a blank line once the edits are made (true for an empty file).
  bool EndsBlank() const;

  std::string Bytes() const;

 private:
  // Each line of the result with its line end (empty where the file had none).
  std::vector<RawLine> Output() const;

  const RawFile& file_;
  std::vector<std::string> replaced_;
  std::vector<bool> isReplaced_;
  std::vector<bool> erased_;
  std::vector<std::vector<std::string>> inserted_;  // one list per line, and one for the end
  std::vector<std::string> appended_;
};

}  // namespace quillon::device_merge

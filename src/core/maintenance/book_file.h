#pragma once
// The workbook file on disk: read whole, written atomically.
#include <string>

namespace quillon {

// The bytes of the template at `path`. Throws WorkbookError for a missing or unreadable file,
// for a legacy binary Excel file (an OLE compound document), and for anything too large to be a
// template.
std::string ReadTemplateFile(const std::string& path);

// Writes `bytes` to a temporary file beside `path` and renames it into place, so the target is
// either the old file or the whole new one. An existing target keeps its permissions. Throws
// WorkbookError naming `path`.
void WriteFileAtomically(const std::string& path, const std::string& bytes);

}  // namespace quillon

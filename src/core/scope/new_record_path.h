#pragma once
// The name a whole-buffer record gets when the engineer gives none: taken from the moment it is
// written, and never the name of a record that is already there.
#include <string>

#include "text/datetime.h"

namespace quillon {

// "<directory>ddmmyy_hhmmss.rec" for `when`; a second record within the same second gets "_2",
// "_3", ... so that it never replaces the first. `directory` ends in "/" and is created when
// missing.
std::string NewRecordPath(const std::string& directory, DateTime when);

}  // namespace quillon

#pragma once
// The temporary files a save writes before renaming them over their target. A save killed
// half-way (power cut, kill -9) leaves one behind; the next save into the same folder removes
// it, so the database does not fill with "<name>.tmp<pid>" litter nobody dares to delete.
#include <string>

namespace quillon {

// "<path>.tmp<pid of this process>". A name too long for the file system is shortened at the
// end of its stem: the temporary never fails where the final name would not.
std::string SaveTemporaryName(const std::string& path);

// Removes, from the folder `path` lies in, the temporaries of saves whose process is gone: only
// regular files of this user named "<anything>.tmp<digits>", never one of a running process
// (this one included). Called before a save writes its own temporary there.
void RemoveStaleSaveTemporaries(const std::string& path);

}  // namespace quillon

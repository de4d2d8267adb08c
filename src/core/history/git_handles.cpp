#include "history/git_handles.h"

namespace quillon {

GitLibrary::GitLibrary() { git_libgit2_init(); }

GitLibrary::~GitLibrary() { git_libgit2_shutdown(); }

std::string GitErrorText(std::string_view what, int code) {
  const git_error* error = git_error_last();
  std::string text(what);
  if (error != nullptr && error->message != nullptr && *error->message != '\0') return text + ": " + error->message;
  return text + ": код " + std::to_string(code);
}

std::string ShortId(const git_oid& id) {
  char hex[GIT_OID_HEXSZ + 1] = {};
  git_oid_tostr(hex, sizeof hex, &id);
  return std::string(hex, 7);
}

}  // namespace quillon

#pragma once
// libgit2 as the history uses it: the library's lifetime held by one object, its handles freed
// by their owners, and its last error as text for the engineer.
#include <git2.h>

#include <memory>
#include <string>
#include <string_view>

namespace quillon {

// Keeps libgit2 initialised while it lives. Every history call takes one, so the caller decides
// how long the library stays up and no call can run on an uninitialised library.
class GitLibrary {
 public:
  GitLibrary();
  ~GitLibrary();
  GitLibrary(const GitLibrary&) = delete;
  GitLibrary& operator=(const GitLibrary&) = delete;
};

template <typename T, void (*Free)(T*)>
struct GitFree {
  void operator()(T* handle) const { Free(handle); }
};

template <typename T, void (*Free)(T*)>
using GitHandle = std::unique_ptr<T, GitFree<T, Free>>;

using GitRepository = GitHandle<git_repository, git_repository_free>;
using GitIndex = GitHandle<git_index, git_index_free>;
using GitCommit = GitHandle<git_commit, git_commit_free>;
using GitTree = GitHandle<git_tree, git_tree_free>;
using GitTreeEntry = GitHandle<git_tree_entry, git_tree_entry_free>;
using GitBlob = GitHandle<git_blob, git_blob_free>;
using GitObject = GitHandle<git_object, git_object_free>;
using GitSignature = GitHandle<git_signature, git_signature_free>;
using GitRevwalk = GitHandle<git_revwalk, git_revwalk_free>;

// What failed and why: "<what>: <libgit2's last message>" (or the code when it left none).
std::string GitErrorText(std::string_view what, int code);

// The first 7 hexadecimal digits of an object id.
std::string ShortId(const git_oid& id);

}  // namespace quillon

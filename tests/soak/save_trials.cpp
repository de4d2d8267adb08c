// Proves that a save never leaves half a file: a child saves in a loop and is killed at a
// random moment, then the file must hold exactly the old or the new content, read back by the
// program's own readers. A second mode saves onto a full file system (or under a file size
// limit): the save must report the failure and leave the old file as it was.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/inotify.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>
#include <random>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "platform/files.h"
#include "save_writers.h"

namespace quillon::soak {
namespace {

using Clock = std::chrono::steady_clock;

std::optional<std::string> ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  return std::string{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Everything in the saved file's directory besides the file itself.
std::vector<std::string> Strays(const SaveWriter& writer) {
  std::vector<std::string> names;
  const std::filesystem::path file(writer.Path());
  for (const auto& entry : std::filesystem::directory_iterator(file.parent_path())) {
    if (entry.path().filename() != file.filename()) names.push_back(entry.path().filename().string());
  }
  return names;
}

void RemoveStrays(const SaveWriter& writer) {
  const std::filesystem::path directory = std::filesystem::path(writer.Path()).parent_path();
  for (const auto& name : Strays(writer)) std::filesystem::remove(directory / name);
}

std::string Contents(const SaveWriter& writer) {
  auto bytes = ReadAll(writer.Path());
  if (!bytes) throw std::runtime_error("cannot read " + writer.Path());
  return *bytes;
}

// Tells when a save opens its temporary file and when it renames it over the saved file.
class SaveWatch {
 public:
  explicit SaveWatch(const SaveWriter& writer) : file_(std::filesystem::path(writer.Path()).filename().string()) {
    fd_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    const std::string directory = std::filesystem::path(writer.Path()).parent_path().string();
    if (fd_ < 0 || ::inotify_add_watch(fd_, directory.c_str(), IN_CREATE | IN_MOVED_TO) < 0)
      throw std::runtime_error(std::string("inotify: ") + std::strerror(errno));
  }
  ~SaveWatch() { ::close(fd_); }
  SaveWatch(const SaveWatch&) = delete;
  SaveWatch& operator=(const SaveWatch&) = delete;

  // Waits until some file other than the saved one is created (`created`) or a file is renamed
  // onto the saved one; false after `timeoutMs`.
  bool Wait(bool created, int timeoutMs) {
    const auto end = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
      alignas(inotify_event) char buffer[4096];
      const ssize_t n = ::read(fd_, buffer, sizeof buffer);
      for (ssize_t at = 0; at < n;) {
        const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
        const std::string name = event->len > 0 ? event->name : "";
        if (created && (event->mask & IN_CREATE) && name != file_) return true;
        if (!created && (event->mask & IN_MOVED_TO) && name == file_) return true;
        at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
      }
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count();
      if (left <= 0) return false;
      pollfd pfd{fd_, POLLIN, 0};
      ::poll(&pfd, 1, static_cast<int>(left));
    }
  }

 private:
  std::string file_;
  int fd_ = -1;
};

// The two contents, each after a save of its variant, checked to come out the same every time.
struct Known {
  std::string bytes[2];
  double cycleMs = 0;
  // From the temporary file's creation to its rename: the stretch where a kill hurts most.
  double writeMs = 0;
};

void KillAndWait(pid_t child, int* status) {
  ::kill(child, SIGKILL);
  ::waitpid(child, status, 0);
}

[[noreturn]] void SaveForever(SaveWriter& writer, int variant) {
  try {
    for (;;) {
      writer.Save(variant);
      variant = 1 - variant;
    }
  } catch (const std::exception& error) {
    std::fprintf(stderr, "save failed in the child: %s\n", error.what());
  }
  ::_exit(2);
}

Known LearnContents(SaveWriter& writer) {
  Known known;
  for (int variant : {0, 1}) {
    writer.Save(variant);
    known.bytes[variant] = Contents(writer);
    if (writer.Parse() != variant) throw std::runtime_error("the readers do not see what was saved");
  }
  if (known.bytes[0] == known.bytes[1]) throw std::runtime_error("the two contents are the same");
  const auto start = Clock::now();
  constexpr int kTimedSaves = 4;
  for (int i = 0; i < kTimedSaves; ++i) writer.Save(i % 2);
  known.cycleMs = std::chrono::duration<double, std::milli>(Clock::now() - start).count() / kTimedSaves;
  if (Contents(writer) != known.bytes[1]) throw std::runtime_error("a save of the same content differs");
  RemoveStrays(writer);

  SaveWatch watch(writer);
  std::fflush(nullptr);
  const pid_t child = ::fork();
  if (child < 0) throw std::runtime_error(std::string("fork: ") + std::strerror(errno));
  if (child == 0) SaveForever(writer, 0);
  constexpr int kWatchedSaves = 3;
  const int timeoutMs = static_cast<int>(10 * known.cycleMs) + 1000;
  for (int i = 0; i < kWatchedSaves; ++i) {
    if (!watch.Wait(true, timeoutMs)) break;
    const auto start = Clock::now();
    if (!watch.Wait(false, timeoutMs)) break;
    known.writeMs += std::chrono::duration<double, std::milli>(Clock::now() - start).count() / kWatchedSaves;
  }
  int status = 0;
  KillAndWait(child, &status);
  writer.Save(1);
  RemoveStrays(writer);
  return known;
}

int KillTrials(SaveWriter& writer, int trials, unsigned seed) {
  const Known known = LearnContents(writer);
  std::fprintf(stderr, "%s: %zu / %zu bytes, one save takes %.1f ms, %.1f ms of it from temporary to rename\n",
               writer.Name().c_str(), known.bytes[0].size(), known.bytes[1].size(), known.cycleMs, known.writeMs);
  std::mt19937 random(seed);
  // Even trials: anywhere in up to two saves, sometimes before the first. Odd trials: once a
  // save has created its temporary file, anywhere up to a little past its usual rename, which a
  // moment chosen blindly would seldom hit.
  std::uniform_real_distribution<double> anyMomentMs(0, 2 * known.cycleMs);
  std::uniform_real_distribution<double> inWriteMs(0, 1.2 * known.writeMs);
  int current = 1;
  int old = 0, fresh = 0, torn = 0, parseMismatch = 0, killedMidWrite = 0, listingConfused = 0, childFailed = 0;
  for (int trial = 0; trial < trials; ++trial) {
    SaveWatch watch(writer);
    std::fflush(nullptr);
    const pid_t child = ::fork();
    if (child < 0) throw std::runtime_error(std::string("fork: ") + std::strerror(errno));
    if (child == 0) SaveForever(writer, 1 - current);
    if (trial % 2 == 0) {
      std::this_thread::sleep_for(std::chrono::duration<double, std::milli>(anyMomentMs(random)));
    } else {
      if (!watch.Wait(true, static_cast<int>(10 * known.cycleMs) + 1000)) ++childFailed;
      std::this_thread::sleep_for(std::chrono::duration<double, std::milli>(inWriteMs(random)));
    }
    int status = 0;
    KillAndWait(child, &status);
    if (!WIFSIGNALED(status)) ++childFailed;

    const std::string onDisk = ReadAll(writer.Path()).value_or("<missing>");
    int seen = -1;
    if (onDisk == known.bytes[current]) {
      ++old;
      seen = current;
    } else if (onDisk == known.bytes[1 - current]) {
      ++fresh;
      seen = current = 1 - current;
    } else {
      ++torn;
      const std::string kept = writer.Path() + ".torn" + std::to_string(trial);
      std::filesystem::copy_file(writer.Path(), kept, std::filesystem::copy_options::overwrite_existing);
      std::fprintf(stderr, "trial %d: torn file (%zu bytes) kept as %s\n", trial, onDisk.size(), kept.c_str());
    }
    const int parsed = writer.Parse();
    if (parsed != seen) {
      ++parseMismatch;
      std::fprintf(stderr, "trial %d: the readers see variant %d, the bytes are variant %d\n", trial, parsed, seen);
    }
    const std::vector<std::string> strays = Strays(writer);
    if (!strays.empty()) {
      ++killedMidWrite;
      if (!writer.ListingShowsOnlyTheFile()) ++listingConfused;
      if (killedMidWrite == 1) std::fprintf(stderr, "a killed save leaves e.g. %s\n", strays.front().c_str());
      RemoveStrays(writer);
    }
    if (seen < 0) {
      writer.Save(current);
      RemoveStrays(writer);
    }
  }
  std::printf(
      "RESULT %s trials=%d old=%d new=%d torn=%d parse_mismatch=%d temps_left=%d listing_confused=%d "
      "child_failed=%d bytes=%zu save_ms=%.1f write_ms=%.1f\n",
      writer.Name().c_str(), trials, old, fresh, torn, parseMismatch, killedMidWrite, listingConfused, childFailed,
      known.bytes[0].size(), known.cycleMs, known.writeMs);
  return torn == 0 && parseMismatch == 0 && listingConfused == 0 && childFailed == 0 ? 0 : 1;
}

// A file taking all the space left, then giving back `leave` bytes. Returns its size.
std::size_t FillFileSystem(const std::string& path, std::size_t leave) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) throw std::runtime_error("cannot create " + path);
  const std::string chunk(64 * 1024, '\xAA');
  std::size_t size = 0;
  for (;;) {
    const ssize_t n = ::write(fd, chunk.data(), chunk.size());
    if (n <= 0) break;
    size += static_cast<std::size_t>(n);
  }
  const std::size_t kept = size > leave ? size - leave : 0;
  const bool truncated = ::ftruncate(fd, static_cast<off_t>(kept)) == 0;
  ::close(fd);
  if (!truncated) throw std::runtime_error("cannot give space back from " + path);
  return kept;
}

// One failing save of variant 1 over variant 0. True when it failed loudly and left everything
// as it was.
bool FailingSave(SaveWriter& writer, const std::string& old, const char* how) {
  bool good = true;
  try {
    writer.Save(1);
    std::printf("FULL %s %s: reported success\n", writer.Name().c_str(), how);
    good = false;
  } catch (const std::exception& error) {
    std::string message = error.what();
    for (auto& c : message) c = c == '\n' ? ' ' : c;
    std::printf("FULL %s %s: failed with \"%s\"\n", writer.Name().c_str(), how, message.c_str());
    if (message.empty()) good = false;
  }
  const bool intact = ReadAll(writer.Path()) == old && writer.Parse() == 0;
  std::vector<std::string> strays = Strays(writer);
  std::erase_if(strays, [](const std::string& name) { return name == "filler"; });
  std::printf("FULL %s %s: old file %s, temporaries left: %zu\n", writer.Name().c_str(), how,
              intact ? "intact" : "DAMAGED", strays.size());
  return good && intact && strays.empty();
}

// Saves halfway into the space left and with no space at all; with `useSizeLimit` a file size
// limit stands in for the full file system.
int FullTrials(SaveWriter& writer, bool useSizeLimit) {
  writer.Save(1);
  const std::size_t newSize = Contents(writer).size();
  writer.Save(0);
  const std::string old = Contents(writer);
  RemoveStrays(writer);
  bool good = true;
  const std::string filler = std::filesystem::path(writer.Path()).parent_path() / "filler";
  if (useSizeLimit) {
    ::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    ::getrlimit(RLIMIT_FSIZE, &saved);
    for (const auto& [limit, how] : {std::pair{newSize / 2, "halfway"}, std::pair{std::size_t{0}, "at once"}}) {
      rlimit small = saved;
      small.rlim_cur = limit;
      ::setrlimit(RLIMIT_FSIZE, &small);
      good = FailingSave(writer, old, how) && good;
      ::setrlimit(RLIMIT_FSIZE, &saved);
    }
  } else {
    for (const auto& [leave, how] : {std::pair{newSize / 2, "halfway"}, std::pair{std::size_t{0}, "at once"}}) {
      FillFileSystem(filler, leave);
      good = FailingSave(writer, old, how) && good;
      std::filesystem::remove(filler);
    }
  }
  // With room again the same save goes through.
  writer.Save(1);
  const bool recovered = writer.Parse() == 1 && Strays(writer).empty();
  std::printf("FULL %s: with room again the save %s\n", writer.Name().c_str(), recovered ? "succeeds" : "FAILS");
  return good && recovered ? 0 : 1;
}

int Usage() {
  std::fprintf(stderr,
               "usage: save_trials kill WRITER DIRECTORY [TRIALS [SEED]]\n"
               "       save_trials full WRITER DIRECTORY    (DIRECTORY on a small file system)\n"
               "       save_trials fsize WRITER DIRECTORY   (a file size limit instead)\n"
               "WRITER: device, scope or record\n");
  return 2;
}

int Run(int argc, char** argv) {
  if (argc < 4) return Usage();
  const std::string mode = argv[1];
  auto writer = MakeWriter(argv[2]);
  if (!writer) return Usage();
  const std::string directory = argv[3];
  writer->Prepare(directory);
  if (mode == "kill") {
    const int trials = argc > 4 ? std::atoi(argv[4]) : 100;
    const unsigned seed = argc > 5 ? static_cast<unsigned>(std::strtoul(argv[5], nullptr, 10)) : std::random_device{}();
    std::fprintf(stderr, "%s: seed %u\n", writer->Name().c_str(), seed);
    return KillTrials(*writer, trials, seed);
  }
  if (mode == "full" || mode == "fsize") return FullTrials(*writer, mode == "fsize");
  return Usage();
}

}  // namespace
}  // namespace quillon::soak

int main(int argc, char** argv) {
  try {
    return quillon::soak::Run(argc, argv);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "save_trials: %s\n", error.what());
    return 2;
  }
}

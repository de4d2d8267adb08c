#pragma once
// The file writers under trial, each driven through the same calls the windows use: the device
// file save, the scope window file save and the record write. Every writer alternates between
// two contents (variant 0 and 1) that differ throughout the file and are large enough that a
// save takes measurable time.
#include <memory>
#include <string>
#include <vector>

namespace quillon::soak {

class SaveWriter {
 public:
  virtual ~SaveWriter() = default;
  virtual std::string Name() const = 0;
  // The saved file, under the directory given to Prepare.
  virtual std::string Path() const = 0;
  // Writes whatever the save reads besides the saved file (device files, templates) under
  // `directory`, and the saved file in a state that is neither variant.
  virtual void Prepare(const std::string& directory) = 0;
  // One save of the variant. Throws std::runtime_error with the text the user would see when
  // the writer reports a failure.
  virtual void Save(int variant) = 0;
  // The variant the real readers find in the file; -1 when they find neither.
  virtual int Parse() = 0;
  // Whether the program's own listing of the file's directory shows exactly the saved file
  // (a temporary left by a killed save must not appear as a device, window or record).
  virtual bool ListingShowsOnlyTheFile() = 0;
};

std::unique_ptr<SaveWriter> MakeWriter(const std::string& name);
std::vector<std::string> WriterNames();

}  // namespace quillon::soak

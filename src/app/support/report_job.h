#pragma once
// A spreadsheet made off the window's thread: reading the template, filling it and writing the
// report take their time on a large device, and the window keeps answering meanwhile. The result
// comes back to the window's thread by a queued call.
#include <QObject>
#include <QString>
#include <functional>
#include <string>
#include <thread>

namespace quillon {

class ReportJob : public QObject {
  Q_OBJECT

 public:
  explicit ReportJob(QObject* parent = nullptr);
  // Waits for a report under way: it only writes files, and it must not outlive its window.
  ~ReportJob() override;

  bool Running() const { return running_; }
  // Runs `make` on a worker thread; it returns the path written or throws with the engineer's
  // message. False when a report is still under way.
  bool Start(std::function<std::string()> make);

  // Hands `call` to the thread of this object (for progress reported from `make`).
  void Post(std::function<void()> call);

  // Opens a written report with the desktop's spreadsheet application; tests put a recorder here.
  std::function<void(const QString& path)> OpenDocument;

 signals:
  void Finished(const QString& path);
  void Failed(const QString& message);

 private:
  std::thread worker_;
  bool running_ = false;
};

}  // namespace quillon

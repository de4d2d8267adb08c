#include "app/support/report_job.h"

#include <QDesktopServices>
#include <QMetaObject>
#include <QUrl>
#include <exception>

namespace quillon {

ReportJob::ReportJob(QObject* parent)
    : QObject(parent),
      OpenDocument([](const QString& path) { QDesktopServices::openUrl(QUrl::fromLocalFile(path)); }) {}

ReportJob::~ReportJob() {
  if (worker_.joinable()) worker_.join();
}

bool ReportJob::Start(std::function<std::string()> make) {
  if (running_) return false;
  if (worker_.joinable()) worker_.join();
  running_ = true;
  worker_ = std::thread([this, make = std::move(make)] {
    QString path;
    QString error;
    bool done = false;
    try {
      path = QString::fromStdString(make());
      done = true;
    } catch (const std::exception& failure) {
      error = QString::fromStdString(failure.what());
    } catch (...) {
      error = QStringLiteral("Неизвестная ошибка при создании отчёта");
    }
    Post([this, done, path, error] {
      running_ = false;
      if (done) {
        emit Finished(path);
      } else {
        emit Failed(error);
      }
    });
  });
  return true;
}

void ReportJob::Post(std::function<void()> call) {
  QMetaObject::invokeMethod(this, std::move(call), Qt::QueuedConnection);
}

}  // namespace quillon

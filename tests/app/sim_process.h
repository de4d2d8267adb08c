#pragma once
// quillon-sim as a child process of a test: started on a pseudo-terminal published under the
// workspace's Ports/ and/or on free TCP ports of 127.0.0.1 (RTU frames, MBAP), ended with the test.
#include <QProcess>
#include <QStringList>
#include <string>

namespace quillon::testing {

class SimProcess {
 public:
  SimProcess() = default;
  SimProcess(const SimProcess&) = delete;
  SimProcess& operator=(const SimProcess&) = delete;
  ~SimProcess() { Stop(); }

  // Starts the simulator with `args` and waits (up to 10 s) until it says it is ready.
  bool Start(const QStringList& args) {
    process_.start(QStringLiteral(QUILLON_BINARY_DIR "/bin/quillon-sim"), args);
    if (!process_.waitForStarted(5000)) return false;
    QString output;
    while (!output.contains(QStringLiteral("ready"))) {
      if (!process_.waitForReadyRead(10000)) return false;
      output += QString::fromUtf8(process_.readAllStandardOutput());
    }
    for (const QString& line : output.split(QLatin1Char('\n'))) {
      if (line.startsWith(QStringLiteral("tcp: "))) tcpPort_ = line.section(QLatin1Char(':'), -1).trimmed();
      if (line.startsWith(QStringLiteral("mbap: "))) mbapPort_ = line.section(QLatin1Char(':'), -1).trimmed();
    }
    return true;
  }

  void Stop() {
    if (process_.state() == QProcess::NotRunning) return;
    process_.terminate();
    if (!process_.waitForFinished(5000)) Kill();
  }

  // Ends the simulator at once, as a pulled cable would: no answer in progress is finished.
  void Kill() {
    if (process_.state() == QProcess::NotRunning) return;
    process_.kill();
    process_.waitForFinished(5000);
  }

  const QString& TcpPort() const { return tcpPort_; }
  const QString& MbapPort() const { return mbapPort_; }
  // The port of the TCP kind named: MBAP for "MODBUS TCP/IP", RTU frames otherwise.
  const QString& TcpPortFor(const std::string& protocol) const {
    return protocol == "MODBUS TCP/IP" ? mbapPort_ : tcpPort_;
  }
  // What the simulator wrote on stderr so far (with --verbose: every request and answer).
  QString ErrorOutput() {
    errors_ += QString::fromUtf8(process_.readAllStandardError());
    return errors_;
  }

 private:
  QProcess process_;
  QString tcpPort_;
  QString mbapPort_;
  QString errors_;
};

}  // namespace quillon::testing

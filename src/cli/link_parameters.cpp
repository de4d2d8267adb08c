#include "cli/link_parameters.h"

#include <cstdio>
#include <stdexcept>

#include "device/cell_commit.h"
#include "device/image_write.h"
#include "platform/files.h"
#include "platform/prompt.h"
#include "variables/entry.h"

namespace quillon::cli {

void LoadParameters(DeviceParameters& parameters, const std::string& path, const std::string& set) {
  if (set != "FLASH" && set != "CD" && set != "RAM") throw std::runtime_error("--set must be FLASH, CD or RAM");
  if (!FileExists(path)) throw std::runtime_error("device file not found: " + path);
  for (const auto& key : parameters.Load(path, set)) {
    std::fprintf(stderr, "quillon-cli: %s: line %s cannot be read and is left out\n", path.c_str(), key.c_str());
  }
}

void ReadParameters(LinkSession& session, DeviceParameters& parameters) {
  const LinkFrame request = parameters.BuildRead(session.Fields());
  const Exchange exchange = session.Send(request.bytes.data(), request.bytes.size(), session.ReadDelayMs());
  ThrowUnlessAccepted(
      parameters.TakeReadAnswer(session.Fields(), request, exchange.answer.data(), exchange.answer.size()));
}

void WriteValue(LinkSession& session, DeviceParameters& parameters, TView& variable, const std::string& text) {
  if (variable.Definition().NoAddress || variable.Definition().NotInMemory) {
    throw std::invalid_argument(variable.Definition().Name + " has no cell in the controller and is never written");
  }
  const CellCommit commit = CommitCell(variable, kControllerHexKind, text);
  StderrPrompt prompt;
  if (commit.refused) TellRefusedEntry(prompt);
  if (!commit.write) throw std::invalid_argument("value not accepted: \"" + text + "\"");
  const LinkFrame frame = BuildValueWrite(variable, *commit.write, session.Fields(), parameters.Buffer());
  session.Send(frame.bytes.data(), frame.bytes.size(), kValueWriteDelayMs);
}

void WriteBaseImage(LinkSession& session, DeviceParameters& parameters) {
  StderrPrompt prompt;
  const LinkFrame frame = BuildImageWrite(parameters.List(), session.Fields(), prompt);
  const Exchange exchange = session.Send(frame.bytes.data(), frame.bytes.size(), kImageWriteDelayMs);
  ThrowUnlessAccepted(
      JudgeImageWriteAnswer(session.Fields(), frame.bytes, exchange.answer.data(), exchange.answer.size()));
}

std::string ParameterRow(TView& variable, bool read) {
  // The controller's columns show the value the read just stored.
  const int newest = variable.History.Head();
  const auto column = [&](int kind) { return variable.ColumnTextAt(kind, newest); };
  std::string row = variable.Definition().Key + "\t" + column(1) + "\t" + column(kBaseHexKind) + "\t" +
                    column(kBasePhysicalKind) + "\t";
  if (!read) return row + "\t\t-";
  row += column(kControllerHexKind) + "\t" + column(kControllerPhysicalKind) + "\t";
  if (variable.Definition().NotInMemory) return row + "-";
  return row + (column(kBaseHexKind) == column(kControllerHexKind) ? "SAME" : "DIFF");
}

std::string ParameterRows(DeviceParameters& parameters) {
  std::string rows;
  for (auto& variable : parameters.List().Variables) {
    // A variable outside the span read (one without an address) has no controller value to show.
    const bool read = parameters.HasBeenRead() && (variable->Definition().NotInMemory || parameters.IsRead(*variable));
    rows += ParameterRow(*variable, read) + "\n";
  }
  return rows;
}

}  // namespace quillon::cli

// quillon-cli send LINK [--mode hex|ascii|filter] HEXDIGITS...: one command as the terminal
// window sends it, and its answer as the terminal's log shows it.
#include <cstdio>
#include <optional>
#include <stdexcept>
#include <string>

#include "cli/commands.h"
#include "cli/link_command_args.h"
#include "cli/link_settings.h"
#include "link/command_exchange.h"
#include "link/command_line.h"
#include "workspace/paths.h"

namespace quillon::cli {
namespace {

std::optional<AnswerMode> ModeByOption(const std::string& name) {
  if (name == "hex") return AnswerMode::Hex;
  if (name == "ascii") return AnswerMode::Ascii;
  if (name == "filter") return AnswerMode::AsciiFilter;
  return std::nullopt;
}

}  // namespace

int RunSendCommand(const Args& args, bool trace) {
  Args rest = args;
  LinkFieldTexts link;
  AnswerMode mode = AnswerMode::Hex;
  std::string typed;
  try {
    link = TakeLinkOptions(rest);
    for (std::size_t i = 0; i < rest.size(); ++i) {
      const std::string& arg = rest[i];
      if (arg == "--mode") {
        if (i + 1 >= rest.size()) throw std::invalid_argument("--mode needs hex, ascii or filter");
        const auto chosen = ModeByOption(rest[++i]);
        if (!chosen) throw std::invalid_argument("--mode is hex, ascii or filter, not \"" + rest[i] + "\"");
        mode = *chosen;
      } else if (arg.rfind("--", 0) == 0) {
        throw std::invalid_argument("unexpected option \"" + arg + "\"");
      } else {
        typed += arg + " ";
      }
    }
  } catch (const std::invalid_argument& error) {
    return UsageError(std::string("send: ") + error.what());
  }
  // As the terminal takes a typed line: only the hex digits count, blanks may part the bytes.
  const std::string digits = CommandDigits(typed);
  if (digits.empty()) return UsageError("send needs the command as hex digits, e.g. 01 03 00 80 00 01");
  const CommandBytes command = ParseCommand(digits);
  if (command.error) return ReportLinkFailure(*command.error);
  // The device address plays no part in a typed command.
  link.address = "1";
  if (const auto failed = FailedLinkCheck(WithWriteDefaults(link), LinkCheck::WriteValue)) return *failed;

  const std::vector<std::uint8_t> frame = CommandFrame(command.bytes, link.protocol);
  try {
    LinkSession session(link, Workspace().program, trace);
    const Exchange exchange = session.Send(frame.data(), frame.size(), kCommandDelayMs);
    const std::size_t shown = ShownAnswerLength(exchange.answerLen, exchange.answer.size(), link.Tcp());
    std::printf("%s\n", AnswerLine(exchange.answer.data(), shown, link.protocol, mode).c_str());
  } catch (const NoAnswerError&) {
    std::printf("%s\n", std::string(kNoAnswerLine).c_str());
  } catch (const LinkFailure& error) {
    return ReportLinkFailure(error.what());
  }
  return kExitDone;
}

}  // namespace quillon::cli

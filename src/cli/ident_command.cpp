// quillon-cli ident LINK: the controller's identification string, asked as the main window's
// "ID" button asks it.
#include <cstdio>
#include <stdexcept>

#include "cli/commands.h"
#include "cli/link_command_args.h"
#include "link/answers.h"
#include "link/buses.h"
#include "text/cp1251.h"
#include "workspace/paths.h"

namespace quillon::cli {
namespace {

// The program drops the closing character of the counted text.
std::string WithoutLastCharacter(const std::string& text) {
  const std::size_t length = Utf8Length(text);
  return length == 0 ? text : Utf8Left(text, length - 1);
}

std::string Identify(LinkSession& session) {
  std::uint8_t frame[kMaxFrameLength];
  int length = 0;
  const LinkSettings& settings = session.Settings();
  if (settings.protocol == kProtocolQuBUS) {
    BuildQuBUSRead(1, "ID", 0, 0, frame, length);
    const Exchange exchange = session.Send(frame, static_cast<std::size_t>(length), session.ReadDelayMs());
    if (JudgeQuBUSIdentification(exchange.answerLen) != AnswerJudgement::Valid) throw LinkError(kTransferErrorMessage);
    return WithoutLastCharacter(QuBUSIdentificationText(exchange.answer.data(), exchange.answer.size()));
  }
  BuildMODBUSRead(settings.address, 0, 0, frame, length);
  const Exchange exchange = session.Send(frame, static_cast<std::size_t>(length), session.ReadDelayMs());
  // Silence (a TCP worker reports it as one byte) is "not answering", not a checksum error.
  if (exchange.answerLen <= 1) throw LinkError(kNoAnswerMessage);
  switch (JudgeMODBUSReportSlaveID(exchange.answer.data(), exchange.answer.size())) {
    case AnswerJudgement::Valid:
      break;
    case AnswerJudgement::NoValidAnswer:
      throw LinkError(kTransferErrorMessage);
    case AnswerJudgement::CrcError:
      throw LinkError(kCrcErrorMessage);
    case AnswerJudgement::UnexpectedFunction:
      throw LinkError(kRequestErrorMessage);
  }
  return WithoutLastCharacter(MODBUSReportSlaveIDText(exchange.answer.data(), exchange.answer.size()));
}

}  // namespace

int RunIdentCommand(const Args& args) {
  LinkCommandArgs parsed;
  try {
    parsed = ParseLinkCommandArgs(args, {});
  } catch (const std::invalid_argument& error) {
    return UsageError(std::string("ident: ") + error.what());
  }
  if (const auto problem = CheckLinkSettings(parsed.link, LinkCheck::Identify)) return ReportLinkFailure(*problem);
  try {
    LinkSession session(parsed.link, Workspace().program);
    std::printf("%s\n", Identify(session).c_str());
    return kExitDone;
  } catch (const LinkError& error) {
    return ReportLinkFailure(error.what());
  }
}

}  // namespace quillon::cli

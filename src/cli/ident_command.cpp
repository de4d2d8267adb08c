// quillon-cli ident LINK: the controller's identification string, asked as the main window's
// "ID" button asks it.
#include <cstdio>
#include <stdexcept>

#include "cli/commands.h"
#include "cli/link_command_args.h"
#include "device/device_parameters.h"
#include "workspace/paths.h"

namespace quillon::cli {

int RunIdentCommand(const Args& args, bool trace) {
  LinkCommandArgs parsed;
  try {
    parsed = ParseLinkCommandArgs(args, {});
  } catch (const std::invalid_argument& error) {
    return UsageError(std::string("ident: ") + error.what());
  }
  if (const auto failed = FailedLinkCheck(parsed.link, LinkCheck::Identify)) return *failed;
  try {
    LinkSession session(parsed.link, Workspace().program, trace);
    const LinkFrame request = BuildIdentificationRequest(parsed.link);
    const Exchange exchange = session.Send(request.bytes.data(), request.bytes.size(), session.ReadDelayMs());
    const IdentificationAnswer answer =
        TakeIdentificationAnswer(parsed.link, exchange.answer.data(), exchange.answer.size());
    ThrowUnlessAccepted(answer.verdict);
    std::printf("%s\n", answer.text.c_str());
    return kExitDone;
  } catch (const LinkFailure& error) {
    return ReportLinkFailure(error.what());
  }
}

}  // namespace quillon::cli

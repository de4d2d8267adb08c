// quillon-cli card LINK ls | get NAME [--out FILE] | put FILE [--as NAME] | rm NAME | apply NAME:
// the controller's memory card, with the frames, retries and messages of the file window.
#include <unistd.h>

#include <cstdio>
#include <optional>
#include <stdexcept>

#include "card/card_download.h"
#include "card/card_queries.h"
#include "card/card_upload.h"
#include "cli/card_session.h"
#include "cli/commands.h"
#include "cli/link_command_args.h"
#include "cli/link_settings.h"
#include "cli/stop_signals.h"
#include "workspace/paths.h"

namespace quillon::cli {

namespace {

struct CardArgs {
  std::string action;
  std::string operand;  // the card file, or the PC file for put
  std::string out;      // get --out
  std::string as;       // put --as
};

CardArgs ParseCardArgs(const Args& rest) {
  CardArgs parsed;
  std::vector<std::string> positional;
  for (std::size_t i = 0; i < rest.size(); ++i) {
    const std::string& arg = rest[i];
    if (arg == "--out" || arg == "--as") {
      if (i + 1 >= rest.size()) throw std::invalid_argument(arg + " needs a value");
      (arg == "--out" ? parsed.out : parsed.as) = rest[++i];
    } else if (arg.rfind("--", 0) == 0) {
      throw std::invalid_argument("unexpected argument \"" + arg + "\"");
    } else {
      positional.push_back(arg);
    }
  }
  if (positional.empty()) throw std::invalid_argument("no card action given (ls, get, put, rm, apply)");
  parsed.action = positional[0];
  const bool needsOperand = parsed.action != "ls";
  if (parsed.action != "ls" && parsed.action != "get" && parsed.action != "put" && parsed.action != "rm" &&
      parsed.action != "apply") {
    throw std::invalid_argument("unknown card action \"" + parsed.action + "\"");
  }
  if (positional.size() != (needsOperand ? 2u : 1u)) {
    throw std::invalid_argument(needsOperand ? parsed.action + " needs one file name" : "ls takes no file name");
  }
  if (needsOperand) parsed.operand = positional[1];
  if (parsed.operand.empty() && needsOperand) throw std::invalid_argument("empty file name");
  if ((!parsed.out.empty() && parsed.action != "get") || (!parsed.as.empty() && parsed.action != "put")) {
    throw std::invalid_argument("--out goes with get, --as with put");
  }
  return parsed;
}

// Names come from the controller and go to a terminal: a control character there would act (an
// escape sequence) or fake another entry (a line break). Such bytes are shown as \xNN; every
// other byte, the UTF-8 of the converted names included, stays as it is.
std::string Printable(const std::string& name) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string shown;
  shown.reserve(name.size());
  for (const char c : name) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte != 0x7F) {
      shown += c;
    } else {
      shown += "\\x";
      shown += kHex[byte >> 4];
      shown += kHex[byte & 0x0F];
    }
  }
  return shown;
}

std::string BaseName(const std::string& path) {
  const auto slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The text of an operation that did not end as asked: its own message, or for the operations
// the window lets end silently, the window's text for the same answer elsewhere.
std::string FailureText(const CardStep& step) {
  if (!step.message.empty()) return step.message;
  switch (step.outcome) {
    case CardOutcome::CardAbsent:
      return kCardAbsentMessage;
    case CardOutcome::FileMissing:
      return kCardFileMissingMessage;
    default:
      return kCardBadAnswerMessage;
  }
}

int Done(const CardStep& step, const std::string& confirmation) {
  if (step.outcome != CardOutcome::Done) return ReportLinkFailure(FailureText(step));
  std::printf("%s\n", confirmation.c_str());
  return kExitDone;
}

int List(CardSession& session) {
  std::vector<std::string> names;
  const CardStep listed = session.Run(std::make_shared<CardListQuery>(session.Address()), false, &names);
  if (listed.outcome != CardOutcome::Done) return ReportLinkFailure(FailureText(listed));
  for (const std::string& name : names) std::printf("%s\n", Printable(name).c_str());
  const CardStep disk = session.Run(std::make_shared<CardDiskStateQuery>(session.Address()), false);
  if (disk.outcome == CardOutcome::CardAbsent) return ReportLinkFailure(disk.message);
  std::printf("size: %s\n", disk.diskSize.value_or(kCardNoDiskSize).c_str());
  return kExitDone;
}

std::string OutPath(const CardArgs& args) { return args.out.empty() ? BaseName(args.operand) : args.out; }

std::string CardName(const CardArgs& args) {
  if (args.action == "put") return args.as.empty() ? BaseName(args.operand) : args.as;
  return args.operand;
}

// What must stop the command before anything goes on the line: a name the card would take for
// another, or a download target that is no regular file.
std::optional<std::string> Refusal(const CardArgs& args) {
  if (args.action == "ls") return std::nullopt;
  if (auto refused = CardNameRefusal(CardName(args))) return refused;
  if (args.action == "get") return DownloadTargetRefusal(OutPath(args));
  return std::nullopt;
}

int Get(CardSession& session, const CardArgs& args, bool progress) {
  const std::string out = OutPath(args);
  const StopSignals signals;
  auto file = DownloadFile::Create(out);
  if (!file) return ReportLinkFailure(DownloadTargetRefusal(out).value_or(FileNotCreatedMessage(out)));
  auto download = std::make_shared<CardDownload>(session.Address(), args.operand, std::move(*file), session.Counters());
  const CardStep step = session.Run(std::move(download), progress, nullptr, StopSignals::Flag());
  return Done(step, step.message);
}

int Put(CardSession& session, const CardArgs& args, bool progress) {
  const std::string name = CardName(args);
  auto source = UploadSource::Open(args.operand);
  if (!source) return ReportLinkFailure(FileNotOpenedMessage(args.operand));
  if (!CardUploadFits(source->Size())) return ReportLinkFailure(kCardUploadTooLargeMessage);
  const StopSignals signals;
  auto upload = std::make_shared<CardUpload>(session.Address(), name, std::move(*source), session.Counters());
  const CardStep step = session.Run(std::move(upload), progress, nullptr, StopSignals::Flag());
  return Done(step, step.message);
}

}  // namespace

int RunCardCommand(const Args& args, bool trace) {
  LinkFieldTexts fields;
  CardArgs parsed;
  try {
    Args rest = args;
    fields = TakeLinkOptions(rest);
    parsed = ParseCardArgs(rest);
  } catch (const std::invalid_argument& error) {
    return UsageError(std::string("card: ") + error.what());
  }
  if (const auto failed = FailedLinkCheck(fields, LinkCheck::Identify)) return *failed;
  if (parsed.action == "put" && CardName(parsed).empty()) return UsageError("card put: no name for the card");
  if (const auto refused = Refusal(parsed)) return ReportLinkFailure(*refused);
  const bool progress = ::isatty(STDERR_FILENO) != 0;
  try {
    CardSession session(fields, Workspace().program, trace);
    const std::uint8_t address = session.Address();
    if (parsed.action == "ls") return List(session);
    if (parsed.action == "get") return Get(session, parsed, progress);
    if (parsed.action == "put") return Put(session, parsed, progress);
    if (parsed.action == "rm") {
      return Done(session.Run(std::make_shared<CardDeleteQuery>(address, parsed.operand), false),
                  "removed: " + parsed.operand);
    }
    return Done(session.Run(std::make_shared<CardApplyQuery>(address, parsed.operand, session.Counters()), false),
                "applied: " + parsed.operand);
  } catch (const LinkFailure& error) {
    return ReportLinkFailure(error.what());
  }
}

}  // namespace quillon::cli

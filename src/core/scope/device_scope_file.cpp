#include "scope/device_scope_file.h"

#include <stdexcept>
#include <vector>

#include "platform/files.h"
#include "platform/ini_document.h"
#include "scope/scope_file.h"
#include "scope/scope_template.h"
#include "text/items.h"
#include "workspace/identification.h"

namespace quillon {
namespace {

constexpr std::string_view kRamSection = "RAM";

// A scope file is named without the firmware date, so a line that stops after the version
// still names one. It gets a stand-in date to go through the same token and version rules as
// a full line; nullopt when it has fewer than three tokens.
std::optional<std::string> WithDateToken(std::string_view idLine) {
  if (ParseIdentification(idLine)) return std::string(idLine);
  std::string line(idLine);
  if (line.empty() || line.back() != ' ') line += ' ';
  line += '-';
  if (!ParseIdentification(line)) return std::nullopt;
  return line;
}

bool LeadsElsewhere(std::string_view name) { return name.find_first_of("/\\") != std::string_view::npos; }

void WriteLink(IniDocument& file, const std::string& devicePath, const std::string& port) {
  file.SetValue(kScopeSettingsSection, "devicepath", devicePath);
  file.SetValue(kScopeSettingsSection, "port", port);
}

// Throws std::runtime_error with the reason when the copy cannot be made or written.
void CopyTemplate(const std::string& templatePath, const std::string& scopePath, const std::string& devicePath,
                  const std::string& port) {
  if (!CopyFileTo(templatePath, scopePath, true)) {
    throw std::runtime_error("Не удалось скопировать шаблон " + PathForDisplay(templatePath) + " в " +
                             PathForDisplay(scopePath));
  }
  // Templates are often kept read-only; the copy becomes the engineer's own window file.
  if (IsReadOnly(scopePath) && !ClearReadOnly(scopePath)) {
    throw std::runtime_error("Не удалось снять защиту от записи с файла " + PathForDisplay(scopePath));
  }
  IniDocument file = IniDocument::LoadForEdit(scopePath);
  WriteLink(file, devicePath, port);
  file.Save(scopePath);
}

void CreateFromRam(const std::string& scopePath, const std::string& devicePath, const std::string& port) {
  IniDocument file;
  file.SetValue(kScopeSettingsSection, "window", kConnectedScopeWindow);
  file.SetValue(kScopeSettingsSection, "option", kConnectedScopeOption);
  WriteLink(file, devicePath, port);
  for (const auto& key : IniDocument::Load(devicePath).KeyNames(kRamSection)) {
    file.SetValue(kScopeViewListSection, key, kConnectedScopeViewValue);
  }
  file.Save(scopePath);
}

}  // namespace

std::string ConnectedScopePort(const LinkFieldTexts& fields) {
  const LinkFieldTexts filled = WithWriteDefaults(fields);
  const bool tcp = fields.Tcp();
  std::vector<std::string> items{
      filled.address, filled.port, filled.baud, tcp ? "8" : filled.frameEnd, filled.protocol, std::string(kRamSection)};
  if (tcp) items.push_back(filled.Ip());
  return JoinItems(items);
}

ConnectedScopeResult PrepareConnectedScopeFile(const std::string& idLine, const std::string& devicePath,
                                               const std::string& port, const WorkspacePaths& paths) {
  const auto line = WithDateToken(idLine);
  if (!line) {
    return {std::nullopt, "Строка идентификации \"" + idLine + "\" не называет номер, тип и версию устройства"};
  }
  const auto id = ParseIdentification(*line);
  const std::string name = DeviceTypeKey(*id) + "_" + id->serial + ".scp";
  if (LeadsElsewhere(name)) return {std::nullopt, "Недопустимое имя файла осциллографа: " + name};

  const std::string scopePath = paths.scopeWindow + name;
  if (FileExists(scopePath)) return {scopePath, {}};
  if (!EnsureDirectory(paths.scopeWindow)) {
    return {std::nullopt, "Не удалось создать папку " + PathForDisplay(paths.scopeWindow)};
  }
  // A name that would leave the template directory is never given to a template, so there is
  // nothing to look for.
  const auto templateName = ScopeTemplateName(*line);
  const std::string templatePath = templateName ? paths.ScopeTemplate() + *templateName : std::string();
  try {
    if (!templatePath.empty() && FileExists(templatePath)) {
      CopyTemplate(templatePath, scopePath, devicePath, port);
    } else {
      CreateFromRam(scopePath, devicePath, port);
    }
  } catch (const std::runtime_error& error) {
    return {std::nullopt, error.what()};
  }
  return {scopePath, {}};
}

}  // namespace quillon

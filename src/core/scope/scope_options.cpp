#include "scope/scope_options.h"

#include <limits>

#include "text/numbers.h"
#include "workspace/settings.h"

namespace quillon {

namespace {

std::optional<std::int64_t> PositiveNumber(const std::string& text) {
  const auto value = TryReadInteger(text);
  if (!value || *value <= 0) return std::nullopt;
  return value;
}

}  // namespace

ScopeOptions ReadScopeOptions(const std::string& settingsFile) {
  ScopeOptions options;
  options.traceMinutes = ReadSetting(settingsFile, "TrasserTime");
  options.traceKilobytes = ReadSetting(settingsFile, "TrasserFileSize");
  options.newFileByTime = ReadSettingInt(settingsFile, "TrasserTypeTime") != 0;
  options.newFileBySize = ReadSettingInt(settingsFile, "TrasserTypeFileSize") != 0;
  options.crcCheck = ReadSettingInt(settingsFile, "ScopeCRC16Check") != 0;
  return options;
}

void WriteScopeOptions(const std::string& settingsFile, const ScopeOptions& options) {
  const auto flag = [](bool on) { return on ? "1" : "0"; };
  WriteSetting(settingsFile, "TrasserTime", options.traceMinutes);
  WriteSetting(settingsFile, "TrasserFileSize", options.traceKilobytes);
  WriteSetting(settingsFile, "TrasserTypeTime", flag(options.newFileByTime));
  WriteSetting(settingsFile, "TrasserTypeFileSize", flag(options.newFileBySize));
  WriteSetting(settingsFile, "ScopeCRC16Check", flag(options.crcCheck));
}

TraceLimits TraceLimitsOf(const ScopeOptions& options) {
  TraceLimits limits;
  limits.keptOldFiles = options.keptOldFiles < 0 ? 0 : options.keptOldFiles;
  if (options.newFileByTime) {
    // Beyond a year of minutes the limit never comes; capping keeps the duration from overflowing.
    constexpr std::int64_t kMaxMinutes = 60 * 24 * 366;
    if (const auto minutes = PositiveNumber(options.traceMinutes))
      limits.period = std::chrono::minutes(*minutes < kMaxMinutes ? *minutes : kMaxMinutes);
  }
  if (options.newFileBySize) {
    constexpr std::int64_t kMaxKilobytes = std::numeric_limits<std::int64_t>::max() / 1024;
    if (const auto kilobytes = PositiveNumber(options.traceKilobytes))
      limits.maxBytes = static_cast<std::uintmax_t>(*kilobytes < kMaxKilobytes ? *kilobytes : kMaxKilobytes) * 1024;
  }
  return limits;
}

}  // namespace quillon

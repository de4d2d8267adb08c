#pragma once
// Quantities derived from controller timers: TIntegral (K x scale / count), TFrequency (from a
// complemented half-period count), TSoftTimer (a complemented down-counter) and TDiff
// (count x scale / K). They keep only the value last read and draw no trend.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "variables/special/current_value_view.h"

namespace quillon {

inline constexpr std::uint32_t kDefaultTimerConstant = 65536;
inline constexpr float kTimerTick = 1.0f / 14500.0f;
inline constexpr float kFrequencyTick = 0.0002f;

class TimerDerivedView : public CurrentValueView {
 public:
  // K, the timer constant (read from the line only by TIntegral), and the timer tick, which is
  // only ever tested for zero.
  std::uint32_t K = kDefaultTimerConstant;
  float Tick = kTimerTick;

  std::string ValueTextAt(int index, bool strip, int digits) override;
  std::string BaseText(const std::string& text) override;
  std::uint32_t ParseInput(std::string& text) override;
  std::string HexTextAt(int index) override;
  std::string DefinitionText() override;
  void ReadDefinition(const std::vector<std::string>& items) override;

  // Physical value of a raw count, 0 where the formula would divide by zero.
  virtual double ValueOfRaw(std::uint32_t raw) const = 0;
  // Physical value of a stored base value; most types use the same formula as for the raw.
  virtual double ValueOfBase(std::uint32_t raw) const { return ValueOfRaw(raw); }
  // Raw count of a physical entry; nothing when the entry has no count.
  virtual std::optional<std::uint32_t> RawOfValue(double value) const = 0;

 protected:
  TimerDerivedView(std::string_view typeName, int size, int sizeWhenUnreadable);
  // The size item is read; a size the 32-bit cell cannot hold counts as unreadable.
  virtual bool ReadsSizeItem() const { return true; }
  // The low Size bytes of a value.
  std::uint32_t SizeMask() const;

 private:
  int sizeWhenUnreadable_;
};

class TIntegral : public TimerDerivedView {
 public:
  TIntegral() : TimerDerivedView("TIntegral", 2, 2) {}
  void ReadDefinition(const std::vector<std::string>& items) override;
  double ValueOfRaw(std::uint32_t raw) const override;
  std::optional<std::uint32_t> RawOfValue(double value) const override;
};

class TFrequency : public TimerDerivedView {
 public:
  TFrequency();
  double ValueOfRaw(std::uint32_t raw) const override;
  double ValueOfBase(std::uint32_t raw) const override;
  std::optional<std::uint32_t> RawOfValue(double value) const override;

 protected:
  double ScaleFallback() const override;
};

class TSoftTimer : public TimerDerivedView {
 public:
  TSoftTimer() : TimerDerivedView("TSoftTimer", 4, 4) {}
  double ValueOfRaw(std::uint32_t raw) const override;
  std::optional<std::uint32_t> RawOfValue(double value) const override;
};

class TDiff : public TimerDerivedView {
 public:
  TDiff() : TimerDerivedView("TDiff", 4, 4) {}
  double ValueOfRaw(std::uint32_t raw) const override;
  std::optional<std::uint32_t> RawOfValue(double value) const override;

 protected:
  bool ReadsSizeItem() const override { return false; }
};

}  // namespace quillon

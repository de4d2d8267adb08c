#include "text/contrast.h"

#include <algorithm>
#include <cmath>

namespace quillon {

namespace {

// The sRGB transfer curve undone: the light a channel value stands for.
double Linear(std::uint8_t channel) {
  const double value = channel / 255.0;
  return value <= 0.04045 ? value / 12.92 : std::pow((value + 0.055) / 1.055, 2.4);
}

constexpr Rgb kBlack{0, 0, 0};
constexpr Rgb kWhite{255, 255, 255};

// Enough halvings to settle on a single channel step.
constexpr int kSearchSteps = 12;

}  // namespace

double RelativeLuminance(Rgb colour) {
  return 0.2126 * Linear(colour.red) + 0.7152 * Linear(colour.green) + 0.0722 * Linear(colour.blue);
}

double ContrastRatio(Rgb first, Rgb second) {
  const double a = RelativeLuminance(first);
  const double b = RelativeLuminance(second);
  return (std::max(a, b) + 0.05) / (std::min(a, b) + 0.05);
}

Rgb ReadableTextOn(Rgb background) {
  return ContrastRatio(kBlack, background) >= ContrastRatio(kWhite, background) ? kBlack : kWhite;
}

Rgb Mix(Rgb colour, Rgb other, double share) {
  const double t = std::clamp(share, 0.0, 1.0);
  const auto channel = [t](std::uint8_t from, std::uint8_t to) {
    return static_cast<std::uint8_t>(std::lround(from + (to - from) * t));
  };
  return {channel(colour.red, other.red), channel(colour.green, other.green), channel(colour.blue, other.blue)};
}

Rgb LegibleOn(Rgb colour, Rgb background, double minimum) {
  if (ContrastRatio(colour, background) >= minimum) return colour;
  const Rgb target = ReadableTextOn(background);
  const double backgroundLuminance = RelativeLuminance(background);
  const bool towardsWhite = target == kWhite;
  // Along the way to the target the contrast may first fall (a dark red on a light grey heading
  // for black starts out on the wrong side), so a mix counts only once it lies on the target's
  // side of the background; from there the contrast only grows.
  const auto enough = [&](const Rgb& mixed) {
    const double luminance = RelativeLuminance(mixed);
    const bool beyond = towardsWhite ? luminance > backgroundLuminance : luminance < backgroundLuminance;
    return beyond && ContrastRatio(mixed, background) >= minimum;
  };
  if (!enough(target)) return target;
  double low = 0;
  double high = 1;
  for (int step = 0; step < kSearchSteps; ++step) {
    const double middle = (low + high) / 2;
    if (enough(Mix(colour, target, middle))) {
      high = middle;
    } else {
      low = middle;
    }
  }
  return Mix(colour, target, high);
}

}  // namespace quillon

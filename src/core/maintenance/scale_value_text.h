#pragma once
// How a scale line's value reads in a report: a choice line shows its selected option as
// "value / text", anything else as it stands.
#include <string>
#include <string_view>

namespace quillon {

// "1#10#A/2#20#B/2" gives "20 / B": the last "/" item is the selector, and of the options whose
// key equals it the one nearest the front wins; a missing part counts as empty. A value without
// "/", or whose selector matches no option, is returned unchanged.
std::string ScaleValueText(std::string_view value);

}  // namespace quillon

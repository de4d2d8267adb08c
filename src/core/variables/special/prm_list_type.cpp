#include "variables/special/prm_list_type.h"

#include <algorithm>
#include <array>

#include "text/items.h"
#include "text/numbers.h"
#include "variables/entry.h"
#include "variables/view_list.h"

namespace quillon {
namespace {

constexpr std::array<std::string_view, 14> kAnimationFrames{
    "?......", ".?.....", "..?....", "...?...", "....?..", ".....?.", "......?",
    "......?", ".....?.", "....?..", "...?...", "..?....", ".?.....", "?......",
};

}  // namespace

NamedValue ReadNamedValue(std::string_view part) {
  NamedValue entry;
  const auto first = part.find('#');
  entry.Value = static_cast<std::uint8_t>(ReadInteger(part.substr(0, first)) & 0xFF);
  const std::string_view rest = part.substr(first + 1);
  const auto last = rest.rfind('#');
  if (last == std::string_view::npos) {
    entry.Text = ShortText(rest);
  } else {
    entry.Text = ShortText(rest.substr(0, last));
    entry.Comment = ShortText(rest.substr(last + 1));
  }
  return entry;
}

TPrmList::TPrmList() : CurrentValueView("TPrmList", 1) {}

void TPrmList::ReadEntries(const std::vector<std::string>& parts) {
  Entries.clear();
  for (auto it = parts.rbegin(); it != parts.rend(); ++it) {
    if (it->find('#') != std::string::npos) Entries.push_back(ReadNamedValue(*it));
  }
}

void TPrmList::ReadDefinition(const std::vector<std::string>& items) {
  definition_.Name = ShortText(items[0]);
  definition_.Description = ShortText(items[1]);
  ReadCellItems(items);
  definition_.HighByte = RegisterSelectsHighByte(definition_.RegisterText);
  definition_.Units = ShortText(items[5]);
  definition_.ScaleText = items.size() > 6 ? ShortText(items[6]) : std::string();
  if (!definition_.ScaleText.empty()) {
    // A name the scale table does not know gives no entries: every value then animates.
    const std::string list =
        Owner != nullptr ? Owner->Scales.Value(definition_.ScaleText).value_or(std::string()) : std::string();
    const std::vector<std::string> parts = SplitItems(list);
    ReadEntries(parts);
    BaseValue = ShortText(parts.back());
  } else {
    ReadEntries(std::vector<std::string>(items.begin() + std::min<std::ptrdiff_t>(6, std::ssize(items)), items.end()));
    BaseValue = ShortText(items.back());
  }
}

void TPrmList::Rescale() {
  if (definition_.ScaleText.empty() || Owner == nullptr) return;
  BaseValue = ShortText(Owner->Scales.Resolve(definition_.ScaleText, true));
}

std::string TPrmList::TextOfValue(std::uint8_t value) {
  for (auto it = Entries.rbegin(); it != Entries.rend(); ++it) {
    if (it->Value == value) return it->Text;
  }
  // The redraw and the worker's trace line both ask for the text.
  const unsigned frame = animationFrame_.fetch_add(1, std::memory_order_relaxed) % kAnimationFrames.size();
  return std::string(kAnimationFrames[frame]);
}

std::string TPrmList::ValueTextAt(int, bool, int) { return TextOfValue(static_cast<std::uint8_t>(CurrentValue())); }

std::string TPrmList::BaseText(const std::string& text) {
  return TextOfValue(static_cast<std::uint8_t>(ReadInteger(text) & 0xFF));
}

std::uint32_t TPrmList::ParseInput(std::string& text) { return CommonParseInput(text, Scale); }

std::string TPrmList::HexTextAt(int) { return "x" + HexDigits(CurrentValue(), 2); }

std::string TPrmList::EntryText(std::size_t index, std::string_view separator, int options) const {
  const NamedValue& entry = Entries.at(index);
  std::string text = "x" + HexDigits(entry.Value, 2) + std::string(separator) + entry.Text;
  if ((options & kEntryWithUnits) != 0) text += " " + definition_.Units;
  if ((options & kEntryWithComment) != 0 && !entry.Comment.empty()) text += std::string(separator) + entry.Comment;
  return text;
}

std::vector<std::string> TPrmList::ItemTexts() const {
  std::vector<std::string> texts;
  texts.reserve(Entries.size());
  for (std::size_t i = 0; i < Entries.size(); ++i) texts.push_back(EntryText(i, " ", kEntryWithUnits));
  return texts;
}

std::size_t TPrmList::FindItem(std::string_view text) const {
  const auto number = TryReadInteger(text);
  for (std::size_t i = Entries.size(); i-- > 0;) {
    if (Entries[i].Text.find(text) != std::string::npos) return i;
    if (number && static_cast<std::int64_t>(Entries[i].Value) == *number) return i;
  }
  return 0;
}

std::string TPrmList::DefinitionText() {
  std::vector<std::string> items{definition_.Name,
                                 definition_.Description,
                                 definition_.TypeName,
                                 AddressText(),
                                 RegisterNumberText() + (definition_.HighByte ? ".H" : ".L"),
                                 definition_.Units,
                                 definition_.ScaleText};
  // The kept list is the reverse of the written one: written back in the file's own order, so a
  // save never flips the options (nor which of two equal values wins).
  std::vector<std::string> entries;
  for (std::size_t i = Entries.size(); i-- > 0;) entries.push_back(EntryText(i, "#", kEntryWithComment));
  entries.push_back(BaseValue);
  if (definition_.ScaleText.empty()) {
    items.insert(items.end(), entries.begin(), entries.end());
  } else if (Owner != nullptr) {
    // A list the scale table does not have yet is added, so that the stored value is kept.
    Owner->Scales.SetValue(definition_.ScaleText, JoinItems(entries));
  }
  return JoinItems(items);
}

}  // namespace quillon

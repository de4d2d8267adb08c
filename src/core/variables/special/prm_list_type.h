#pragma once
// TPrmList: a byte whose values have names ("x01#On#relay closed"). The names are written
// inline in the definition line or kept in a named line of the scale table, which several
// variables (and the scale editor) can share.
#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "variables/special/current_value_view.h"

namespace quillon {

struct NamedValue {
  std::uint8_t Value = 0;
  std::string Text;
  std::string Comment;
};

// Options of EntryText: the unit after the text; the comment after the text.
inline constexpr int kEntryWithUnits = 1;
inline constexpr int kEntryWithComment = 2;

class TPrmList : public CurrentValueView {
 public:
  TPrmList();
  ViewKind Kind() const override { return ViewKind::ParameterList; }

  // Kept in the reverse of the written order, as they have always been.
  std::vector<NamedValue> Entries;

  std::string ValueTextAt(int index, bool strip, int digits) override;
  std::string BaseText(const std::string& text) override;
  std::uint32_t ParseInput(std::string& text) override;
  std::string HexTextAt(int index) override;
  // With a list name this also rewrites that line of the owner's scale table.
  std::string DefinitionText() override;
  void ReadDefinition(const std::vector<std::string>& items) override;
  // A list named in the scale table follows that line's selected key.
  void Rescale() override;

  // "x01", the separator and the text; the options add the unit and the comment.
  std::string EntryText(std::size_t index, std::string_view separator, int options) const;
  // Entry texts of every kept entry, for a choice box.
  std::vector<std::string> ItemTexts() const;
  // From the last kept entry to the first: the first whose text contains `text` or whose
  // value is `text` read as an integer; 0 when none is.
  std::size_t FindItem(std::string_view text) const;

  // The text of the value, or the next frame of the "no such value" animation.
  std::string TextOfValue(std::uint8_t value);

 private:
  void ReadEntries(const std::vector<std::string>& parts);
  std::atomic<unsigned> animationFrame_{0};
};

// One "value#text" or "value#text#comment" part. Throws ConversionError for a value that is no
// integer.
NamedValue ReadNamedValue(std::string_view part);

}  // namespace quillon

#include "variables/property_values.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "variable_fixture.h"

namespace quillon {
namespace {

class UniversalPropertyTest : public testing::VariableTest {};

TEST_F(UniversalPropertyTest, WordRowShowsAndKeepsBothMaximaInStep) {
  TView& word = Create("p1=Tacc/Время разгона/TWORD/x0100/r0080/с/0,1/2//0/x0032/", "0.01/40/0/");
  const UniversalPropertyView view = ShowUniversalProperty(word);
  EXPECT_EQ(std::tie(view.name, view.comment, view.scaleText, view.heightText, view.maxText, view.physicalText,
                     view.unitText),
            std::tuple("Tacc", "Время разгона", "0,1", "40", "x0FA0", "400", ",[ с ]"));

  EXPECT_EQ(MaxTextOfPhysical(word, "200"), "x07D0");
  EXPECT_EQ(MaxTextOfPhysical(word, "12,5"), "x007D");
  EXPECT_EQ(PhysicalOfMaxText(word, "x07D0"), "200");
  EXPECT_EQ(PhysicalOfMaxText(word, "$10"), "1,6");
  for (const char* typed : {"", "-", "2O0", "x"}) {
    EXPECT_EQ(MaxTextOfPhysical(word, typed), std::nullopt) << typed;
    EXPECT_EQ(PhysicalOfMaxText(word, typed), std::nullopt) << typed;
  }

  ApplyUniversalProperty(word, {"0,1", "40", "x07D0"});
  EXPECT_DOUBLE_EQ(word.TrendGain, 0.02);
  EXPECT_EQ(word.RowHeight, 40);

  ApplyUniversalProperty(word, {"0,5", "10", "x07D0"});
  EXPECT_EQ(word.RowHeight, 15) << "lower rows would cut the text";
  EXPECT_EQ(word.RowRect.Height(), 15) << "the row is laid out at its new height";
  EXPECT_FLOAT_EQ(word.Scale, 0.5f);
  EXPECT_DOUBLE_EQ(word.TrendGain, 15.0 / 2000);
  EXPECT_TRUE(prompt.Warnings.empty());
}

TEST_F(UniversalPropertyTest, GainAndFullScaleOfEveryKind) {
  TView& word = Create("k=w/d/TWORD/x0100/r0080//1/2//0/x0000/", "-3/40/0/");
  EXPECT_EQ(ShowUniversalProperty(word).maxText, "x0028") << "a gain not above zero is taken as 1";
  EXPECT_DOUBLE_EQ(word.TrendGain, 1.0);

  TView& tiny = Create("k=b/d/TByte/x0102/r0081.L//1/1//0/x00/", "0.001/40/0/");
  EXPECT_EQ(ShowUniversalProperty(tiny).maxText, "xFF") << "beyond the cell: the largest value";

  TView& real = Create("k=f/d/TFloat/x0104/r0082//2/2/0/x00000000/", "0.1/40/0/");
  const UniversalPropertyView shown = ShowUniversalProperty(real);
  EXPECT_EQ(shown.maxText, "x43C80000") << "400 as a 32-bit real";
  EXPECT_EQ(shown.physicalText, "800");
  EXPECT_EQ(MaxTextOfPhysical(real, "400"), "x43480000");
  ApplyUniversalProperty(real, {"2", "40", "x43480000"});
  EXPECT_DOUBLE_EQ(real.TrendGain, 0.2);
  EXPECT_EQ(real.Baseline, 20);

  TView& signedWord = Create("k=i/d/TInteger/x0108/r0084//1/2/0/x0000/", "1/40/0/");
  ApplyUniversalProperty(signedWord, {"1", "31", "x0064"});
  EXPECT_EQ(signedWord.Baseline, 15) << "half the row, rounded down";
  const int unsignedBaseline = word.Baseline;
  ApplyUniversalProperty(word, {"1", "60", "x0064"});
  EXPECT_EQ(word.Baseline, unsignedBaseline) << "unsigned trends keep their baseline";

  TView& bit = Create("k=r/d/TBit/x010A/1/r0085.0/1/1/0/");
  const double gain = bit.TrendGain;
  ApplyUniversalProperty(bit, {"7", "100", "x01"});
  EXPECT_EQ(bit.RowHeight, 15);
  EXPECT_FLOAT_EQ(bit.Scale, 1.0f);
  EXPECT_DOUBLE_EQ(bit.TrendGain, gain);
}

TEST_F(UniversalPropertyTest, AFailingFieldKeepsWhatWasAssignedBeforeIt) {
  TView& word = Create("k=w/d/TWORD/x0100/r0080//1/2//0/x0000/", "0.5/20/0/");
  EXPECT_THROW(ApplyUniversalProperty(word, {"abc", "40", "x0010"}), ConversionError);
  EXPECT_FLOAT_EQ(word.Scale, 1.0f);
  EXPECT_EQ(word.RowHeight, 20);

  EXPECT_THROW(ApplyUniversalProperty(word, {"2", "4O", "x0010"}), ConversionError);
  EXPECT_FLOAT_EQ(word.Scale, 2.0f);
  EXPECT_EQ(word.RowHeight, 20);

  try {
    ApplyUniversalProperty(word, {"3", "50", "x0000"});
    ADD_FAILURE() << "a full scale of zero gives no gain";
  } catch (const DivisionError& error) {
    EXPECT_STREQ(error.what(), "Деление на ноль");
  }
  EXPECT_EQ(word.RowHeight, 50);
  EXPECT_DOUBLE_EQ(word.TrendGain, 0.5);

  EXPECT_THROW(ApplyUniversalProperty(word, {"1e39", "50", "x0010"}), ConversionError) << "beyond a 32-bit real";
  TView& real = Create("k=f/d/TFloat/x0104/r0082//1/2/0/x00000000/");
  EXPECT_THROW(ApplyUniversalProperty(real, {"1", "40", "x00000000"}), DivisionError);
  EXPECT_THROW(ApplyUniversalProperty(real, {"1", "40", "xFFFFFFFF"}), ConversionError) << "not a number";
}

TEST_F(UniversalPropertyTest, DependentRowShowsItsOwnFullScale) {
  list.AddScale("Inom=1000");
  TView& inom = Create("p1=Inom/d/TWORD/x0100/r0080/А/1/2//0/x0064/");
  TView& ilim = Create("p2=Ilim/d/TWORD/x0102/r0081/А/1/2/Inom/1,5/x0096/", "0.1/20/0/");
  ASSERT_TRUE(ilim.Definition().HasDependency());
  const UniversalPropertyView view = ShowUniversalProperty(ilim);
  EXPECT_EQ(view.maxText, "x00C8");
  EXPECT_EQ(view.physicalText, "200") << "not the reference's value times the ratio";
  EXPECT_EQ(ilim.BaseValue + " " + inom.BaseValue, "x0096 x0064") << "showing changes no value";
}

class ParameterPropertyTest : public testing::VariableTest {
 protected:
  void SetUp() override {
    list.AddScale("Inom=1500");
    list.AddScale("Mode=1#slow#0.5/2#fast#0.25/2/");
    inom = &Create("p1=Inom/Номинальный ток/TWORD/x0100/r0080/А/1/2//0/x05DC/");
    ilim = &Create("p2=Ilim/Ограничение тока/TWORD/x0102/r0081/А/Inom%1000/2/Inom/1,5/x05DC/");
    Create("p3=Imax/Максимум/TWORD/x0104/r0082/А/1/2/Inom/2/x0000/");
    Create("p4=Virt/Ячейки нет/TByte/x0106/r0083.L//1/1/@//x05/");
    Create("p5=Ioff/Смещение/TWORD/x0108/r0084/А/1/2/Ilim/1/x0000/");
  }
  TView* inom = nullptr;
  TView* ilim = nullptr;
};

TEST_F(ParameterPropertyTest, ShowsScaleNamesAndReferences) {
  const ParameterPropertyView view = ShowParameterProperty(*ilim);
  EXPECT_EQ(
      std::tie(view.name, view.description, view.units, view.scaleText, view.ratioText, view.sensorCorrectionText),
      std::tuple("Ilim", "Ограничение тока", "А", "1,5", "1,5", "1"));
  EXPECT_EQ(view.scaleItems, (std::vector<std::string>{"", "Inom", "Mode", "Inom%1000"}));
  EXPECT_EQ(view.scaleIndex, 3);
  EXPECT_EQ(view.referenceItems, (std::vector<std::string>{"", "Inom", "Ilim"}));
  EXPECT_EQ(view.referenceIndex, 1);
  EXPECT_TRUE(view.referenceEnabled);

  const ReferenceState followed = ReferenceChange(*ilim, "Inom");
  EXPECT_EQ(std::tie(followed.scaleEnabled, followed.ratioEnabled, followed.referenceText),
            std::tuple(false, true, "x05DC = 1500 А"));
  const ReferenceState free = ReferenceChange(*ilim, "");
  EXPECT_EQ(std::tie(free.scaleEnabled, free.ratioEnabled, free.referenceText), std::tuple(true, false, ""));

  const ParameterPropertyView plain = ShowParameterProperty(*inom);
  EXPECT_EQ(plain.scaleItems, (std::vector<std::string>{"", "Inom", "Mode"}));
  EXPECT_EQ(plain.scaleIndex, -1) << "a numeric scale selects nothing";
  EXPECT_EQ(plain.referenceIndex, 0);
  EXPECT_FALSE(ShowParameterProperty(*list.FindVariable("Virt")).referenceEnabled);
  EXPECT_FALSE(ShowParameterProperty(Create("f=Tf/d/TInputFilter/x0030/r0018/с/0,0002/2/x0032/")).referenceEnabled)
      << "a filter time follows nothing, though it is laid out as a word";

  EXPECT_EQ(ScaleOfName(*inom, "Mode"), "0.25") << "the value as the line holds it";
  EXPECT_EQ(ScaleOfName(*inom, "Inom"), "1500");
  EXPECT_EQ(ScaleOfName(*ilim, ""), "1,5");
}

TEST_F(ParameterPropertyTest, ApplyingChangesScaleAndDependency) {
  ApplyParameterProperty(*ilim, {"1,5", "Inom%1000", "", "1,5"});
  EXPECT_EQ(ilim->Definition().DependsOn, "") << "the empty item removes the dependency";
  EXPECT_EQ(ilim->ColumnTextAt(1, ilim->History.Head()), "Ilim");
  EXPECT_EQ(ilim->Definition().ScaleText, "Inom%1000");

  ApplyParameterProperty(*ilim, {"0.25", "", "Inom", "2"});
  EXPECT_FLOAT_EQ(ilim->Scale, 0.25f);
  EXPECT_EQ(ilim->Definition().ScaleText, "0,25");
  EXPECT_EQ(ilim->ColumnTextAt(1, ilim->History.Head()), "Ilim=2 Inom");
  EXPECT_FLOAT_EQ(ilim->Definition().SensorCorrection, 1.0f);

  ApplyParameterProperty(*inom, {"0,000002", "", "", "0"});
  EXPECT_FLOAT_EQ(inom->Scale, 0.000002f);
  EXPECT_FLOAT_EQ(static_cast<float>(ReadReal(inom->Definition().ScaleText)), 0.000002f)
      << "no digits lost to 5 decimals";

  EXPECT_THROW(ApplyParameterProperty(*ilim, {"1", "", "", "zwei"}), ConversionError);
  EXPECT_FLOAT_EQ(ilim->Scale, 1.0f);
  EXPECT_EQ(ilim->Definition().DependsOn, "") << "assigned before the ratio failed";
  EXPECT_FLOAT_EQ(ilim->Ratio, 2.0f);

  EXPECT_THROW(ApplyParameterProperty(*ilim, {"", "", "Inom", "1"}), ConversionError);
  EXPECT_EQ(ilim->Definition().DependsOn, "");

  TView& virt = *list.FindVariable("Virt");
  ApplyParameterProperty(virt, {"1", "", "Inom", "3"});
  EXPECT_EQ(virt.Definition().DependsOn, "@") << "a cell the controller does not have keeps its mark";
  TView& offset = Create("p6=Ofs/d/TInteger/x010A/r0085/А/1/2/0/x0000/");
  ApplyParameterProperty(offset, {"1", "", "Inom", "3"});
  EXPECT_EQ(offset.Definition().DependsOn, "") << "its definition line has no place for a dependency";
}

TEST(PropertyNumberTextTest, FiveDecimalsUnlessThatLosesTheValue) {
  for (const auto& [value, text] : {std::pair{0.1f, "0,1"}, {1.5f, "1,5"}, {1500.0f, "1500"}, {0.0002f, "0,0002"}}) {
    EXPECT_EQ(FiveDecimalsText(value), text);
  }
  for (float tiny : {0.000002f, -0.0000123f, 1.0e-12f}) {
    const std::string text = FiveDecimalsText(tiny);
    EXPECT_EQ(static_cast<float>(ReadReal(text)), tiny) << text;
  }
  EXPECT_EQ(TwoDecimalsText(1.234f), "1,23");
  EXPECT_FLOAT_EQ(ReadSingle("2,5"), 2.5f);
  EXPECT_THROW(ReadSingle("1e40"), ConversionError);
}

}  // namespace
}  // namespace quillon

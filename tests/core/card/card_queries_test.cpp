// The short card operations: what each answer leads to.
#include "card/card_queries.h"

#include <gtest/gtest.h>

#include "core/card/card_answers.h"

namespace quillon {
namespace {

using testing::Bytes;
using testing::CodeAnswer;
using testing::Corrupted;
using testing::CountedAnswer;
using testing::WithCrc;

TEST(CardList, EntriesComeOneByOneUntilAnEmptyOne) {
  CardListQuery list(3);
  EXPECT_EQ(list.Request(), BuildCardList(3, true));
  EXPECT_EQ(list.DelayMs(), 100u);
  // "Отчёт" in Windows-1251.
  const CardStep first = list.Answer(CountedAnswer(0x21, {0xCE, 0xF2, 0xF7, 0xB8, 0xF2}));
  EXPECT_FALSE(first.Finished());
  EXPECT_EQ(first.fileName, "Отчёт");
  EXPECT_EQ(list.Request(), BuildCardList(3, false));
  EXPECT_EQ(list.Answer(CountedAnswer(0x21, {'b'})).fileName, "b");
  const CardStep end = list.Answer(CountedAnswer(0x21, {}));
  EXPECT_EQ(end.outcome, CardOutcome::Done);
  EXPECT_TRUE(end.message.empty());
}

TEST(CardList, AMissingCardAndBadAnswersEndItSilently) {
  for (const Bytes& answer : {CodeAnswer(0xA1), Corrupted(CountedAnswer(0x21, {'a'})), Bytes{}, CodeAnswer(0x22)}) {
    CardListQuery list(1);
    const CardStep step = list.Answer(answer);
    EXPECT_TRUE(step.Finished());
    EXPECT_FALSE(step.fileName);
    EXPECT_TRUE(step.message.empty());
  }
  CardListQuery list(1);
  EXPECT_EQ(list.Answer(CodeAnswer(0xA1)).outcome, CardOutcome::CardAbsent);
}

TEST(CardDiskState, TheSizeOrTheMissingCardOrNothing) {
  CardDiskStateQuery disk(1);
  EXPECT_EQ(disk.Request(), BuildCardDiskState(1));
  const CardStep size = disk.Answer(WithCrc({1, 0x20, 0x00, 0x10, 0x00, 0x00}));
  EXPECT_EQ(size.diskSize, "1048576 B");
  EXPECT_TRUE(size.message.empty());
  const CardStep absent = disk.Answer(CodeAnswer(0xA0));
  EXPECT_EQ(absent.message, "диск microSD не инициализируется либо отсутствует!");
  EXPECT_FALSE(absent.diskSize);
  const CardStep bad = disk.Answer(Corrupted(WithCrc({1, 0x20, 0, 0, 0, 1})));
  EXPECT_EQ(bad.outcome, CardOutcome::BadAnswer);
  EXPECT_FALSE(bad.diskSize);
  EXPECT_TRUE(bad.message.empty());
}

TEST(CardDelete, OnlyAConfirmedDeletionListsAgain) {
  CardDeleteQuery remove(1, "a.txt");
  EXPECT_EQ(remove.Request(), BuildCardDelete(1, "a.txt"));
  EXPECT_TRUE(remove.Answer(CodeAnswer(0x24)).relist);
  const std::vector<std::pair<Bytes, CardOutcome>> refused{
      {CodeAnswer(0xA4), CardOutcome::CardAbsent},
      {CodeAnswer(0xE4), CardOutcome::FileMissing},
      {Corrupted(CodeAnswer(0x24)), CardOutcome::BadAnswer},
  };
  for (const auto& [answer, outcome] : refused) {
    const CardStep step = remove.Answer(answer);
    EXPECT_FALSE(step.relist);
    EXPECT_EQ(step.outcome, outcome);
    EXPECT_TRUE(step.message.empty());
  }
}

TEST(CardApply, EachAnswerHasItsMessage) {
  TransferCounters counters;
  counters.errors = 4;
  counters.answers = 9;
  CardApplyQuery apply(1, "prog.bin", counters);
  EXPECT_EQ(counters.errors.load(), 0u);
  EXPECT_EQ(counters.answers.load(), 0u);
  EXPECT_EQ(apply.Request(), BuildCardApply(1, "prog.bin"));
  EXPECT_EQ(apply.Answer(Bytes{}).message, "ошибка контрольной суммы, либо команда не опознана!");
  EXPECT_EQ(apply.Answer(CodeAnswer(0xA5)).message, "диск microSD не инициализируется либо отсутствует!");
  EXPECT_EQ(apply.Answer(CodeAnswer(0xE5)).message, "файл отсутствует!");
  const CardStep done = apply.Answer(CodeAnswer(0x25));
  EXPECT_EQ(done.outcome, CardOutcome::Done);
  EXPECT_TRUE(done.message.empty());
}

}  // namespace
}  // namespace quillon

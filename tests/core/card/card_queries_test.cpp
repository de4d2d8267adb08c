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
  const CardStep first = list.Answer(CountedAnswer(0x21, {0xCE, 0xF2, 0xF7, 0xB8, 0xF2}, 3));
  EXPECT_FALSE(first.Finished());
  EXPECT_EQ(first.fileName, "Отчёт");
  EXPECT_EQ(list.Request(), BuildCardList(3, false));
  EXPECT_EQ(list.Answer(CountedAnswer(0x21, {'b'}, 3)).fileName, "b");
  // Another slave's answer is none to this list: asked again, and nothing is listed.
  const CardStep other = list.Answer(CountedAnswer(0x21, {'x'}, 4));
  EXPECT_FALSE(other.Finished());
  EXPECT_FALSE(other.fileName);
  const CardStep end = list.Answer(CountedAnswer(0x21, {}, 3));
  EXPECT_EQ(end.outcome, CardOutcome::Done);
  EXPECT_TRUE(end.message.empty());
}

// A controller that never sends the empty entry must not keep the listing going for ever.
TEST(CardList, ANameThatComesAgainOrAnEntryBeyondTheCapEndsTheListWithAMessage) {
  CardListQuery looping(1);
  for (const Bytes& name : {Bytes{'a'}, Bytes{'b'}, Bytes{'A'}}) {
    EXPECT_FALSE(looping.Answer(CountedAnswer(0x21, name)).Finished());
  }
  const CardStep cameRound = looping.Answer(CountedAnswer(0x21, {'a'}));
  EXPECT_EQ(cameRound.outcome, CardOutcome::BadAnswer);
  EXPECT_FALSE(cameRound.fileName);
  EXPECT_EQ(cameRound.message, "Список файлов прерван: контроллер повторяет имена");

  CardListQuery endless(1, 3);
  for (std::uint8_t entry = 0; entry < 3; ++entry) {
    EXPECT_EQ(endless.Answer(CountedAnswer(0x21, {static_cast<std::uint8_t>('a' + entry)})).fileName,
              std::string(1, static_cast<char>('a' + entry)));
  }
  const CardStep beyond = endless.Answer(CountedAnswer(0x21, {'d'}));
  EXPECT_EQ(beyond.outcome, CardOutcome::BadAnswer);
  EXPECT_FALSE(beyond.fileName);
  EXPECT_EQ(beyond.message, "Список файлов прерван: больше 3 имён");
  // As many names as the cap, then the end: a list like any other.
  CardListQuery full(1, 1);
  EXPECT_TRUE(full.Answer(CountedAnswer(0x21, {'a'})).fileName);
  EXPECT_EQ(full.Answer(CountedAnswer(0x21, {})).outcome, CardOutcome::Done);
}

TEST(CardList, AMissingCardEndsItAndBadAnswersAreAskedAgainUntilTheRetriesAreSpent) {
  CardListQuery absent(1);
  const CardStep step = absent.Answer(CodeAnswer(0xA1));
  EXPECT_EQ(step.outcome, CardOutcome::CardAbsent);
  EXPECT_TRUE(step.message.empty());

  for (const Bytes& answer : {Corrupted(CountedAnswer(0x21, {'a'})), CodeAnswer(0x22), CountedAnswer(0x21, {'a'}, 2)}) {
    CardListQuery list(1);
    for (unsigned i = 0; i < kCardRetries; ++i) {
      const CardStep again = list.Answer(answer);
      ASSERT_FALSE(again.Finished()) << i;
      EXPECT_FALSE(again.fileName);
      EXPECT_EQ(list.Request(), BuildCardList(1, true)) << "the same request again";
    }
    const CardStep last = list.Answer(answer);
    EXPECT_EQ(last.outcome, CardOutcome::BadAnswer);
    EXPECT_TRUE(last.message.empty()) << "the window's own text for a bad answer";
  }
  // A silent device is told as such, not as a checksum error.
  CardListQuery silent(1);
  CardStep step2;
  for (unsigned i = 0; i <= kCardRetries; ++i) step2 = silent.Answer({});
  EXPECT_EQ(step2.outcome, CardOutcome::BadAnswer);
  EXPECT_EQ(step2.message, "Устройство не отвечает");
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
  CardStep bad;
  for (unsigned i = 0; i <= kCardRetries; ++i) bad = disk.Answer(Corrupted(WithCrc({1, 0x20, 0, 0, 0, 1})));
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
  };
  for (const auto& [answer, outcome] : refused) {
    const CardStep step = remove.Answer(answer);
    EXPECT_FALSE(step.relist);
    EXPECT_EQ(step.outcome, outcome);
    EXPECT_TRUE(step.message.empty());
  }
}

TEST(CardDelete, ALostAnswerIsAskedAgainAndAFileGoneSinceCountsAsDeleted) {
  CardDeleteQuery remove(1, "a.txt");
  const CardStep again = remove.Answer(Corrupted(CodeAnswer(0x24)));
  EXPECT_FALSE(again.Finished());
  EXPECT_EQ(remove.Request(), BuildCardDelete(1, "a.txt"));
  // The first request did delete the file; only its answer was lost.
  const CardStep gone = remove.Answer(CodeAnswer(0xE4));
  EXPECT_EQ(gone.outcome, CardOutcome::Done);
  EXPECT_TRUE(gone.relist);
}

TEST(CardApply, EachAnswerHasItsMessage) {
  TransferCounters counters;
  counters.errors = 4;
  counters.answers = 9;
  CardApplyQuery apply(1, "prog.bin", counters);
  EXPECT_EQ(counters.errors.load(), 0u);
  EXPECT_EQ(counters.answers.load(), 0u);
  EXPECT_EQ(apply.Request(), BuildCardApply(1, "prog.bin"));
  EXPECT_EQ(apply.Answer(Bytes{}).message, "Устройство не отвечает");
  EXPECT_EQ(apply.Answer(Corrupted(CodeAnswer(0x25))).message, "ошибка контрольной суммы, либо команда не опознана!");
  EXPECT_EQ(apply.Answer(CodeAnswer(0xA5)).message, "диск microSD не инициализируется либо отсутствует!");
  EXPECT_EQ(apply.Answer(CodeAnswer(0xE5)).message, "файл отсутствует!");
  const CardStep done = apply.Answer(CodeAnswer(0x25));
  EXPECT_EQ(done.outcome, CardOutcome::Done);
  EXPECT_TRUE(done.message.empty());
}

}  // namespace
}  // namespace quillon

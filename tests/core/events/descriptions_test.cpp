#include "events/descriptions.h"

#include <gtest/gtest.h>

#include "support/file_bytes.h"
#include "support/temp_dir.h"

namespace quillon {
namespace {

using testing::TempDir;

TEST(StatDescriptionsTest, EntriesComeInReverseFileOrderWithNumberAndDescription) {
  TempDir dir;
  ASSERT_TRUE(testing::WriteCp1251File(dir / "d.ini",
                                       "[STAT]\nStarts=x/1/y/Число пусков\nHours = a/2/b/Наработка, ч\n"
                                       "Trips=a/x7/b/Отключения\n[EVENTS]\n1=a/a/\n"));
  const auto list = ReadStatDescriptions(dir / "d.ini");
  ASSERT_TRUE(list.loaded);
  ASSERT_EQ(list.entries.size(), 3u);
  EXPECT_EQ(list.entries[0].name, "Trips");
  EXPECT_EQ(list.entries[0].number, 7) << "the number is read as the system reads integers";
  EXPECT_EQ(list.entries[1].name, "Hours");
  EXPECT_EQ(list.entries[1].number, 2);
  EXPECT_EQ(list.entries[1].description, "Наработка, ч");
  EXPECT_EQ(list.entries[2].name, "Starts");
  EXPECT_EQ(list.entries[2].description, "Число пусков");
  EXPECT_EQ(list.entries[2].value, 0u);
}

TEST(StatDescriptionsTest, MissingFileOrSectionGivesTheMessageAndNoList) {
  TempDir dir;
  auto missing = ReadStatDescriptions(dir / "none.ini");
  EXPECT_FALSE(missing.loaded);
  EXPECT_EQ(missing.message, "Файл устройства (ini) отсутствует!\n" + (dir / "none.ini"));

  ASSERT_TRUE(testing::WriteCp1251File(dir / "d.ini", "[STAT]\n; nothing\n[EVENTS]\n1=a/a/\n"));
  const auto empty = ReadStatDescriptions(dir / "d.ini");
  EXPECT_FALSE(empty.loaded);
  EXPECT_TRUE(empty.entries.empty());
  EXPECT_EQ(empty.message, "Секция статистики отсутствует или не заполнена");
}

TEST(EventDescriptionsTest, ClassesColumnTextAndShortLines) {
  TempDir dir;
  ASSERT_TRUE(testing::WriteCp1251File(dir / "d.ini",
                                       "[EVENTS]\n10=Пуск/i/0/Двигатель/9\n11=Перегрев/w/0/Датчик\n"
                                       "12=Авария/a/0\n13=Странное/W/0/x\nX1=Не код/a/0/y\n14=Без класса\n"));
  const auto list = ReadEventDescriptions(dir / "d.ini");
  ASSERT_TRUE(list.loaded);
  ASSERT_EQ(list.entries.size(), 5u) << "a key that is no decimal code describes nothing";
  EXPECT_EQ(list.entries[0].code, 10u);
  EXPECT_EQ(list.entries[0].text, "Пуск");
  EXPECT_EQ(list.entries[0].eventClass, kEventInformation);
  EXPECT_EQ(list.entries[0].columnText, "Двигатель");
  EXPECT_EQ(list.entries[1].eventClass, kEventWarning);
  EXPECT_EQ(list.entries[1].columnText, "Датчик") << "four parts carry the column text";
  EXPECT_EQ(list.entries[2].eventClass, kEventAlarm);
  EXPECT_EQ(list.entries[2].columnText, "") << "three parts: no column text";
  EXPECT_EQ(list.entries[3].eventClass, kEventAlarm) << "only the letters a, w and i are classes";
  EXPECT_EQ(list.entries[4].text, "Без класса");
  EXPECT_EQ(list.entries[4].eventClass, kEventAlarm);
}

TEST(EventDescriptionsTest, TheFirstLineOfARepeatedCodeWins) {
  TempDir dir;
  ASSERT_TRUE(testing::WriteCp1251File(dir / "d.ini", "[EVENTS]\n5=Первая/w/0/A\n6=Другая/i\n5=Вторая/a/0/B\n"));
  const auto list = ReadEventDescriptions(dir / "d.ini");
  const EventDescription* found = FindEventDescription(list.entries, 5);
  ASSERT_NE(found, nullptr);
  EXPECT_EQ(found->text, "Первая");
  EXPECT_EQ(FindEventDescription(list.entries, 7), nullptr);
}

TEST(EventDescriptionsTest, MissingFileOrSectionGivesItsMessage) {
  TempDir dir;
  EXPECT_EQ(ReadEventDescriptions(dir / "none.ini").message, "Файл ini для описания событий отсутствует");
  ASSERT_TRUE(testing::WriteCp1251File(dir / "d.ini", "[STAT]\nA=1/2/3/4\n"));
  const auto list = ReadEventDescriptions(dir / "d.ini");
  EXPECT_FALSE(list.loaded);
  EXPECT_EQ(list.message, "Секция событий отсутствует или не заполнена");
}

}  // namespace
}  // namespace quillon

// Record view: a record the scope wrote, opened in a new window with its rulers, its header saved
// back without touching the samples, exported as CSV; broken records and a cancelled choice.
#include <QPushButton>
#include <QScrollBar>
#include <QToolButton>
#include <fstream>

#include "app/scope/rec_property_dialog.h"
#include "app/widgets/scope_panel.h"
#include "modal_dialog.h"
#include "scope/record_file.h"
#include "scope_window_fixture.h"
#include "support/file_bytes.h"
#include "variables/special/time_mark.h"

namespace quillon::testing {
namespace {

std::string BinaryPart(const std::string& path) {
  const std::string text = FileBytes(path);
  const std::size_t at = text.find("[binarydata]\r\n");
  return at == std::string::npos ? std::string() : text.substr(at);
}

class RecordViewTest : public ScopeWindowTest {
 protected:
  // A record of the scope with two rulers 10 samples apart, written from a paused window.
  std::string RecordWithRulers(TLinkWindowFm*& scope) {
    StartSim({QStringLiteral("--move")});
    scope = Open(WriteScope("rec.scp", "MODBUS TCP", "RAM", {"r1", "r2"}));
    EXPECT_NE(scope, nullptr);
    if (scope == nullptr) return {};
    EXPECT_TRUE(MoreSamples(*scope, 600));
    scope->btStartStopClick();
    QTest::qWait(200);
    scope->findChild<QToolButton*>(QStringLiteral("btTimeRulers"))->click();
    const TViewList& list = scope->List();
    const int left = list.NameWidth + list.HexWidth + list.ValueWidth + list.UnitWidth;
    QTest::mouseClick(&scope->Scope(), Qt::LeftButton, {}, QPoint(left + 100, 30));
    QTest::mouseClick(&scope->Scope(), Qt::LeftButton, {}, QPoint(left + 110, 30));
    EXPECT_EQ(scope->Rulers().Count(), 2);
    scope->findChild<QToolButton*>(QStringLiteral("btRecord"))->click();
    return scope->LastRecordPath();
  }
};

TEST_F(RecordViewTest, TheWholeBufferWrittenWhilePollingIsOneMomentOldestFirst) {
  StartSim({QStringLiteral("--move")});
  TLinkWindowFm* scope = Open(WriteScope("live.scp", "QuBUS", "RAM", {"r1", "r2"}));
  ASSERT_NE(scope, nullptr);
  ASSERT_TRUE(MoreSamples(*scope, 300));
  scope->findChild<QToolButton*>(QStringLiteral("btRecord"))->click();
  ASSERT_TRUE(WaitUntil([&] { return !scope->LastRecordPath().empty(); }, 5000));
  ASSERT_TRUE(MoreSamples(*scope, 20)) << "polling goes on after the record";
  TViewList list;
  RecordHeader header;
  const int samples = OpenRecord(scope->LastRecordPath(), list, header);
  ASSERT_GE(samples, 300);
  const auto& times = dynamic_cast<const TTimeMark&>(list.Item(0));
  ASSERT_NE(times.TimeAt(0), DateTime{}) << "no never-filled slot leads the record";
  for (int i = 1; i < samples; ++i) ASSERT_LT(times.TimeAt(i - 1), times.TimeAt(i)) << i;

  // Viewed, scrolled back and its properties applied: the trend stays where the bar is.
  main->Scopes().OpenRecord(QString::fromStdString(scope->LastRecordPath()));
  TLinkWindowFm& view = *main->Scopes().Windows().back();
  ASSERT_TRUE(view.RecordView());
  auto* bar = view.findChild<QScrollBar*>(QStringLiteral("HRScroll"));
  ASSERT_NE(bar, nullptr);
  bar->setValue(100);
  ASSERT_EQ(view.List().Item(1).ScrollBack, 100);
  const auto applied = WhenModal<TfmRecProperty>(
      [](TfmRecProperty& dialog) { dialog.findChild<QPushButton*>(QStringLiteral("pnApply"))->click(); });
  view.WinPropMnClick();  // in a record view: the record's properties
  ASSERT_TRUE(*applied);
  EXPECT_EQ(bar->value(), 100);
  for (const auto& variable : view.List().Variables)
    EXPECT_EQ(variable->ScrollBack, 100) << variable->Definition().Name;
}

TEST_F(RecordViewTest, OpensWithItsRulersSavesOnlyTheHeaderAndBrokenCopiesAreRefused) {
  TLinkWindowFm* scope = nullptr;
  const std::string path = RecordWithRulers(scope);
  ASSERT_FALSE(path.empty());
  const QString interval = scope->StatusText(StatusPanel::Interval);
  ASSERT_FALSE(interval.isEmpty());

  main->Scopes().OpenRecord(QString::fromStdString(path));
  ASSERT_EQ(main->Scopes().Windows().size(), 2u);
  TLinkWindowFm& view = *main->Scopes().Windows().back();
  ASSERT_TRUE(view.RecordView());
  EXPECT_EQ(view.StatusText(StatusPanel::Port).toStdString(), "View Record");
  EXPECT_EQ(view.Rulers().Count(), 2);
  EXPECT_EQ(view.StatusText(StatusPanel::Interval), interval);
  EXPECT_FALSE(view.findChild<QToolButton*>(QStringLiteral("btRecord"))->isEnabled());
  EXPECT_FALSE(view.findChild<QToolButton*>(QStringLiteral("btStartStop"))->isEnabled());
  // The samples are the window's history, oldest first, ending with its newest sample.
  TView& recorded = *view.List().FindVariable("I");
  TView& live = *scope->List().FindVariable("I");
  // Only the samples the window took, the oldest first: no never-filled slot leads the record.
  // The value columns show the newest recorded sample, not the empty entry after it.
  ASSERT_GE(recorded.History.Head(), 599);
  ASSERT_LT(recorded.History.Head(), kHistoryLength - 2);
  const auto& times = dynamic_cast<const TTimeMark&>(view.List().Item(0));
  EXPECT_NE(times.TimeAt(0), DateTime{}) << "the first sample is a real one";
  for (int back = 0; back < 600; back += 37) {
    EXPECT_EQ(recorded.SampleAt(recorded.History.Head() - back), live.SampleAt(live.History.Head() - back)) << back;
  }
  EXPECT_EQ(recorded.HexTextAt(recorded.History.Head()), live.HexTextAt(live.History.Head()));

  // Reordered and saved: the display order changes, the samples stay byte for byte.
  const std::string before = BinaryPart(path);
  auto& variables = view.List().Variables;
  std::swap(variables[1], variables[2]);
  prompt.answer = true;
  view.SaveItMnClick();
  ASSERT_EQ(prompt.questions.size(), 1u);
  EXPECT_EQ(prompt.questions.front().second, "Сохранить изменения в осциллограмме\n" + path);
  EXPECT_EQ(BinaryPart(path), before);
  TViewList reread;
  RecordHeader header;
  ASSERT_GT(OpenRecord(path, reread, header), 0);
  ASSERT_EQ(reread.Count(), 3);
  EXPECT_EQ(reread.Item(1).Definition().Name, "Pos");
  EXPECT_EQ(reread.Item(2).Definition().Name, "I");

  // CSV beside the record: a header row and one row per sample.
  view.ExportRecordCsvClick();
  ASSERT_FALSE(view.LastExport().empty());
  std::ifstream csv(view.LastExport());
  std::string first;
  std::getline(csv, first);
  if (!first.empty() && first.back() == '\r') first.pop_back();
  EXPECT_EQ(first, "time;Pos;I");

  // The same record cut short or without its samples is refused with a message naming it.
  const std::string text = FileBytes(path);
  const std::string cut = paths.records + "cut.rec";
  const std::string noData = paths.records + "nodata.rec";
  {
    std::ofstream(cut, std::ios::binary) << text.substr(0, text.size() / 2);
    std::ofstream(noData, std::ios::binary) << text.substr(0, text.find("[binarydata]"));
  }
  for (const std::string& broken : {cut, noData}) {
    SCOPED_TRACE(broken);
    prompt.warnings.clear();
    TLinkWindowFm* window = main->Scopes().Create();
    EXPECT_FALSE(window->OpenRecFile(broken));
    ASSERT_EQ(prompt.warnings.size(), 1u);
    EXPECT_NE(prompt.warnings.front().second.find(broken), std::string::npos) << prompt.warnings.front().second;
    EXPECT_FALSE(window->RecordView());
    window->close();
  }
}

TEST_F(RecordViewTest, CancelledChoiceClosesAWindowWithoutFile) {
  main = StartWithCatalogue();
  QPointer<TLinkWindowFm> window = main->Scopes().Create();
  window->ChooseFile = [](const QString&, const std::string&, const QString&, bool) { return std::string(); };
  window->OpenRecViewerMnClick();
  ASSERT_TRUE(WaitUntil([&] { return window.isNull(); }));
  EXPECT_TRUE(main->Scopes().Windows().empty());
}

}  // namespace
}  // namespace quillon::testing

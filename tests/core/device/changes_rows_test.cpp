// The rows the changes viewer shows for what is about to be saved.
#include "device/changes_rows.h"

#include "device/device_save.h"
#include "device_fixture.h"

namespace quillon::testing {
namespace {

using ChangesRowsTest = DeviceTest;

TEST_F(ChangesRowsTest, AFieldClearedByTheEngineerIsListedAsAChangeToNothing) {
  const DeviceChanges changes = CollectChanges(parameters, "", "");
  const std::vector<ChangesRow> rows = ChangesViewerRows(changes.rows);
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0][0], "Изменённый параметр");
  EXPECT_EQ(rows[1], (ChangesRow{"Место установки", "Стенд", ""}));
  EXPECT_EQ(rows[2], (ChangesRow{"Механизм", "Привод", ""}));

  // A field filled in where it was empty, and a line ending in "/" after its three parts.
  EXPECT_EQ(ChangesViewerRows({"Механизм//Насос", "a/1/2/"}),
            (std::vector<ChangesRow>{{"a", "1", "2"}, {"Механизм", "", "Насос"}}));
  EXPECT_TRUE(ChangesViewerRows({"short/", "/"}).empty()) << "fewer than three parts";
}

}  // namespace
}  // namespace quillon::testing

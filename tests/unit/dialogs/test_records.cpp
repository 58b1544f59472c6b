// Object pools and the handles of tile records.
#include <gtest/gtest.h>

#include <vector>

#include "dialogs/dialog_records.h"

namespace {

TEST(ObjectPools, FirstBatchesAndTheTenthPopGrowsByFive) {
  InitObjectPools();
  const int batches[kObjectClasses] = {10, 5, 1, 2, 3, 16, 4};
  for (int c = 0; c < kObjectClasses; ++c) EXPECT_EQ(pool_filled(c), batches[c]) << c;
  for (int i = 0; i < 9; ++i) PopObject(kTileClass);
  EXPECT_EQ(pool_filled(kTileClass), 10);
  PopObject(kTileClass);
  EXPECT_EQ(pool_filled(kTileClass), 15);
  EXPECT_EQ(pool_live(kTileClass), 10);
  // The slider class (first batch 4) grows at its fourth pop.
  for (int i = 0; i < 4; ++i) PopObject(kSliderClass);
  EXPECT_EQ(pool_filled(kSliderClass), 9);
}

TEST(ObjectPools, PoppedRecordsAreZeroedAndDoubleFreesRefused) {
  InitObjectPools();
  const int a = PopObject(kEditClass);
  edit_extra(a).kept = "secret";
  edit_extra(a).password = '*';
  EXPECT_TRUE(PushObject(kEditClass, a));
  EXPECT_FALSE(PushObject(kEditClass, a));  // already free
  EXPECT_FALSE(PushObject(kEditClass, 4000));
  EXPECT_FALSE(PushObject(kObjectClasses, a));
  const int b = PopObject(kEditClass);
  EXPECT_EQ(b, a);  // the last given back comes out first
  EXPECT_TRUE(edit_extra(b).kept.empty());
  EXPECT_EQ(edit_extra(b).password, 0);
  EXPECT_EQ(pool_live(kEditClass), 1);
}

TEST(ObjectPools, AClassHoldsAtMostItsCapacity) {
  InitObjectPools();
  std::vector<int> got;
  for (int i = 0; i < kPoolCapacity; ++i) got.push_back(PopObject(kClusterClass));
  EXPECT_GE(got.back(), 0);
  EXPECT_EQ(PopObject(kClusterClass), -1);
  EXPECT_EQ(pool_filled(kClusterClass), kPoolCapacity);
  EXPECT_TRUE(PushObject(kClusterClass, got[17]));
  EXPECT_EQ(PopObject(kClusterClass), got[17]);
}

TEST(TileHandles, StaleAfterFreeAndNeverZero) {
  InitObjectPools();
  const int i = PopObject(kTileClass);
  const std::uint32_t first = tile_at(i).handle;
  EXPECT_NE(first, 0u);
  EXPECT_EQ(find_tile(first), &tile_at(i));
  EXPECT_EQ(find_tile(0), nullptr);
  EXPECT_EQ(find_tile(first ^ 0x1000u), nullptr);  // another index
  PushObject(kTileClass, i);
  EXPECT_EQ(find_tile(first), nullptr);
  // The same record again: a new generation, the old handle still names nothing.
  const int j = PopObject(kTileClass);
  ASSERT_EQ(j, i);
  EXPECT_NE(tile_at(j).handle, first);
  EXPECT_EQ(find_tile(first), nullptr);
  EXPECT_EQ(find_tile(tile_at(j).handle), &tile_at(j));
  // Nor does an init make old handles good again.
  const std::uint32_t before_init = tile_at(j).handle;
  InitObjectPools();
  EXPECT_EQ(find_tile(before_init), nullptr);
  EXPECT_NE(tile_at(PopObject(kTileClass)).handle, before_init);
}

}  // namespace

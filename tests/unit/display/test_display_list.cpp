// Display-list pages: the entity encoding, continued polylines, page
// roll-over, erasing by colour 0 in both directions and with 32-bit
// coordinates, the freeing rules, the refresh list and the statistics.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "base/config_record.h"
#include "base/utilities.h"
#include "display/display_list.h"
#include "display/redraw.h"
#include "display/viewports.h"
#include "display/wrappers.h"
#include "kovagl/offscreen.h"
#include "support/saved_config.h"

namespace {

class DisplayList : public ::testing::Test {
 protected:
  static constexpr int kIndex = 3;
  SavedConfig saved_config;
  int saved_width = 0;
  KglContext *ctx = nullptr;

  void SetUp() override {
    saved_width = do_32bit_regen;
    // The erase path draws the erased segment: give it somewhere to draw.
    ctx = kgl_offscreen_create(64, 64);
    kgl_offscreen_make_current(ctx);
    use_width(0, 4096);
    cfr.word(kWordDisplayList) = 1;
    DuringRegen = 0;
    erase = 0;
    ecount = 0;
  }
  void TearDown() override {
    drop_all_pages();
    do_32bit_regen = saved_width;
    init_display_list(4096);
    kgl_offscreen_destroy(ctx);
  }

  // A fresh list of this coordinate width and page size, every old page gone.
  static void use_width(int big, int page_size) {
    drop_all_pages();
    do_32bit_regen = big;
    init_display_list(page_size);
  }
  // A change of page size drops every page of every viewport.
  static void drop_all_pages() {
    init_display_list(alloc_size == 8192 ? 4096 : 8192);
  }

  static ViewportRecord &vp() { return vp_info[kIndex]; }
  static int vector(int x1, int y1, int x2, int y2, int colour) {
    dlcolor = static_cast<std::int16_t>(colour);
    dl1[0] = static_cast<std::uint16_t>(x1);
    dl1[1] = static_cast<std::uint16_t>(y1);
    dl2[0] = static_cast<std::uint16_t>(x2);
    dl2[1] = static_cast<std::uint16_t>(y2);
    return AppendVector(kIndex);
  }
  static int big_vector(int x1, int y1, int x2, int y2, int colour) {
    dlcolor = static_cast<std::int16_t>(colour);
    bl1[0] = x1;
    bl1[1] = y1;
    bl2[0] = x2;
    bl2[1] = y2;
    return AppendBigVector(kIndex);
  }
  // The words of the current page from byte 24 to the fill offset.
  static std::vector<std::uint32_t> current_words() {
    const DisplayListPage *page = vp().current_page;
    return std::vector<std::uint32_t>(page_word(page, 24), page_word(page, vp().fill_offset));
  }
  static int pages() {
    int n = 0;
    for (const DisplayListPage *p = vp().first_page; p != nullptr; p = p->next) ++n;
    return n;
  }
};

TEST_F(DisplayList, ConnectedVectorsOfOneColourBecomeOnePolyline) {
  ASSERT_TRUE(GetMemory(kIndex));
  vector(10, 10, 20, 20, 3);
  vector(20, 20, 30, 10, 3);
  vector(30, 10, 40, 40, 3);
  std::vector<std::uint32_t> w = current_words();
  ASSERT_EQ(w.size(), 6u);
  EXPECT_EQ(w[0], 0xC0030004u);
  EXPECT_EQ(w[1], 0x1u);  // all in cell (0, 0)
  EXPECT_EQ(w[2], 0x000A000Au);
  EXPECT_EQ(w[3], 0x00140014u);
  EXPECT_EQ(w[4], 0x001E000Au);
  EXPECT_EQ(w[5], 0x00280028u);
  EXPECT_EQ(vp().current_page->count, 3u);

  // Another colour, or another start point, starts a new entity.
  vector(40, 40, 50, 50, 4);
  vector(60, 60, 70, 70, 4);
  w = current_words();
  ASSERT_EQ(w.size(), 14u);
  EXPECT_EQ(w[6], 0xC0040002u);
  EXPECT_EQ(w[10], 0xC0040002u);
  // A polygon closes the open line.
  Polygon = PolygonBuffer{{1u << 16 | 1u, 5u << 16 | 1u, 5u << 16 | 5u}, 3, 4};
  AppendPolygon(kIndex);
  vector(70, 70, 80, 80, 4);
  w = current_words();
  EXPECT_EQ(w[14], 0x90040003u);
  EXPECT_EQ(w[19], 0xC0040002u);
  EXPECT_EQ(ecount, 7);
}

TEST_F(DisplayList, EachFurtherVertexOfAPolylineCostsFourBytes) {
  ASSERT_TRUE(GetMemory(kIndex));
  vector(0, 0, 10, 0, 1);
  const int after_first = vp().fill_offset;
  for (int i = 1; i <= 100; ++i) vector(10 * i, 0, 10 * i + 10, 0, 1);
  EXPECT_EQ(vp().fill_offset - after_first, 400);
  use_width(1, 4096);
  ASSERT_TRUE(GetMemory(kIndex));
  big_vector(0, 0, 10, 0, 1);
  const int big_first = vp().fill_offset;
  big_vector(10, 0, 20, 0, 1);
  EXPECT_EQ(vp().fill_offset - big_first, 8);
}

TEST_F(DisplayList, AVectorWithoutAPageGetsOne) {
  ASSERT_EQ(vp().fill_offset, 0);
  const int before = page_count;
  ASSERT_TRUE(vector(1, 2, 3, 4, 5));
  EXPECT_EQ(page_count, before + 1);
  ASSERT_NE(vp().first_page, nullptr);
  EXPECT_EQ(current_words().size(), 4u);
}

TEST_F(DisplayList, AFullPageIsClosedWithMinusOneAndTheNextVectorGoesToANewPage) {
  use_width(0, 1024);
  ASSERT_TRUE(GetMemory(kIndex));
  DisplayListPage *first = vp().current_page;
  int i = 0;
  while (vp().fill_offset < page_limit) vector(2 * i, 100, 2 * i, 200, 1), ++i;
  const int used = vp().fill_offset;
  vector(2 * i, 100, 2 * i, 200, 1);
  ASSERT_EQ(pages(), 2);
  EXPECT_EQ(first->used, static_cast<std::uint32_t>(used));
  EXPECT_EQ(*page_word(first, used), 0xFFFFFFFFu);
  EXPECT_EQ(first->next, vp().current_page);
  EXPECT_EQ(vp().current_page->prev, first);
  EXPECT_EQ(vp().fill_offset, 24 + 16);
  // The written words never pass the page's end.
  EXPECT_LE(used + 4, alloc_size);
}

// Pages come ready from a helper thread while a drawing grows: many of them,
// of one size and then of another, each filled to its own end only, every
// one counted while held and none once the list is gone.
TEST_F(DisplayList, ManyPagesOfTwoSizesAreEachFilledToTheirEndAndCounted) {
  const int held_before = alloc_count;
  for (const int size : {1024, 8192}) {
    use_width(0, size);
    ASSERT_EQ(alloc_count, held_before);
    for (int i = 0; i < 40000; ++i) ASSERT_TRUE(vector(i % 30000, 7, i % 30000 + 1, 9, 1 + i % 7));
    EXPECT_EQ(alloc_count - held_before, pages());
    for (const DisplayListPage *p = vp().first_page; p != vp().current_page; p = p->next)
      ASSERT_LE(static_cast<int>(p->used) + 4, alloc_size);
    EXPECT_EQ(current_words().back(), static_cast<std::uint32_t>(39999 % 30000 + 1) << 16 | 9);
  }
  use_width(0, 4096);
  EXPECT_EQ(alloc_count, held_before);
}

TEST_F(DisplayList, AVectorContinuingTheLastOneOfAFullPageStartsAnEntityInTheNext) {
  use_width(0, 1024);
  ASSERT_TRUE(GetMemory(kIndex));
  int x = 0;
  while (vp().fill_offset < page_limit) vector(x, 0, x + 1, 0, 1), ++x;
  ASSERT_EQ(pages(), 1);  // one polyline filled the page
  vector(x, 0, x + 1, 0, 1);
  ASSERT_EQ(pages(), 2);
  EXPECT_EQ(current_words(), (std::vector<std::uint32_t>{0xC0010002u, 0x1u, static_cast<std::uint32_t>(x) << 16,
                                                          static_cast<std::uint32_t>(x + 1) << 16}));
}

TEST_F(DisplayList, ALineOf65535VerticesIsClosed) {
  use_width(0, 1 << 20);
  ASSERT_TRUE(GetMemory(kIndex));
  for (int i = 0; i < 65534; ++i) vector(i % 30000, 0, (i + 1) % 30000, 0, 2);
  EXPECT_EQ(current_words()[0], 0xC002FFFFu);
  const int last = 65534 % 30000;
  vector(last, 0, last + 1, 0, 2);
  std::vector<std::uint32_t> w = current_words();
  EXPECT_EQ(w[2 + 65535], 0xC0020002u);
}

TEST_F(DisplayList, PolygonsTakeANewPageWhenTheyDoNotFit) {
  use_width(0, 1024);
  ASSERT_TRUE(GetMemory(kIndex));
  Polygon = PolygonBuffer{{}, 12, 6};
  for (int k = 0; k < 12; ++k) Polygon.vertex[k] = static_cast<std::uint32_t>(k) << 16 | 7u;
  while (pages() == 1) AppendPolygon(kIndex);
  EXPECT_LT(static_cast<int>(vp().first_page->used), page_limit);
  EXPECT_EQ(vp().fill_offset, 24 + 56);
  // No vector continues a polygon.
  EXPECT_EQ(static_cast<std::uint32_t>(vp().last_point), 0xFFFEFFFFu);
}

TEST_F(DisplayList, EntitiesOfTheOtherWidthAreStoredInTheWidthOfTheList) {
  // 16-bit list: a 32-bit vector and polygon become 16-bit entities, and
  // continue a 16-bit line; one outside 0..32767 is refused.
  ASSERT_TRUE(GetMemory(kIndex));
  vector(10, 10, 20, 20, 3);
  EXPECT_NE(big_vector(20, 20, 30, 10, 3), 0);
  Polygon32 = PolygonBuffer32{{{1, 2}, {300, 2}, {300, 400}}, 3, 4};
  EXPECT_NE(AppendBigPolygon(kIndex), 0);
  const std::vector<std::uint32_t> narrow{0xC0030003u, 0x1u,       0x000A000Au, 0x00140014u, 0x001E000Au,
                                          0x90040003u, 0x1u,       0x00010002u, 0x012C0002u, 0x012C0190u};
  EXPECT_EQ(current_words(), narrow);
  EXPECT_EQ(big_vector(-1, 0, 5, 5, 3), 0);
  EXPECT_EQ(big_vector(0, 0, 32768, 5, 3), 0);
  Polygon32.vertex[1][1] = -1;
  EXPECT_EQ(AppendBigPolygon(kIndex), 0);
  EXPECT_EQ(current_words(), narrow);

  // 32-bit list: 16-bit ones are widened.
  use_width(1, 4096);
  ASSERT_TRUE(GetMemory(kIndex));
  big_vector(10, 10, 20, 20, 3);
  vector(20, 20, 30, 10, 3);
  Polygon = PolygonBuffer{{1u << 16 | 2u, 300u << 16 | 2u, 300u << 16 | 400u}, 3, 4};
  AppendPolygon(kIndex);
  EXPECT_EQ(current_words(), (std::vector<std::uint32_t>{0xC0030003u, 0x1u, 10, 10, 20, 20, 30, 10, 0x90040003u,
                                                         0x1u, 1, 2, 300, 2, 300, 400}));
}

TEST_F(DisplayList, AColourZeroVectorErasesTheStoredSegmentEitherWayRound) {
  cfr.word(kWordDisplayList) = 2;
  ASSERT_TRUE(GetMemory(kIndex));
  vector(10, 10, 20, 20, 3);
  vector(20, 20, 30, 30, 3);
  // The first colour-0 vector after an erase of the list is stored.
  vector(500, 500, 600, 600, 0);
  EXPECT_EQ(erase, 1);
  const std::size_t size = current_words().size();

  vector(30, 30, 20, 20, 0);  // reversed
  std::vector<std::uint32_t> w = current_words();
  ASSERT_EQ(w.size(), size);  // nothing stored
  EXPECT_EQ(w[0], 0xC0030003u | kEntityErasedSegments);
  EXPECT_EQ(w[4], 0x001E001Eu | kErased16);
  EXPECT_EQ(w[3] & kErased16, 0u);
  EXPECT_EQ(vp().current_page->erased, 1u);

  vector(10, 10, 20, 20, 0);  // as stored
  w = current_words();
  EXPECT_EQ(w[3], 0x00140014u | kErased16);
  EXPECT_EQ(vp().current_page->erased, 2u);
  // The same segment cannot be erased twice; the unmatched vector stores nothing.
  vector(10, 10, 20, 20, 0);
  EXPECT_EQ(vp().current_page->erased, 2u);
  EXPECT_EQ(current_words().size(), size);
  EXPECT_EQ(ecount, 3 - 3);
}

TEST_F(DisplayList, OutsideEraseModeColourZeroVectorsAreStored) {
  cfr.word(kWordDisplayList) = 1;
  ASSERT_TRUE(GetMemory(kIndex));
  vector(10, 10, 20, 20, 3);
  vector(500, 500, 600, 600, 0);
  vector(10, 10, 20, 20, 0);
  EXPECT_EQ(current_words().size(), 12u);
  EXPECT_EQ(vp().current_page->erased, 0u);
}

TEST_F(DisplayList, ErasingAPolygonMarksItsSecondVertex) {
  cfr.word(kWordDisplayList) = 2;
  ASSERT_TRUE(GetMemory(kIndex));
  Polygon = PolygonBuffer{{1u << 16 | 1u, 50u << 16 | 1u, 50u << 16 | 50u}, 3, 5};
  AppendPolygon(kIndex);
  Polygon.colour = 0;
  AppendPolygon(kIndex);  // the first colour-0 polygon is stored
  Polygon.vertex[2] = 40u << 16 | 40u;
  AppendPolygon(kIndex);  // matches nothing
  Polygon.vertex[2] = 50u << 16 | 50u;
  Polygon.colour = 0;
  AppendPolygon(kIndex);
  std::vector<std::uint32_t> w = current_words();
  EXPECT_EQ(w[3], (50u << 16 | 1u) | kErased16);
  EXPECT_EQ(vp().current_page->erased, 1u);
}

TEST_F(DisplayList, ThirtyTwoBitErasesWalkByVertexCountsPastNegativeCoordinates) {
  use_width(1, 4096);
  cfr.word(kWordDisplayList) = 2;
  ASSERT_TRUE(GetMemory(kIndex));
  // Negative coordinates have bit 31 set: they must neither end the walk nor
  // pass for erased marks.
  big_vector(-100, -5, -200, -7, 3);
  big_vector(-200, -7, 300, -9, 3);
  big_vector(1000, 2000, 3000, 4000, 4);
  big_vector(9, 9, 99, 99, 0);
  big_vector(3000, 4000, 1000, 2000, 0);
  std::vector<std::uint32_t> w = current_words();
  // Entity 1: header, mask, 3 vertices of two words.
  ASSERT_EQ(w[0], 0xC0030003u);
  EXPECT_EQ(w[8], 0xC0040002u | kEntityErasedSegments);
  EXPECT_EQ(w[13] & kErased32, kErased32);
  // The negative segment erases like any other, and nothing else was marked.
  big_vector(-200, -7, -100, -5, 0);
  w = current_words();
  EXPECT_EQ(w[5] & kErased32, kErased32);
  EXPECT_EQ(decode_y32(w[5]), -7);
  EXPECT_EQ(w[7] & kErased32, 0u);
  EXPECT_EQ(vp().current_page->erased, 2u);
}

TEST_F(DisplayList, AWhollyErasedMiddlePageIsFreedButTheFirstAndCurrentPagesStay) {
  use_width(0, 1024);
  cfr.word(kWordDisplayList) = 2;
  ASSERT_TRUE(GetMemory(kIndex));
  const int per_page = (page_limit - 24 + 15) / 16;
  const int total = per_page * 2 + 5;
  for (int i = 0; i < total; ++i) vector(2 * i, 100, 2 * i, 200, 1);
  ASSERT_EQ(pages(), 3);
  const int count_before = page_count;
  DisplayListPage *first = vp().first_page, *middle = first->next, *last = middle->next;
  vector(9000, 9000, 9001, 9001, 0);  // the stored first colour-0 vector
  for (int i = per_page; i < 2 * per_page; ++i) vector(2 * i, 100, 2 * i, 200, 0);
  EXPECT_EQ(pages(), 2);
  EXPECT_EQ(page_count, count_before - 1);
  EXPECT_EQ(first->next, last);
  EXPECT_EQ(last->prev, first);
  EXPECT_EQ(vp().erase_page, last);

  // Everything of the first page erased: it stays as the first page.
  for (int i = 0; i < per_page; ++i) vector(2 * i, 100, 2 * i, 200, 0);
  EXPECT_EQ(pages(), 1);  // a first page with a next page gives way to it
  EXPECT_EQ(vp().first_page, last);
  EXPECT_EQ(last->prev, nullptr);

  // The current page (now also the first) stays whatever is erased in it.
  for (int i = 2 * per_page; i < total; ++i) vector(2 * i, 100, 2 * i, 200, 0);
  vector(9000, 9000, 9001, 9001, 0);
  EXPECT_EQ(pages(), 1);
  EXPECT_EQ(vp().current_page, last);
}

TEST_F(DisplayList, ErasingTheListKeepsAnEmptyFirstPageAndClearsItsCounts) {
  use_width(0, 1024);
  cfr.word(kWordDisplayList) = 2;
  ASSERT_TRUE(GetMemory(kIndex));
  vector(10, 10, 20, 20, 3);
  vector(500, 500, 600, 600, 0);
  vector(10, 10, 20, 20, 0);
  for (int i = 0; i < 200; ++i) vector(2 * i, 100, 2 * i, 200, 1);
  ASSERT_GT(pages(), 2);
  DisplayListPage *first = vp().first_page;
  EXPECT_EQ(first->erased, 1u);
  EraseDisplayList(kIndex);
  EXPECT_EQ(pages(), 1);
  EXPECT_EQ(vp().first_page, first);
  EXPECT_EQ(vp().current_page, first);
  EXPECT_EQ(vp().fill_offset, 24);
  EXPECT_EQ(first->count, 0u);
  EXPECT_EQ(first->erased, 0u);
  EXPECT_EQ(first->mask, 0u);
  EXPECT_EQ(erase, 0);
  EXPECT_EQ(page_count, 1);
  // After an erase the first colour-0 vector is stored again.
  vector(10, 10, 20, 20, 0);
  EXPECT_EQ(current_words().size(), 4u);
}

TEST_F(DisplayList, IndicesOutsideTheTableAreRefused) {
  EXPECT_EQ(GetMemory(65), 0);
  EXPECT_EQ(GetMemory(-1), 0);
  EXPECT_EQ(AppendVector(65), 0);
  EraseDisplayList(65);
  EraseRefreshDisplayList(-3);
  AppendRefreshVector(0, 0, 1, 1, 1, 0, 70);
}

TEST_F(DisplayList, StartingAListFreesEveryPageOfEveryViewport) {
  // What a session before left (pages of several viewports, the graphics
  // area's, refresh pages) is given back, whatever the page size.
  const int blocks = alloc_count;
  for (int index : {0, kIndex, 64}) {
    for (int i = 0; i < 600; ++i) {
      dlcolor = 1;
      dl1[0] = dl1[1] = static_cast<std::uint16_t>(i);
      dl2[0] = dl2[1] = static_cast<std::uint16_t>(i + 7);
      AppendVector(index);
    }
    AppendRefreshVector(1, 1, 2, 2, 1, 0, index);
  }
  ASSERT_GT(page_count, 3);
  for (int size : {4096, 32768}) {
    init_display_list(size);
    EXPECT_EQ(alloc_count, blocks);
    EXPECT_EQ(page_count, 0);
    EXPECT_EQ(rpage_count, 0);
    EXPECT_EQ(vp().fill_offset, 0);
    EXPECT_EQ(vp().first_page, nullptr);
    EXPECT_EQ(vp().refresh_fill, 0);
    vector(1, 1, 2, 2, 1);
  }
  EXPECT_EQ(page_limit, 32768 - 40);
  init_display_list(12);  // not a page size
  EXPECT_EQ(alloc_size, 4096);
}

TEST_F(DisplayList, RefreshRecordsAndTheirPages) {
  use_width(0, 1024);
  AppendRefreshVector(10, -20, 30, 40, 5, 1, kIndex);
  AppendRefreshVector(1, 2, 3, 4, -1, 0, kIndex);
  const DisplayListPage *page = vp().refresh_first;
  ASSERT_NE(page, nullptr);
  const std::uint32_t *r = page_word(page, 24);
  EXPECT_EQ(r[0], (0x2000u + 0x800 + 5) << 16 | kIndex << 8 | 5);
  EXPECT_EQ(r[1], 10u << 16 | 0xFFECu);
  EXPECT_EQ(r[2], 30u << 16 | 40u);
  EXPECT_EQ(r[3] >> 16, 0x2000u + 0x1000 + 5);
  EXPECT_EQ(vp().refresh_fill, 24 + 24);
  EXPECT_EQ(RefreshRecordSize(r[0] >> 16), 12);

  Polygon = PolygonBuffer{{1u << 16 | 2u, 3u << 16 | 4u, 5u << 16 | 6u}, 3, 9};
  AppendRefreshPolygon(0, kIndex);
  EXPECT_EQ(page_word(page, 48)[0], (0x4000u + 3) << 16 | kIndex << 8 | 9);
  EXPECT_EQ(RefreshRecordSize(0x4003), 16);
  EXPECT_EQ(RefreshRecordSize(0x4000), 0);  // no vertices: not a record
  EXPECT_EQ(RefreshRecordSize(0x0123), 0);

  // Filling past the limit closes the page with -1.
  while (vp().refresh_current == page) AppendRefreshVector(1, 1, 2, 2, 1, 0, kIndex);
  EXPECT_EQ(*page_word(page, static_cast<int>(page->used)), 0xFFFFFFFFu);
  EXPECT_EQ(rpage_count, 2);
  EraseRefreshDisplayList(kIndex);
  EXPECT_EQ(vp().refresh_first, nullptr);
  EXPECT_EQ(vp().refresh_fill, 0);
  EXPECT_EQ(rpage_count, 0);
  EXPECT_EQ(rentity_count, 0);

  // Points go to viewport 0 in the exclusive-or colour.
  cfr.word(kWordColourXor) = 7;
  AppendRefreshPoint(3, 4);
  EXPECT_EQ(page_word(vp_info[0].refresh_first, 24)[0], 0x9003u << 16 | 7u);
  EraseRefreshDisplayList(0);

  // With 32-bit coordinates the vector record holds four words.
  use_width(1, 1024);
  AppendRefreshVector(-100000, 2, 300000, 4, 5, 0, kIndex);
  r = page_word(vp().refresh_first, 24);
  EXPECT_EQ(static_cast<std::int32_t>(r[1]), -100000);
  EXPECT_EQ(static_cast<std::int32_t>(r[3]), 300000);
  EXPECT_EQ(vp().refresh_fill, 24 + 20);
  EraseRefreshDisplayList(kIndex);
}

TEST_F(DisplayList, StatisticsCountTheEntitiesOfTheOpenViewports) {
  ASSERT_TRUE(GetMemory(kIndex));
  vector(0, 0, 10, 10, 1);  // a vector
  vector(100, 0, 110, 10, 2);
  vector(110, 10, 120, 0, 2);
  vector(120, 0, 130, 10, 2);  // a polyline of three segments
  Polygon = PolygonBuffer{{1u << 16 | 1u, 5u << 16 | 1u, 5u << 16 | 5u}, 3, 4};
  AppendPolygon(kIndex);
  EXPECT_EQ(list_statistics().total, 1 + 3);
  init_display_list(4096);
  page_count = 3;
  do_32bit_regen = 0;
  EXPECT_STREQ(dlist_kbytes(), "3 pages of 16-bit Display List memory allocated (12kB)");
  page_count = 1;
}

}  // namespace

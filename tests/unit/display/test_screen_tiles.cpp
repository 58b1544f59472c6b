// Screen tiles: the cell masks of segments, polygons and rectangles, and that
// a mask covers every cell its segment passes through and no other place.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

#include "display/display_list.h"
#include "display/screen_tiles.h"

namespace {

std::uint32_t cell_bit(int cx, int cy) { return tile_mask_table[cx + 8 * cy]; }

// The OR of the cells of the box of two cells.
std::uint32_t box_of_cells(int cx1, int cy1, int cx2, int cy2) {
  std::uint32_t mask = 0;
  for (int y = std::min(cy1, cy2); y <= std::max(cy1, cy2); ++y)
    for (int x = std::min(cx1, cx2); x <= std::max(cx1, cx2); ++x) mask |= cell_bit(x, y);
  return mask;
}

// floor(a / b) for b > 0.
std::int64_t floor_div(std::int64_t a, std::int64_t b) { return a / b - (a % b != 0 && a < 0); }

// The cells a 16-bit segment passes through, found by visiting points along
// it far closer together than a cell (exact points, floored to their cell).
std::uint32_t sampled_cells(int x1, int y1, int x2, int y2) {
  std::uint32_t mask = 0;
  constexpr int kSteps = 512;
  for (int i = 0; i <= kSteps; ++i) {
    const std::int64_t cx = floor_div(std::int64_t{x1} * kSteps + std::int64_t{x2 - x1} * i, kSteps * 4096);
    const std::int64_t cy = floor_div(std::int64_t{y1} * kSteps + std::int64_t{y2 - y1} * i, kSteps * 4096);
    mask |= cell_bit(static_cast<int>(cx), static_cast<int>(cy));
  }
  return mask;
}

class ScreenTiles : public ::testing::Test {
 protected:
  int saved_width = 0;
  void SetUp() override { saved_width = do_32bit_regen; }
  void TearDown() override { do_32bit_regen = saved_width; }
};

TEST_F(ScreenTiles, TheTableUsesThirtyOneBitsAndNeverTheHeaderBit) {
  std::uint32_t all = 0;
  for (std::uint32_t bit : tile_mask_table) {
    EXPECT_EQ(bit & (bit - 1), 0u) << "one bit a cell";
    all |= bit;
  }
  EXPECT_EQ(all, kAllTiles);
  EXPECT_EQ(all & kEntityHeader, 0u);
}

TEST_F(ScreenTiles, SegmentsOfOneCellRowOrColumn) {
  EXPECT_EQ(VectorTileMask(0, 0, 100, 100), 0x1u);
  EXPECT_EQ(VectorTileMask(0, 0, 32767, 0), 0x7u);
  EXPECT_EQ(VectorTileMask(32767, 0, 0, 0), 0x7u);
  // Column 7 from the bottom row to the top row.
  EXPECT_EQ(VectorTileMask(32767, 0, 32767, 32767), box_of_cells(7, 0, 7, 7));
}

TEST_F(ScreenTiles, DiagonalSegmentsTakeTheNeighboursTheyPassThrough) {
  // Exactly through the cell corners: the diagonal cells.
  const std::uint32_t diagonal = VectorTileMask(0, 0, 32767, 32767);
  for (int c = 0; c < 8; ++c) EXPECT_TRUE(diagonal & cell_bit(c, c)) << c;
  // A little below and a little above it: the neighbours on either side.
  const std::uint32_t below = VectorTileMask(1000, 0, 32767, 31767);
  const std::uint32_t above = VectorTileMask(0, 1000, 31767, 32767);
  for (int c = 0; c < 7; ++c) {
    EXPECT_TRUE(below & cell_bit(c + 1, c)) << c;
    EXPECT_TRUE(above & cell_bit(c, c + 1)) << c;
  }
}

// For every pair of cells and segments between their corners and centres: the
// mask holds every cell the segment passes through, lies inside the box of
// the two cells (so nothing outside the grid was read), and is the same both
// ways round.
TEST_F(ScreenTiles, EveryCellPairCoversItsCrossingsAndStaysInItsBox) {
  const int starts[] = {0, 2048, 4095}, ends[] = {0, 4095};
  for (int c1 = 0; c1 < 64; ++c1) {
    for (int c2 = 0; c2 < 64; ++c2) {
      const int cx1 = c1 % 8, cy1 = c1 / 8, cx2 = c2 % 8, cy2 = c2 / 8;
      const std::uint32_t box = box_of_cells(cx1, cy1, cx2, cy2);
      for (int ox1 : starts)
        for (int oy1 : starts)
          for (int ox2 : ends)
            for (int oy2 : ends) {
              const int x1 = cx1 * 4096 + ox1, y1 = cy1 * 4096 + oy1;
              const int x2 = cx2 * 4096 + ox2, y2 = cy2 * 4096 + oy2;
              const std::uint32_t mask = VectorTileMask(x1, y1, x2, y2);
              const std::uint32_t crossed = sampled_cells(x1, y1, x2, y2);
              ASSERT_EQ(mask & crossed, crossed) << x1 << "," << y1 << " - " << x2 << "," << y2;
              ASSERT_EQ(mask & ~box, 0u) << x1 << "," << y1 << " - " << x2 << "," << y2;
              ASSERT_EQ(VectorTileMask(x2, y2, x1, y1), mask);
            }
    }
  }
}

// The cells of a segment inside the grid, from what a mask means: column c,
// from the segment's first column to its last, holds the rows of the
// segment's points with x in [max(x1, c S), min(x2, (c + 1) S)], with
// y(x) = y1 + (x - x1) dy / dx exact (a vertical segment: its rows).
std::uint32_t cells_crossed(std::int64_t x1, std::int64_t y1, std::int64_t x2, std::int64_t y2, int shift) {
  if (x2 < x1 || (x2 == x1 && y2 < y1)) {
    std::swap(x1, x2);
    std::swap(y1, y2);
  }
  const std::int64_t S = std::int64_t{1} << shift, dx = x2 - x1, dy = y2 - y1;
  auto row = [&](std::int64_t x) { return dx == 0 ? floor_div(y1, S) : floor_div(y1 * dx + (x - x1) * dy, dx * S); };
  std::uint32_t mask = 0;
  for (std::int64_t c = floor_div(x1, S); c <= floor_div(x2, S); ++c) {
    const std::int64_t ra = row(std::max(x1, c * S)), rb = dx == 0 ? floor_div(y2, S) : row(std::min(x2, (c + 1) * S));
    for (std::int64_t r = std::min(ra, rb); r <= std::max(ra, rb); ++r)
      mask |= cell_bit(static_cast<int>(c), static_cast<int>(r));
  }
  return mask;
}

// A coordinate of the grid 0 .. 8 S - 1: anywhere, or on a cell edge or a
// unit or two either side of one, where rounding would show.
std::int64_t grid_coordinate(std::mt19937 &rng, int shift) {
  const std::int64_t S = std::int64_t{1} << shift;
  if (rng() % 2) return std::uniform_int_distribution<std::int64_t>(0, 8 * S - 1)(rng);
  const std::int64_t edge = S * std::uniform_int_distribution<std::int64_t>(0, 8)(rng);
  return std::clamp<std::int64_t>(edge + std::uniform_int_distribution<std::int64_t>(-2, 2)(rng), 0, 8 * S - 1);
}

// Random segments of the 16-bit and 32-bit grids, short ones (within a block
// of 2 x 2 cells) most often, with ends on and beside the cell edges.
TEST_F(ScreenTiles, RandomSegmentsTakeExactlyTheCellsTheyCross) {
  std::mt19937 rng(5);
  // The 16-bit segments packed as a display list holds them, both ways
  // round, for the masks of many at once; and the cells they cross.
  std::vector<std::uint32_t> packed, crossed;
  for (int shift : {kTileShift16, kTileShift32}) {
    const std::int64_t S = std::int64_t{1} << shift;
    for (int i = 0; i < 100000; ++i) {
      const std::int64_t x1 = grid_coordinate(rng, shift), y1 = grid_coordinate(rng, shift);
      std::int64_t x2, y2;
      if (i % 4 != 0) {
        std::uniform_int_distribution<std::int64_t> step(-S, S);
        x2 = std::clamp<std::int64_t>(x1 + step(rng), 0, 8 * S - 1);
        y2 = std::clamp<std::int64_t>(y1 + step(rng), 0, 8 * S - 1);
      } else {
        x2 = grid_coordinate(rng, shift);
        y2 = grid_coordinate(rng, shift);
      }
      const std::uint32_t want = cells_crossed(x1, y1, x2, y2, shift);
      const int a = static_cast<int>(x1), b = static_cast<int>(y1), c = static_cast<int>(x2), d = static_cast<int>(y2);
      if (shift == kTileShift16) {
        ASSERT_EQ(VectorTileMask(a, b, c, d), want) << a << "," << b << " - " << c << "," << d;
        ASSERT_EQ(VectorTileMask(c, d, a, b), want) << c << "," << d << " - " << a << "," << b;
        const std::uint32_t p = static_cast<std::uint32_t>(a) << 16 | static_cast<std::uint32_t>(b);
        const std::uint32_t q = static_cast<std::uint32_t>(c) << 16 | static_cast<std::uint32_t>(d);
        packed.insert(packed.end(), {p, q, q, p});
        crossed.insert(crossed.end(), {want, want});
      } else {
        ASSERT_EQ(BigVectorTileMask(a, b, c, d), want) << a << "," << b << " - " << c << "," << d;
        ASSERT_EQ(BigVectorTileMask(c, d, a, b), want) << c << "," << d << " - " << a << "," << b;
      }
    }
  }
  // One short of a multiple of four: the last ones on their own.
  const int n = static_cast<int>(crossed.size()) - 1;
  std::vector<std::uint32_t> masks(static_cast<std::size_t>(n));
  PackedVectorTileMasks(packed.data(), masks.data(), n);
  for (int i = 0; i < n; ++i)
    ASSERT_EQ(masks[i], crossed[i]) << std::hex << packed[2 * i] << " - " << packed[2 * i + 1];
}

TEST_F(ScreenTiles, BigCoordinatesOutsideTheGridCountInTheBorderCells) {
  // 2^20 units a cell. A segment far left of the grid at cell row 3 counts in
  // column 0 of that row.
  EXPECT_EQ(BigVectorTileMask(-50000000, 3 << 20, -40000000, 3 << 20), cell_bit(0, 3));
  // Across the whole grid and beyond at both ends: the whole middle row.
  EXPECT_EQ(BigVectorTileMask(INT32_MIN, 4 << 20, INT32_MAX, 4 << 20), box_of_cells(0, 4, 7, 4));
  // Extreme diagonals stay inside the grid and cover both corners.
  const std::uint32_t mask = BigVectorTileMask(INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX);
  EXPECT_EQ(mask & ~kAllTiles, 0u);
  EXPECT_TRUE(mask & cell_bit(0, 0));
  EXPECT_TRUE(mask & cell_bit(7, 7));
  // A segment entering the grid through its left edge: the cells inside it
  // are covered as for a segment starting at the edge.
  const std::int32_t s = 1 << 20;
  const std::uint32_t entering = BigVectorTileMask(-8 * s, 0, 8 * s - 1, 8 * s - 1);
  EXPECT_TRUE(entering & cell_bit(0, 4));
  EXPECT_TRUE(entering & cell_bit(7, 7));
  EXPECT_EQ(entering & cell_bit(7, 0), 0u);
}

TEST_F(ScreenTiles, PolygonMasksAreTheCellsOfTheBoundingBox) {
  Polygon.count = 3;
  Polygon.vertex[0] = 100u << 16 | 100u;
  Polygon.vertex[1] = 9000u << 16 | 200u;
  // The erased mark (bit 15) is not part of the coordinate.
  Polygon.vertex[2] = 5000u << 16 | (13000u | kErased16);
  EXPECT_EQ(PolygonTileMask(), box_of_cells(0, 0, 2, 3));
  Polygon.count = 0;
  EXPECT_EQ(PolygonTileMask(), 0u);

  Polygon32.count = 2;
  Polygon32.vertex[0][0] = 5 << 20;
  Polygon32.vertex[0][1] = 6 << 20;
  Polygon32.vertex[1][0] = 7 << 20;
  Polygon32.vertex[1][1] = -1;
  EXPECT_EQ(BigPolygonTileMask(), box_of_cells(5, 0, 7, 6));
}

TEST_F(ScreenTiles, ViewExtentsUseThePolygonBufferOfTheWidthInForce) {
  do_32bit_regen = 0;
  EXPECT_EQ(SetViewExtents(0, 0, 32767, 32767), static_cast<int>(kAllTiles));
  EXPECT_EQ(Polygon.count, 2);
  EXPECT_EQ(SetViewExtents(4096, 4096, 8192, 8192), static_cast<int>(box_of_cells(1, 1, 2, 2)));
  // Corners outside the 16-bit range are held to the grid.
  EXPECT_EQ(SetViewExtents(-100, -100, 40000, 2000), static_cast<int>(box_of_cells(0, 0, 7, 0)));

  do_32bit_regen = 1;
  EXPECT_EQ(SetViewExtents(0, 0, (8 << 20) - 1, (8 << 20) - 1), static_cast<int>(kAllTiles));
  EXPECT_EQ(Polygon32.count, 2);
  EXPECT_EQ(SetViewExtents(3 << 20, 3 << 20, (3 << 20) + 5, (3 << 20) + 5), static_cast<int>(cell_bit(3, 3)));
}

}  // namespace

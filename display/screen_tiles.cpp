// Screen tiles: the cell masks of segments, polygons and rectangles.
#include "display/screen_tiles.h"

#include <algorithm>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "display/display_list.h"

namespace {

// The masks of every run of cells along a column and along a row, so that a
// walk takes one look-up a column.
struct RunMasks {
  std::uint32_t column[kTileCells][kTileCells][kTileCells];  // [cx][first row][last row]
  std::uint32_t row[kTileCells][kTileCells][kTileCells];     // [cy][first column][last column]
};

constexpr RunMasks make_run_masks() {
  RunMasks m{};
  for (int line = 0; line < kTileCells; ++line)
    for (int a = 0; a < kTileCells; ++a)
      for (int b = 0; b < kTileCells; ++b)
        for (int i = a < b ? a : b, last = a < b ? b : a; i <= last; ++i) {
          m.column[line][a][b] |= tile_mask_table[line + kTileCells * i];
          m.row[line][a][b] |= tile_mask_table[i + kTileCells * line];
        }
  return m;
}
constexpr RunMasks run_masks = make_run_masks();

// The cells of column cx from row r1 to row r2, and of row cy from column c1
// to column c2 (either order).
inline std::uint32_t column_mask(int cx, int r1, int r2) { return run_masks.column[cx][r1][r2]; }
inline std::uint32_t row_mask(int cy, int c1, int c2) { return run_masks.row[cy][c1][c2]; }

// The cell of a coordinate, held to the grid.
inline int cell_of(std::int64_t c, int shift) {
  const std::int64_t cell = c >> shift;  // arithmetic: negative coordinates go below 0
  return cell < 0 ? 0 : cell >= kTileCells ? kTileCells - 1 : static_cast<int>(cell);
}

// floor(a / b) for b > 0.
template <typename T>
inline T floor_div(T a, T b) {
  T q = a / b;
  if (a % b != 0 && a < 0) --q;
  return q;
}

// The cells of the box of cells cx1..cx2, cy1..cy2.
std::uint32_t box_mask(int cx1, int cy1, int cx2, int cy2) {
  if (cy2 < cy1) std::swap(cy1, cy2);
  std::uint32_t mask = 0;
  for (int cy = cy1; cy <= cy2; ++cy) mask |= row_mask(cy, cx1, cx2);
  return mask;
}

// The walk of a segment from cell (cx1, cy1) to cell (cx2, cy2), cx1 <= cx2,
// column by column: in column c it runs from its row at the column's left
// edge to its row at the right edge. row_at(c) is its row at the left edge
// of column c.
template <typename RowAt>
inline std::uint32_t walk_cells(int cx1, int cy1, int cx2, int cy2, RowAt row_at) {
  if (cx1 == cx2) return column_mask(cx1, cy1, cy2);
  if (cy1 == cy2) return row_mask(cy1, cx1, cx2);
  std::uint32_t mask = 0;
  int row = cy1;
  for (int c = cx1; c < cx2; ++c) {
    const int next = row_at(c + 1);
    mask |= column_mask(c, row, next);
    row = next;
  }
  return mask | column_mask(cx2, row, cy2);
}

constexpr std::int64_t kSmall = std::int64_t{1} << 31;

// The row of the segment's point at x = X: floor(y(X) / cell size), where
// y(X) = y1 + (X - x1) dy / dx, dx > 0. floor(floor(v) / S) = floor(v / S),
// so the division by dx can come first. Exact; 128 bits only for coordinates
// far outside any viewport's range.
int row_at(std::int64_t X, std::int64_t x1, std::int64_t y1, std::int64_t dx, std::int64_t dy, int shift) {
  const std::int64_t run = X - x1;
  std::int64_t y;
  if (run < kSmall && run > -kSmall && dy < kSmall && dy > -kSmall) {
    y = y1 + floor_div<std::int64_t>(run * dy, dx);
  } else {
    const __int128 q = floor_div<__int128>(static_cast<__int128>(run) * dy, dx) + y1;
    y = q > INT64_MAX / 2 ? INT64_MAX / 2 : q < INT64_MIN / 2 ? INT64_MIN / 2 : static_cast<std::int64_t>(q);
  }
  return cell_of(y, shift);
}

}  // namespace

std::uint32_t TileWalk(std::int64_t x1, std::int64_t y1, std::int64_t x2, std::int64_t y2, int shift) {
  // One order for both directions, so that a segment and its reverse share a
  // mask (the erase search relies on it).
  if (x2 < x1 || (x2 == x1 && y2 < y1)) {
    std::swap(x1, x2);
    std::swap(y1, y2);
  }
  const std::int64_t dx = x2 - x1, dy = y2 - y1;
  return walk_cells(cell_of(x1, shift), cell_of(y1, shift), cell_of(x2, shift), cell_of(y2, shift),
                    [&](int c) { return row_at(static_cast<std::int64_t>(c) << shift, x1, y1, dx, dy, shift); });
}

void PackedVectorTileMasks(const std::uint32_t *ends, std::uint32_t *masks, int n) {
  int i = 0;
#if defined(__SSE2__)
  // Four segments a turn, one a lane, as near_segment_mask takes them; a
  // segment whose ends lie further apart than neighbouring cells is walked
  // on its own.
  const __m128i zero = _mm_setzero_si128(), one = _mm_set1_epi32(1), low16 = _mm_set1_epi32(0xFFFF);
  const __m128i two = _mm_set1_epi32(2), minus_two = _mm_set1_epi32(-2), eight = _mm_set1_epi32(8);
  for (; i + 4 <= n; i += 4) {
    const __m128 a = _mm_loadu_ps(reinterpret_cast<const float *>(ends + 2 * i));
    const __m128 b = _mm_loadu_ps(reinterpret_cast<const float *>(ends + 2 * i + 4));
    const __m128i start = _mm_castps_si128(_mm_shuffle_ps(a, b, _MM_SHUFFLE(2, 0, 2, 0)));
    const __m128i end = _mm_castps_si128(_mm_shuffle_ps(a, b, _MM_SHUFFLE(3, 1, 3, 1)));
    const __m128i x1 = _mm_srli_epi32(start, 16), y1 = _mm_and_si128(start, low16);
    const __m128i x2 = _mm_srli_epi32(end, 16), y2 = _mm_and_si128(end, low16);
    const __m128i cx1 = _mm_srli_epi32(x1, kTileShift16), cy1 = _mm_srli_epi32(y1, kTileShift16);
    // The end's cell as a step from the start's, -1..1 each way where near.
    const __m128i step_x = _mm_sub_epi32(_mm_srli_epi32(x2, kTileShift16), cx1);
    const __m128i step_y = _mm_sub_epi32(_mm_srli_epi32(y2, kTileShift16), cy1);
    const __m128i near = _mm_and_si128(
        _mm_and_si128(_mm_cmpgt_epi32(step_x, minus_two), _mm_cmplt_epi32(step_x, two)),
        _mm_and_si128(_mm_cmpgt_epi32(step_y, minus_two), _mm_cmplt_epi32(step_y, two)));
    // The corner: the larger column and row of the two cells (a step of 1
    // adds 1: the comparisons give -1).
    const __m128i corner_x = _mm_slli_epi32(_mm_sub_epi32(cx1, _mm_cmpgt_epi32(step_x, zero)), kTileShift16);
    const __m128i corner_y = _mm_slli_epi32(_mm_sub_epi32(cy1, _mm_cmpgt_epi32(step_y, zero)), kTileShift16);
    // dx (corner_y - y1) - dy (corner_x - x1) in one multiply-add of the
    // 16-bit halves; every factor fits 16 bits, the sum 31.
    const __m128i dx = _mm_sub_epi32(x2, x1), dy = _mm_sub_epi32(y2, y1);
    const __m128i p = _mm_or_si128(_mm_and_si128(dx, low16), _mm_slli_epi32(_mm_sub_epi32(zero, dy), 16));
    const __m128i q = _mm_or_si128(_mm_and_si128(_mm_sub_epi32(corner_y, y1), low16),
                                   _mm_slli_epi32(_mm_sub_epi32(corner_x, x1), 16));
    const __m128i cross = _mm_madd_epi16(p, q);
    // Above where (dx > 0 ? cross : -cross) <= 0.
    const __m128i flip = _mm_cmpgt_epi32(one, dx);
    const __m128i side = _mm_sub_epi32(_mm_xor_si128(cross, flip), flip);
    const __m128i above = _mm_add_epi32(_mm_cmpgt_epi32(side, zero), one);
    // [cell][3 (step_x + 1) + step_y + 1][above] of near_tile_masks.
    const __m128i cell = _mm_add_epi32(cx1, _mm_slli_epi32(cy1, 3));
    const __m128i at = _mm_add_epi32(
        _mm_add_epi32(_mm_add_epi32(_mm_slli_epi32(cell, 4), _mm_slli_epi32(cell, 1)),
                      _mm_add_epi32(_mm_slli_epi32(step_x, 2), _mm_slli_epi32(step_x, 1))),
        _mm_add_epi32(_mm_add_epi32(_mm_slli_epi32(step_y, 1), eight), above));
    alignas(16) std::int32_t place[4];
    _mm_store_si128(reinterpret_cast<__m128i *>(place), at);
    const int lanes_near = _mm_movemask_ps(_mm_castsi128_ps(near));
    const std::uint32_t *table = &near_tile_masks.mask[0][0][0];
    for (int k = 0; k < 4; ++k)
      masks[i + k] = lanes_near >> k & 1 ? table[place[k]] : PackedVectorTileMask(ends[2 * (i + k)], ends[2 * (i + k) + 1]);
  }
#endif
  for (; i < n; ++i) masks[i] = PackedVectorTileMask(ends[2 * i], ends[2 * i + 1]);
}

std::uint32_t PolygonTileMask() {
  const int n = std::clamp(Polygon.count, 0, kPolygonMax);
  if (n == 0) return 0;
  int xlo = 0x7FFF, ylo = 0x7FFF, xhi = 0, yhi = 0;
  for (int i = 0; i < n; ++i) {
    const int x = static_cast<int>(Polygon.vertex[i] >> 16) & 0x7FFF, y = static_cast<int>(Polygon.vertex[i]) & 0x7FFF;
    xlo = std::min(xlo, x);
    xhi = std::max(xhi, x);
    ylo = std::min(ylo, y);
    yhi = std::max(yhi, y);
  }
  return box_mask(xlo >> kTileShift16, ylo >> kTileShift16, xhi >> kTileShift16, yhi >> kTileShift16);
}

std::uint32_t BigPolygonTileMask() {
  const int n = std::clamp(Polygon32.count, 0, kPolygonMax);
  if (n == 0) return 0;
  std::int32_t xlo = Polygon32.vertex[0][0], xhi = xlo, ylo = Polygon32.vertex[0][1], yhi = ylo;
  for (int i = 1; i < n; ++i) {
    xlo = std::min(xlo, Polygon32.vertex[i][0]);
    xhi = std::max(xhi, Polygon32.vertex[i][0]);
    ylo = std::min(ylo, Polygon32.vertex[i][1]);
    yhi = std::max(yhi, Polygon32.vertex[i][1]);
  }
  return box_mask(cell_of(xlo, kTileShift32), cell_of(ylo, kTileShift32), cell_of(xhi, kTileShift32),
                  cell_of(yhi, kTileShift32));
}

int SetViewExtents(int x1, int y1, int x2, int y2) {
  if (do_32bit_regen) {
    Polygon32.vertex[0][0] = x1;
    Polygon32.vertex[0][1] = y1;
    Polygon32.vertex[1][0] = x2;
    Polygon32.vertex[1][1] = y2;
    Polygon32.count = 2;
    return static_cast<int>(BigPolygonTileMask());
  }
  // 16-bit coordinates: a corner outside 0..32767 is held to the grid.
  auto c16 = [](int v) { return static_cast<std::uint32_t>(std::clamp(v, 0, 0x7FFF)); };
  Polygon.vertex[0] = c16(x1) << 16 | c16(y1);
  Polygon.vertex[1] = c16(x2) << 16 | c16(y2);
  Polygon.count = 2;
  return static_cast<int>(PolygonTileMask());
}

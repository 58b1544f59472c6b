// Screen tiles: the 31-bit masks of the screen regions a primitive may touch.
//
// The coordinate space of a viewport is cut into 8 x 8 cells (4096 units a
// cell with 16-bit coordinates, 2^20 with 32-bit ones); tile_mask_table maps
// each cell to one bit, finer in the centre than at the border. Every
// display-list entity and page carries the OR of the bits of the cells it
// touches, so that a repaint of part of the screen skips what lies elsewhere.
// Bit 31 is never used: it marks entity headers.
#pragma once

#include <cstdint>

inline constexpr int kTileCells = 8;        // cells along each axis
inline constexpr int kTileShift16 = 12;     // cell of a 16-bit coordinate: c >> 12
inline constexpr int kTileShift32 = 20;     // cell of a 32-bit coordinate: c >> 20
inline constexpr std::uint32_t kAllTiles = 0x7FFFFFFF;

// Indexed by cell x + 8 x cell y.
inline constexpr std::uint32_t tile_mask_table[kTileCells * kTileCells] = {
    // cell y 0
    0x1, 0x1, 0x2, 0x2, 0x2, 0x2, 0x4, 0x4,
    // 1
    0x1, 0x1, 0x8, 0x8, 0x10, 0x10, 0x4, 0x4,
    // 2
    0x20, 0x40, 0x80, 0x100, 0x200, 0x400, 0x800, 0x1000,
    // 3
    0x20, 0x40, 0x2000, 0x4000, 0x8000, 0x10000, 0x800, 0x1000,
    // 4
    0x20, 0x20000, 0x40000, 0x80000, 0x100000, 0x200000, 0x400000, 0x1000,
    // 5
    0x20, 0x20000, 0x800000, 0x1000000, 0x2000000, 0x4000000, 0x400000, 0x1000,
    // 6
    0x8000000, 0x8000000, 0x10000000, 0x10000000, 0x20000000, 0x20000000, 0x40000000, 0x40000000,
    // 7
    0x8000000, 0x8000000, 0x10000000, 0x10000000, 0x20000000, 0x20000000, 0x40000000, 0x40000000,
};
// The masks of a segment whose ends lie in the same or neighbouring cells,
// indexed [start cell][3 x (column step + 1) + row step + 1][above]: the
// cells of both ends and, where columns and rows both differ, the cell it
// crosses on the way (above: the one on the upper side of the corner the four
// cells share). Steps that leave the grid have no entry.
struct NearTileMasks {
  std::uint32_t mask[kTileCells * kTileCells][9][2];
};
alignas(64) inline constexpr NearTileMasks near_tile_masks = [] {
  NearTileMasks t{};
  for (int cx1 = 0; cx1 < kTileCells; ++cx1)
    for (int cy1 = 0; cy1 < kTileCells; ++cy1)
      for (int sx = -1; sx <= 1; ++sx)
        for (int sy = -1; sy <= 1; ++sy) {
          const int cx2 = cx1 + sx, cy2 = cy1 + sy;
          if (cx2 < 0 || cx2 >= kTileCells || cy2 < 0 || cy2 >= kTileCells) continue;
          const bool rising = cy2 > cy1;
          const int upper = rising ? cx1 + kTileCells * cy2 : cx2 + kTileCells * cy1;
          const int lower = rising ? cx2 + kTileCells * cy1 : cx1 + kTileCells * cy2;
          for (int above = 0; above < 2; ++above)
            t.mask[cx1 + kTileCells * cy1][3 * (sx + 1) + sy + 1][above] =
                tile_mask_table[cx1 + kTileCells * cy1] | tile_mask_table[cx2 + kTileCells * cy2] |
                tile_mask_table[above ? upper : lower];
        }
  return t;
}();

// The mask of every cell the segment (x1, y1)-(x2, y2) passes through, for
// coordinates whose cells are c >> shift. Points outside the grid count in the
// nearest border cell, so no cell outside the grid is ever looked at.
std::uint32_t TileWalk(std::int64_t x1, std::int64_t y1, std::int64_t x2, std::int64_t y2, int shift);

// TileWalk without branches for the common case: a segment inside the grid
// whose ends lie in the same or neighbouring cells each way (every segment
// shorter than a cell). It takes the cells of both ends and a third: where
// columns and rows both differ, the segment passes the corner C the four
// cells share above or below, and crosses the upper or the lower of the two
// other cells; through C itself it counts as above. (Where the columns or the
// rows are equal, either cell is an end cell.) Which side is the sign of the
// cross product of the segment with C, taken left to right. Inline: every
// stored vector takes it.
//
// near_segment_mask is that case for a segment whose start lies in cell
// (cx1, cy1) and whose end lies sx - 1 columns and sy - 1 rows from it (sx,
// sy 0..2); T holds the cross product exactly (int for 16-bit coordinates).
template <int Shift, typename T>
inline std::uint32_t near_segment_mask(T x1, T y1, T x2, T y2, int cx1, int cy1, unsigned sx, unsigned sy) {
  const int cx2 = cx1 + static_cast<int>(sx) - 1, cy2 = cy1 + static_cast<int>(sy) - 1;
  const T corner_x = T{cx1 > cx2 ? cx1 : cx2} << Shift;
  const T corner_y = T{cy1 > cy2 ? cy1 : cy2} << Shift;
  const T dx = x2 - x1, dy = y2 - y1;
  const T cross = dx * (corner_y - y1) - dy * (corner_x - x1);
  const bool above = (dx > 0 ? cross : -cross) <= 0;
  return near_tile_masks.mask[cx1 + kTileCells * cy1][3 * sx + sy][above];
}

template <int Shift>
inline std::uint32_t segment_tile_mask(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2) {
  const int cx1 = x1 >> Shift, cy1 = y1 >> Shift, cx2 = x2 >> Shift, cy2 = y2 >> Shift;
  const bool in_grid = ((x1 | y1 | x2 | y2) & ~((kTileCells << Shift) - 1)) == 0;
  const unsigned sx = static_cast<unsigned>(cx2 - cx1 + 1), sy = static_cast<unsigned>(cy2 - cy1 + 1);
  if (in_grid & (sx <= 2) & (sy <= 2))
    return near_segment_mask<Shift, std::int64_t>(x1, y1, x2, y2, cx1, cy1, sx, sy);
  return TileWalk(x1, y1, x2, y2, Shift);
}

// The mask of a segment with 16-bit (0..32767) and with 32-bit coordinates.
inline std::uint32_t VectorTileMask(int x1, int y1, int x2, int y2) {
  return segment_tile_mask<kTileShift16>(x1, y1, x2, y2);
}
// The mask of a segment between two 16-bit points packed as a display list
// holds them, x << 16 | y (each 0..32767, so inside the grid).
inline std::uint32_t PackedVectorTileMask(std::uint32_t start, std::uint32_t end) {
  const int x1 = static_cast<int>(start >> 16), y1 = static_cast<int>(start & 0xFFFF);
  const int x2 = static_cast<int>(end >> 16), y2 = static_cast<int>(end & 0xFFFF);
  const int cx1 = x1 >> kTileShift16, cy1 = y1 >> kTileShift16;
  const unsigned sx = static_cast<unsigned>((x2 >> kTileShift16) - cx1 + 1);
  const unsigned sy = static_cast<unsigned>((y2 >> kTileShift16) - cy1 + 1);
  if ((sx <= 2) & (sy <= 2)) return near_segment_mask<kTileShift16, int>(x1, y1, x2, y2, cx1, cy1, sx, sy);
  return TileWalk(x1, y1, x2, y2, kTileShift16);
}
// PackedVectorTileMask of n segments at once: masks[i] of the segment from
// ends[2i] to ends[2i + 1].
void PackedVectorTileMasks(const std::uint32_t *ends, std::uint32_t *masks, int n);
inline std::uint32_t BigVectorTileMask(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2) {
  return segment_tile_mask<kTileShift32>(x1, y1, x2, y2);
}

// The mask of the bounding box of the polygon in Polygon (Polygon32).
std::uint32_t PolygonTileMask();
std::uint32_t BigPolygonTileMask();
// The mask of the rectangle (x1, y1)-(x2, y2) in viewport coordinates of the
// width in force. The rectangle goes into the polygon buffer of that width as
// a polygon of 2 vertices: its previous contents are lost.
int SetViewExtents(int x1, int y1, int x2, int y2);

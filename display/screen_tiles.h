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
extern const std::uint32_t tile_mask_table[kTileCells * kTileCells];

// The mask of every cell the segment (x1, y1)-(x2, y2) passes through, for
// coordinates whose cells are c >> shift. Points outside the grid count in the
// nearest border cell, so no cell outside the grid is ever looked at.
std::uint32_t TileWalk(std::int64_t x1, std::int64_t y1, std::int64_t x2, std::int64_t y2, int shift);

// The mask of a segment with 16-bit (0..32767) and with 32-bit coordinates.
std::uint32_t VectorTileMask(int x1, int y1, int x2, int y2);
std::uint32_t BigVectorTileMask(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2);
// The mask of the bounding box of the polygon in Polygon (Polygon32).
std::uint32_t PolygonTileMask();
std::uint32_t BigPolygonTileMask();
// The mask of the rectangle (x1, y1)-(x2, y2) in viewport coordinates of the
// width in force. The rectangle goes into the polygon buffer of that width as
// a polygon of 2 vertices: its previous contents are lost.
int SetViewExtents(int x1, int y1, int x2, int y2);

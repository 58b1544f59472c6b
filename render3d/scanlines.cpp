// The rendering client's polygons and scan lines.
//
// A polygon of more than 10 vertices comes in several packets, gathered in
// one accumulator of 16 vertices; vertices beyond those are refused.
//
// At a depth of 8 bits the client draws colour indices (scan lines, flat
// polygons and the clear). Each such pixel shows its index's DisplayMap
// colour and keeps the index in the top byte of the library pixel, which the
// screen does not show: index + 1, so that the 255 every other pixel carries
// there stands for index 254. A pixel reads back as the index it keeps while
// it shows that index's colour, and otherwise (something else drew there) as
// the lowest index of its colour. When the colour map changes,
// RecolourIndexPixels gives the pixels of every index whose colour changed
// their new colour: on the screen, in the viewports' pixel blocks and in the
// stored image. At 24 and 32 bits no pixel keeps an index.
//
// Client pixels against library pixels (bytes from the most significant:
// alpha, blue, green, red): 24-bit b0 b1 b2 is written as 255 b0 b1 b2 and
// read back as b0 b1 b2; 32-bit b0 b1 b2 b3 is written as b3 b0 b1 b2 and read
// back as b0 b1 b2 255.
#include "render3d/scanlines.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include "base/config_record.h"
#include "base/packet.h"
#include "base/session.h"
#include "base/utilities.h"
#include "display/colour_tables.h"
#include "display/viewports.h"
#include "display/wrappers.h"
#include "render3d/rendering.h"

PolygonAccumulator rd_polygon;

namespace {

// Packet flags of the polygons and scan lines.
enum : int {
  kMorePackets = 1,     // polygons: 10 vertices here, more packets follow
  kLastPacket = 2,      // polygons: the last of several packets
  kShadePerVertex = 16, // rdcpoly: a shade for each vertex
  kEdgeBit0 = 6,        // polygons: visibility of this packet's vertex j in bit 6 + j
  kLineDraw = 2,        // scan lines: draw the line repeated, or read
  kLineStore = 4,       // scan lines: keep it in the viewport's block and draw it, or read
};

// Field offsets of the two polygon packets.
struct PolygonFields {
  std::size_t count, x, y;
};
constexpr PolygonFields kFlatFields{14, 16, 36};
constexpr PolygonFields kShadedFields{72, 74, 94};

Uint32 line[kScanLinePixels];   // one scan line, library pixels

// A colour channel (0..1) as c3f makes it a byte: times 255, half up, held to
// 0..255 (a value that is not a number gives 0).
Uint32 channel_byte(float v) {
  if (!(v > 0.0f)) return 0;
  if (v >= 1.0f) return 255;
  return static_cast<Uint32>(static_cast<double>(v * 255.0f) + 0.5);
}

// The library pixel colour index i is drawn in.
Uint32 index_pixel(int index) {
  const float *rgb = DisplayMap[index & 0xFF];
  return 0xFF000000u | channel_byte(rgb[0]) | channel_byte(rgb[1]) << 8 | channel_byte(rgb[2]) << 16;
}

// The lowest index drawn in the pixel's colour, 0 when none is; pixels are
// library pixels of the indices.
int lowest_index_of(const Uint32 *pixels, Uint32 pixel) {
  const Uint32 c = pixel & 0xFFFFFFu;
  for (int i = 0; i < kColourCount; ++i)
    if ((pixels[i] & 0xFFFFFFu) == c) return i;
  return 0;
}

// ---- colour indices at 8 bits -------------------------------------------------------

constexpr int kTagShift = 24;
// The index whose top byte every other pixel carries.
constexpr int kSharedIndex = 254;

struct Area {
  int x0, y0, x1, y1;   // window pixels, inclusive; empty when x0 > x1
  void add(int ax0, int ay0, int ax1, int ay1) {
    if (x0 > x1) {
      *this = {ax0, ay0, ax1, ay1};
      return;
    }
    x0 = std::min(x0, ax0), y0 = std::min(y0, ay0), x1 = std::max(x1, ax1), y1 = std::max(y1, ay1);
  }
};

// The indices drawn at 8 bits, the pixel each index was last drawn or
// recoloured in (under the colour map kept with them), and where the shared
// index was drawn: only there are the pixels of its colour recoloured with it.
struct IndexPixels {
  bool any;
  bool drawn[kColourCount];
  Uint32 shown[kColourCount];
  bool known;                         // shown and map are set
  float map[kColourCount][4];
  Area shared{0, 0, -1, -1};
};
IndexPixels index_pixels;

// The library pixel of index i at 8 bits: its colour, and the index in the
// top byte.
Uint32 tagged_pixel(int i) {
  return static_cast<Uint32>((i + 1) & 0xFF) << kTagShift | (index_pixel(i) & 0xFFFFFFu);
}

// The index a library pixel keeps: its own while it shows that index's
// colour, else the lowest index of its colour.
int index_kept(const Uint32 *pixels, Uint32 pixel) {
  const int i = static_cast<int>((pixel >> kTagShift) + 0xFF) & 0xFF;
  return pixels[i] == pixel ? i : lowest_index_of(pixels, pixel);
}

// Replaces, in a block of w x h pixels whose first lies at window pixel
// (bx, by), each pixel inside the area equal to from[v >> 24] with
// to[v >> 24], as kgl_recolour_by_top_byte does in the planes.
void recolour_block(Uint32 *p, int bx, int by, long long w, long long h, const Area &a, const Uint32 *from,
                    const Uint32 *to) {
  const long long x0 = std::max<long long>(a.x0 - bx, 0), x1 = std::min<long long>(a.x1 - bx, w - 1);
  const long long y0 = std::max<long long>(a.y0 - by, 0), y1 = std::min<long long>(a.y1 - by, h - 1);
  for (long long y = y0; y <= y1; ++y) {
    Uint32 *row = p + y * w;
    for (long long x = x0; x <= x1; ++x)
      if (row[x] == from[row[x] >> kTagShift]) row[x] = to[row[x] >> kTagShift];
  }
}

// The pixels of every index under the present colour map, what was drawn in
// an index whose colour changed recoloured first.
const Uint32 *present_index_pixels();

// Marks index i drawn and answers its pixel.
Uint32 draw_index(const Uint32 *pixels, int i) {
  index_pixels.any = true;
  index_pixels.drawn[i] = true;
  return pixels[i];
}

// Draws what follows in colour index i (a pixel that keeps it at 8 bits),
// within the area given.
void index_colour(int i, const Area &area) {
  if (RenderDepth() != 8 || draw_mode != KGL_NORMALDRAW) {
    MyColor(i);
    return;
  }
  i &= 0xFF;
  if (i == kSharedIndex) index_pixels.shared.add(area.x0, area.y0, area.x1, area.y1);
  cpack(draw_index(present_index_pixels(), i));
}

// Takes a packet's vertices (and, through shade_of, their shades) into the
// accumulator. Answers how many vertices to draw: 0 while more packets are to
// come, and when the count is below 1 or below what was gathered. Every
// packet that ends a polygon leaves the accumulator empty.
template <typename ShadeOf>
int gather(const Packet &p, const PolygonFields &f, ShadeOf shade_of) {
  const int flags = p.u16(8);
  const int count = p.i16(f.count);
  PolygonAccumulator &a = rd_polygon;
  a.count = count;
  int taken;
  if (flags & kMorePackets) {
    taken = kPacketVertices;
  } else if (flags & kLastPacket) {
    taken = count - a.gathered;
  } else {
    a.gathered = 0;
    taken = count;
  }
  taken = std::clamp(taken, 0, kPacketVertices);
  const int first = a.gathered;
  for (int j = 0; j < taken && first + j < kPolygonVertices; ++j) {
    const int k = first + j;
    a.xy[k][0] = p.i16(f.x + 2 * static_cast<std::size_t>(j));
    a.xy[k][1] = p.i16(f.y + 2 * static_cast<std::size_t>(j));
    a.edge[k] = (flags >> (kEdgeBit0 + j)) & 1;
    a.shade[k] = shade_of(j);
  }
  if (flags & kMorePackets) {
    // A count is 16 bits: more gathered than that can only be refused.
    a.gathered = std::min(first + kPacketVertices, 0x8000);
    return 0;
  }
  a.gathered = 0;
  a.count = 0;
  if (count < 1 || count < first) return 0;
  return std::min({count, first + taken, kPolygonVertices});
}

void vertex(int i) { v2i(rd_polygon.xy[i]); }

void line_between(int i, int k) {
  const PolygonAccumulator &a = rd_polygon;
  MyLine(a.xy[i][0], a.xy[i][1], a.xy[k][0], a.xy[k][1]);
}

void filled(int n) {
  bgnpolygon();
  for (int i = 0; i < n; ++i) vertex(i);
  endpolygon();
}

// rdpoly: fill and edges in colour indices.
void draw_flat(int n, int fill, int edge) {
  SelectRenderingArea();
  // Around the vertices, with room for the rendering matrix's rounding.
  Area area{0, 0, -1, -1};
  for (int i = 0; i < n; ++i) {
    const Int32 *v = rd_polygon.xy[i];
    area.add(v[0] - 2, v[1] - 2, v[0] + 2, v[1] + 2);
  }
  if (n == 1) {
    index_colour(edge, area);
    MyPoint(rd_polygon.xy[0][0], rd_polygon.xy[0][1]);
  } else if (n == 2) {
    index_colour(edge, area);
    line_between(0, 1);
  } else if (fill == edge) {
    index_colour(fill, area);
    filled(n);
    bgnline();
    for (int i = 0; i < n; ++i) vertex(i);
    vertex(0);
    endline();
  } else {
    index_colour(fill, area);
    filled(n);
    index_colour(edge, area);
    for (int i = 0; i + 1 < n; ++i)
      if (rd_polygon.edge[i]) line_between(i, i + 1);
  }
  new_image = 1;
}

// rdcpoly: each vertex in its shade of the colour.
void draw_shaded(int n) {
  PolygonAccumulator &a = rd_polygon;
  for (int i = 0; i < n; ++i)
    for (int c = 0; c < 3; ++c) a.colour[i][c] = a.shade[i] * a.fill[c];
  SelectRenderingArea();
  if (n == 1) {
    c3f(a.colour[0]);
    MyPoint(a.xy[0][0], a.xy[0][1]);
  } else if (n == 2) {
    bgnline();
    for (int i = 0; i < 2; ++i) {
      c3f(a.colour[i]);
      vertex(i);
    }
    endline();
  } else {
    bgnpolygon();
    for (int i = 0; i < n; ++i) {
      c3f(a.colour[i]);
      vertex(i);
    }
    endpolygon();
    for (int i = 0; i + 1 < n; ++i) {
      if (!a.edge[i]) continue;
      c3f(a.colour[i]);
      line_between(i, i + 1);
    }
  }
  new_image = 1;
}

// Full drawing sessions give scan lines 3 rows above where they go, outside
// a rendering.
int scan_line_y(int y) {
  return (Pkinit.field[kPkinitFlags] & kInitFullSession) && !in_rendering ? y - 3 : y;
}

// The size each viewport's block was made for.
struct BlockMade {
  const Uint32 *block;
  long long width, height;
};
BlockMade block_made[kViewportCount];

// The viewport's pixel block, made (all zero) when it has none; null when it
// cannot be had. Its rows are the rectangle's width of 32-bit pixels. A block
// made for another rectangle (the viewport was opened again at another size)
// is made anew.
Uint32 *viewport_block(int index) {
  ViewportRecord &vp = vp_info[index];
  BlockMade &made = block_made[index];
  const long long width = static_cast<long long>(vp.x2) - vp.x1 + 1, height = static_cast<long long>(vp.y2) - vp.y1 + 1;
  if (vp.saved_pixels != nullptr) {
    if (vp.saved_pixels == made.block && made.width == width && made.height == height) return vp.saved_pixels;
    free_saved_pixels(index);
  }
  if (width < 1 || height < 1 || width > xsize || height > ysize) return nullptr;
  const std::size_t bytes = static_cast<std::size_t>(width * height) * sizeof(Uint32);
  vp.saved_pixels = static_cast<Uint32 *>(MyMalloc(bytes));
  if (vp.saved_pixels != nullptr) std::memset(vp.saved_pixels, 0, bytes);
  made = {vp.saved_pixels, width, height};
  return vp.saved_pixels;
}

// Recolours by the tables what lies in the area: on the screen, in the
// viewports' pixel blocks and in the stored image.
void recolour_index_pixels(const Area &area, const Uint32 *from, const Uint32 *to) {
  if (area.x0 > area.x1) return;
  kgl_recolour_by_top_byte(area.x0, area.y0, area.x1, area.y1, from, to);
  for (int v = 0; v < kViewportCount; ++v) {
    const BlockMade &made = block_made[v];
    const ViewportRecord &vp = vp_info[v];
    if (made.block != nullptr && made.block == vp.saved_pixels)
      recolour_block(vp.saved_pixels, vp.x1, vp.y1, made.width, made.height, area, from, to);
  }
  if (RenderLocation != nullptr) recolour_block(RenderLocation, 0, 0, RenderedWidth, RenderedHeight, area, from, to);
}

const Uint32 *present_index_pixels() {
  IndexPixels &k = index_pixels;
  if (k.known && std::memcmp(k.map, DisplayMap, sizeof k.map) == 0) return k.shown;
  std::memcpy(k.map, DisplayMap, sizeof k.map);
  k.known = true;
  // Tables by top byte; the shared index's apart, for its own area.
  Uint32 from[kColourCount], to[kColourCount], shared_from[kColourCount], shared_to[kColourCount];
  for (int t = 0; t < kColourCount; ++t)
    from[t] = to[t] = shared_from[t] = shared_to[t] = static_cast<Uint32>(t) << kTagShift;
  bool changed = false, shared_changed = false;
  for (int i = 0; i < kColourCount; ++i) {
    const Uint32 now = tagged_pixel(i), t = now >> kTagShift;
    if (k.drawn[i] && now != k.shown[i]) {
      if (i == kSharedIndex) {
        shared_from[t] = k.shown[i], shared_to[t] = now;
        shared_changed = true;
      } else {
        from[t] = k.shown[i], to[t] = now;
        changed = true;
      }
    }
    k.shown[i] = now;
  }
  if (changed) recolour_index_pixels({INT_MIN / 2, INT_MIN / 2, INT_MAX / 2, INT_MAX / 2}, from, to);
  if (shared_changed) recolour_index_pixels(k.shared, shared_from, shared_to);
  return k.shown;
}

// Client pixels of 3 or 4 bytes as library pixels. Each pixel but the last
// is read as one big-endian word of its first four bytes, d[0] most
// significant (for 3 bytes the fourth is the next pixel's first); the
// pointers never overlap.
template <int kBytes>
void full_colour_pixels(const std::uint8_t *__restrict d, Uint32 *__restrict out, int n) {
  int i = 0;
  for (; i + 1 < n; ++i, d += kBytes) {
    const Uint32 word = load_be32(d);
    out[i] = (kBytes == 4 ? word << 24 : 0xFF000000u) | word >> 8;
  }
  if (i < n) out[i] = (kBytes == 4 ? Uint32{d[3]} << 24 : 0xFF000000u) | Uint32{d[0]} << 16 | Uint32{d[1]} << 8 | d[2];
}

// The packet's pixel data as library pixels in line: answers the count.
int convert_scan_line(const Packet &p) {
  const std::size_t room = p.size() > 18 ? p.size() - 18 : 0;
  const std::size_t bytes = std::min<std::size_t>(p.u16(16), room);
  const std::uint8_t *d = p.bytes() + 18;
  switch (RenderDepth()) {
    case 24: {
      const int n = static_cast<int>(std::min<std::size_t>(bytes / 3, kScanLinePixels));
      full_colour_pixels<3>(d, line, n);
      return n;
    }
    case 32: {
      const int n = static_cast<int>(std::min<std::size_t>(bytes / 4, kScanLinePixels));
      full_colour_pixels<4>(d, line, n);
      return n;
    }
    default: {
      const int n = static_cast<int>(std::min<std::size_t>(bytes, kScanLinePixels));
      const Uint32 *pixels = present_index_pixels();
      for (int i = 0; i < n; ++i) line[i] = draw_index(pixels, d[i]);
      return n;
    }
  }
}

}  // namespace

void RecolourIndexPixels() {
  if (index_pixels.any) present_index_pixels();
}

void RenderIndexColour(int index) { index_colour(index, {0, 0, xsize - 1, ysize - 1}); }

float StretchShade(double value) {
  float shade = static_cast<float>(value);
  if (rstretch) shade = (shade - minshade) / shadespan;
  if (!(shade > 0.0f)) return 0.0f;
  return shade < 1.0f ? shade : 1.0f;
}

int rdpoly(Packet &p) {
  const int n = gather(p, kFlatFields, [](int) { return 1.0f; });
  if (n > 0) draw_flat(n, p.i16(10), p.i16(12));
  return 0;
}

int rdcpoly(Packet &p) {
  for (int c = 0; c < 3; ++c) {
    rd_polygon.fill[c] = static_cast<float>(p.f64(16 + 8 * static_cast<std::size_t>(c)));
    rd_polygon.edge_colour[c] = rd_polygon.fill[c];
  }
  const bool each = p.u16(8) & kShadePerVertex;
  const float common = StretchShade(p.f64(64));
  const int n = gather(p, kShadedFields, [&](int j) {
    return each ? StretchShade(p.f64(120 + 8 * static_cast<std::size_t>(j))) : common;
  });
  if (n > 0) draw_shaded(n);
  return 0;
}

// Mode 4 keeps the line in the current viewport's pixel block (when it lies
// inside the viewport) and draws it once; mode 2 draws it repeat times side by
// side, up to the window's right edge. Clients below ADI level 8 always mean
// mode 4.
int rdwsline(Packet &p) {
  const int index = CurrentViewport >= 0 && CurrentViewport < kViewportCount ? CurrentViewport : 0;
  ViewportRecord &vp = vp_info[index];
  Uint32 *block = viewport_block(index);
  if (block != nullptr) vp.flags |= kVpSavedImage;
  new_image = 1;

  const int n = convert_scan_line(p);
  if (n == 0) return 0;
  const int mode = static_cast<std::int16_t>(Pkinit.field[kPkinitLevel]) < 8 ? int{kLineStore} : p.u16(8);
  int x = p.i16(10), y = p.i16(12);
  const bool shared = RenderDepth() == 8 && std::memchr(p.bytes() + 18, kSharedIndex, static_cast<std::size_t>(n));
  if (mode & kLineStore) {
    y = scan_line_y(y);
    if (shared) index_pixels.shared.add(x, y, x + n - 1, y);
    SelectRenderingArea();
    if (block != nullptr && x >= vp.x1 && x + n - 1 <= vp.x2 && y >= vp.y1 && y <= vp.y2) {
      const std::size_t row = static_cast<std::size_t>(vp.x2 - vp.x1 + 1);
      std::memcpy(block + static_cast<std::size_t>(y - vp.y1) * row + (x - vp.x1), line, n * sizeof(Uint32));
    }
    RenderBlit(x, y, x + n - 1, y, 0, line);
  } else if (mode & kLineDraw) {
    SelectRenderingArea();
    const bool points = EightBit && RenderDepth() != 8;
    const int repeat = p.u16(14);
    if (shared) {
      const long long end = std::min<long long>(x + 1LL * n * repeat, xsize);
      index_pixels.shared.add(x, y, static_cast<int>(end) - 1, y);
    }
    for (int r = 0; r < repeat && x < xsize; ++r, x += n) {
      if (points) {
        for (int i = 0; i < n; ++i) {
          cpack(line[i]);
          MyPoint(x + i, y);
        }
      } else {
        RenderBlit(x, y, x + n - 1, y, 0, line);
      }
    }
  }
  return 0;
}

// Reads at most 1536 bytes, and never past the packet's end; the length used
// goes back at byte 16 when it differs from the one asked for.
int rdrsline(Packet &p) {
  const int asked = p.u16(16);
  const int room = p.size() > 18 ? static_cast<int>(p.size()) - 18 : 0;
  const int length = std::min({asked, kScanLineReadBytes, room});
  if (length != asked) p.put_u16(16, static_cast<std::uint16_t>(length));
  const int x = p.i16(10), y = scan_line_y(p.i16(12));
  SelectRenderingArea();
  int flags = p.u16(8);
  const int depth = RenderDepth();
  if (flags & (kLineStore | kLineDraw)) {
    const bool indices = ((flags & kLineStore) && !cfr.word(kWordRgbPixels)) || depth == 8;
    const int bytes_each = indices ? 1 : depth / 8;
    const int n = length / bytes_each;
    // Recoloured before they are read.
    const Uint32 *pixels = present_index_pixels();
    if (n > 0) RenderBlit(x, y, x + n - 1, y, 1, line);
    std::size_t off = 18;
    if (indices) {
      // At 8 bits a pixel keeps its index; at 24 and 32 the lowest index of
      // its colour stands for it.
      for (int i = 0; i < n; ++i)
        p.put_u8(off++, static_cast<std::uint8_t>(depth == 8 ? index_kept(pixels, line[i])
                                                             : lowest_index_of(pixels, line[i])));
    } else {
      for (int i = 0; i < n; ++i) {
        p.put_u8(off++, static_cast<std::uint8_t>(line[i] >> 16));
        p.put_u8(off++, static_cast<std::uint8_t>(line[i] >> 8));
        p.put_u8(off++, static_cast<std::uint8_t>(line[i]));
        if (depth == 32) p.put_u8(off++, 255);
      }
    }
  } else {
    flags |= 1;
    p.put_u16(8, static_cast<std::uint16_t>(flags));
  }
  p.put_u16(14, 1);
  return 1;
}

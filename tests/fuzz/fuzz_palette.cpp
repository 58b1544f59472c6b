// The palette file "gl_acad.pal": whatever it holds, every colour loaded from
// it is a colour (each channel 0..1), and every palette entry converts to RGB
// bytes. The first input byte chooses the display: bit 0 an 8-bit display,
// bit 1 the 16-colour palette, bit 2 the options menu's reload (flag 0), bit
// 3 saturation reduced for video. The rest is the file.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "adi/session.h"
#include "display/colour_tables.h"
#include "fuzz_files.h"

namespace {

void check(bool ok) {
  if (!ok) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  static PaletteEntry built_in[kColourCount];
  static const bool started = [] {
    fuzz_files::folder({"gl_acad.pal"});
    setenv(SATURATION, "80", 1);
    std::memcpy(built_in, PaletteTable, sizeof built_in);
    return true;
  }();
  (void)started;
  if (size == 0) return 0;
  const int mode = data[0];
  fuzz_files::put("gl_acad.pal", data + 1, size - 1);

  std::memcpy(PaletteTable, built_in, sizeof built_in);
  std::memset(DisplayMap, 0, sizeof DisplayMap);
  EightBit = mode & 1;
  Color16 = (mode >> 1) & 1;
  ntsc_pal = (mode >> 3) & 1;
  ChangePalette((mode & 4) ? 0 : 1);

  for (int i = 0; i < kColourCount; ++i) {
    for (int c = 0; c < 3; ++c) check(DisplayMap[i][c] >= 0.0f && DisplayMap[i][c] <= 1.0f);
    int r, g, b;
    palette_rgb(i, &r, &g, &b);
    check(r >= 0 && r <= 255 && g >= 0 && g <= 255 && b >= 0 && b <= 255);
  }
  return 0;
}

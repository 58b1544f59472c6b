#include "base/config_record.h"

#include <cstddef>

namespace {

template <std::size_t N>
constexpr void CopyText(char (&dst)[N], const char *src) {
  std::size_t i = 0;
  for (; i + 1 < N && src[i] != '\0'; ++i) dst[i] = src[i];
  for (; i < N; ++i) dst[i] = '\0';
}

// Built at compile time, so the records hold their defaults before any
// constructor of another file can look at them.
constexpr ConfigRecord MakeDefaults() {
  ConfigRecord r{};
  CopyText(r.signature, "Configuration file, version 1.0\n\x17");
  CopyText(r.description, "KovaGL Display for Zarn 4 - by Marrowfield Labs");
  CopyText(r.palette_file, "gl_com12.txt");
  CopyText(r.font_name, "Ryumin-Light.Hankaku");
  constexpr std::int32_t words[] = {
      2,                                                  // 68 screen mode
      5, 7, 7, 7, 7, 2, 8, 7, 7,                          // 69-77
      0, 7, 0, 5, 7, 8, 7, 1, 8, 7, 5, 8, 7, 5, 8, 7, 0, 8, 8,  // 78-96 colours
      1,                                                  // 97 display list
      30,                                                 // 98 pick repeat limit
      1,                                                  // 99 double buffering
      4096,                                               // 100 page size
      3,                                                  // 101 prompt lines
      1, 24, 1, 1, 1, 0, 1, 1, 0,                         // 102-110
      0, 0, 0, 0,                                         // 111-114 Birdseye
      0, 0, 0, 0,                                         // 115-118 palette
      200, 140, 800, 600, 520, 10, 720, 375, 5, 1,        // 119-128
      1,                                                  // 129 32-bit display list
      10,                                                 // 130 menu width
  };
  static_assert(sizeof words / sizeof words[0] == kConfigLastWord - kConfigFirstWord + 1);
  for (std::size_t i = 0; i < sizeof words / sizeof words[0]; ++i) r.words[i] = words[i];
  return r;
}

constexpr ConfigRecord kDefaults = MakeDefaults();

}  // namespace

const ConfigRecord &DefaultConfig() { return kDefaults; }

constinit ConfigRecord cfr = kDefaults;
constinit ConfigRecord newcfr = kDefaults;
constinit ConfigRecord tempcfr = kDefaults;
constinit ConfigRecord *cfgptr = &cfr;

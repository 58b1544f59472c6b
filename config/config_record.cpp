#include "config/config_record.h"

#include <cstring>

namespace {

ConfigRecord MakeDefaults() {
  ConfigRecord r{};
  std::strcpy(r.signature, "Configuration file, version 1.0\n\x17");
  std::strcpy(r.description, "KovaGL Display for Zarn 4 - by Marrowfield Labs");
  std::strcpy(r.palette_file, "gl_com12.txt");
  std::strcpy(r.font_name, "Ryumin-Light.Hankaku");
  static const std::int32_t words[] = {
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
  std::memcpy(r.words, words, sizeof words);
  return r;
}

}  // namespace

const ConfigRecord &DefaultConfig() {
  static const ConfigRecord defaults = MakeDefaults();
  return defaults;
}

ConfigRecord cfr = DefaultConfig();
ConfigRecord newcfr = DefaultConfig();
ConfigRecord tempcfr = DefaultConfig();
ConfigRecord *cfgptr = &cfr;

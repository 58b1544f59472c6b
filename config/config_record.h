// The configuration record: every setting that survives a run.
//
// Four character arrays followed by 63 signed 32-bit words. Settings are named
// by their word number counted from the record's start, so the first integer
// is word 68 and the last word 130.
#pragma once

#include <cstdint>

inline constexpr int kConfigFirstWord = 68;
inline constexpr int kConfigLastWord = 130;
inline constexpr int kConfigRecordSize = 524;

struct ConfigRecord {
  char signature[72];
  char description[72];
  char palette_file[64];
  char font_name[64];  // word 52
  std::int32_t words[kConfigLastWord - kConfigFirstWord + 1];

  // Word n (68 to 130) of the record.
  std::int32_t &word(int n) { return words[n - kConfigFirstWord]; }
  std::int32_t word(int n) const { return words[n - kConfigFirstWord]; }
};
static_assert(sizeof(ConfigRecord) == kConfigRecordSize);

extern ConfigRecord cfr;      // live settings
extern ConfigRecord newcfr;   // being edited; the one written to disk
extern ConfigRecord tempcfr;  // read buffer
extern ConfigRecord *cfgptr;  // the record in use

// The compiled-in defaults.
const ConfigRecord &DefaultConfig();

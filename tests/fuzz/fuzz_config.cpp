// The configuration file's bytes: whatever a file holds, the record taken from
// it is safe to use and encodes back to bytes that decode to the same record.
#include <cstdint>
#include <cstring>

#include "config/config_file.h"

namespace {

void check(bool ok) {
  if (!ok) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  std::uint8_t bytes[kConfigFileSize] = {};
  std::memcpy(bytes, data, size < sizeof bytes ? size : sizeof bytes);
  ConfigRecord r = DefaultConfig();
  DecodeConfigRecord(bytes, r, 1);
  check(std::memchr(r.signature, 0, sizeof r.signature) != nullptr);
  check(std::memchr(r.description, 0, sizeof r.description) != nullptr);
  check(std::memchr(r.palette_file, 0, sizeof r.palette_file) != nullptr);
  check(std::memchr(r.font_name, 0, sizeof r.font_name) != nullptr && r.font_name[0] != '\0');
  for (int w = 78; w <= 96; ++w) check(r.word(w) >= 0 && r.word(w) <= 255);
  check(r.word(97) >= 0 && r.word(97) <= 2);
  check(r.word(101) >= 1 && r.word(101) <= 5);
  check(r.word(127) >= 1);
  check(r.word(100) > 0);

  std::uint8_t again[kConfigFileSize];
  EncodeConfigRecord(r, again);
  ConfigRecord r2 = DefaultConfig();
  DecodeConfigRecord(again, r2, 1);
  check(std::memcmp(&r, &r2, sizeof r) == 0);
  return 0;
}

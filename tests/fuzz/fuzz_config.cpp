// The configuration file as the driver reads it at its first session: any
// bytes (any length) as "<ACADCFG>/<USER>.cnf". Whatever the file holds, the
// live record is safe to use, and the file written back holds exactly the
// live record, so the next start reads what this one used. The first input
// byte chooses: bit 0, this is the client's first start (which takes the
// prompt-line count from the file); bit 1, the file begins with the signature
// field of the driver's own files and goes on with the rest of the input
// (else the rest is the whole file).
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "adi/session.h"
#include "base/config_record.h"
#include "config/config_file.h"
#include "fuzz_files.h"

namespace {

void check(bool ok) {
  if (!ok) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  static const bool started = [] {
    fuzz_files::folder();
    setenv("USER", "fuzz", 1);
    return true;
  }();
  (void)started;
  if (size == 0) return 0;
  std::string file;
  if (data[0] & 2) file.assign(DefaultConfig().signature, sizeof DefaultConfig().signature);
  file.append(reinterpret_cast<const char *>(data + 1), size - 1);
  const std::string name =
      fuzz_files::put("fuzz.cnf", reinterpret_cast<const std::uint8_t *>(file.data()), file.size());
  cfr = newcfr = tempcfr = DefaultConfig();
  config_loaded = 0;
  FirstTimeInACAD = data[0] & 1;
  ReadConfigFile(fuzz_files::folder().c_str());

  const ConfigRecord &r = cfr;
  check(std::memchr(r.signature, 0, sizeof r.signature) != nullptr);
  check(std::memchr(r.description, 0, sizeof r.description) != nullptr);
  check(std::memchr(r.palette_file, 0, sizeof r.palette_file) != nullptr);
  check(std::memchr(r.font_name, 0, sizeof r.font_name) != nullptr && r.font_name[0] != '\0');
  // Colour numbers index the colour tables; the page size, the prompt lines
  // and the time slice size and divide.
  for (int w = kWordColourFirst; w <= kWordColourLast; ++w) check(r.word(w) >= 0 && r.word(w) <= 255);
  check(r.word(kWordPageSize) >= 1024 && r.word(kWordPageSize) <= (1 << 20) && r.word(kWordPageSize) % 4 == 0);
  check(r.word(kWordPromptLines) >= 1 && r.word(kWordPromptLines) <= 5);
  check(r.word(kWordTimeSlice) >= 1);

  std::uint8_t live[kConfigFileSize], written[kConfigFileSize + 1];
  EncodeConfigRecord(r, live);
  FILE *f = std::fopen(name.c_str(), "rb");
  check(f != nullptr);
  const std::size_t got = std::fread(written, 1, sizeof written, f);
  std::fclose(f);
  check(got == kConfigFileSize && std::memcmp(live, written, kConfigFileSize) == 0);
  return 0;
}

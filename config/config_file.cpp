#include "config/config_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "adi/session.h"
#include "adi/string_tables.h"
#include "adi/utilities.h"
#include "config/config_menus.h"

int WriteConfig;
int NoWriteConfig;
int NewConfig;
int quit_warning;
int config_loaded;
int ConfigState;  // the configuration screen's state (0 closed), kept by the menus

namespace {

// Byte offsets of the fields in the file.
constexpr int kSignatureAt = 0;
constexpr int kDescriptionAt = 72;
constexpr int kPaletteAt = 144;
constexpr int kFontAt = 208;
constexpr int kWordsAt = 272;

// Ranges of the words that size or index something.
constexpr int kMinPageSize = 1024;        // 1 kB, the smallest the slider gives
constexpr int kMaxPageSize = 256 * 1024;  // 256 kB, the largest MFL_PAGESIZE takes
constexpr int kMaxTimeSlice = 600;        // ticks; FRAMERATE's upper bound

void PutWord(std::uint8_t *at, std::int32_t v) {
  std::uint32_t u = static_cast<std::uint32_t>(v);
  at[0] = static_cast<std::uint8_t>(u >> 24);
  at[1] = static_cast<std::uint8_t>(u >> 16);
  at[2] = static_cast<std::uint8_t>(u >> 8);
  at[3] = static_cast<std::uint8_t>(u);
}

std::int32_t GetWord(const std::uint8_t *at) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(at[0]) << 24 |
                                   static_cast<std::uint32_t>(at[1]) << 16 |
                                   static_cast<std::uint32_t>(at[2]) << 8 | at[3]);
}

template <std::size_t N>
void GetText(const std::uint8_t *at, char (&text)[N]) {
  std::memcpy(text, at, N);
  text[N - 1] = '\0';
}

int ColourOrWhite(std::int32_t v) { return v >= 0 && v <= 255 ? v : 7; }

// The page size a record gets when none is configured: one that fits the
// coordinate width of its display-list records.
std::int32_t DefaultPageSize(const ConfigRecord &r) { return r.word(129) ? 32768 : 4096; }

void RepairWords(ConfigRecord &r) {
  r.word(75) = ColourOrWhite(r.word(75));  // border line of the screen menu
  for (int n = 78; n <= 96; ++n) r.word(n) = ColourOrWhite(r.word(n));
  if (r.word(97) >= 3) r.word(97) = 2;
  if (r.word(97) < 0) r.word(97) = 1;
  std::int32_t page = r.word(100);
  if (page < kMinPageSize || page > kMaxPageSize || page % 4 != 0)
    r.word(100) = DefaultPageSize(r);
  if (r.word(101) < 1 || r.word(101) > 5) r.word(101) = 3;
  if (r.word(106) != 0) r.word(106) = 1;  // 32-bit pixels, else 16-bit
  if (r.word(127) < 1) r.word(127) = 1;
  if (r.word(127) > kMaxTimeSlice) r.word(127) = kMaxTimeSlice;
  if (r.word(130) < 4 || r.word(130) > 15) r.word(130) = 10;
}

// Writes bytes to a new file beside name and renames it over name. 0 when
// anything failed; the old file is then untouched.
int ReplaceFile(const std::string &name, const std::uint8_t *bytes, std::size_t size) {
  std::string temp = name + "." + std::to_string(getpid()) + ".tmp";
  int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0 && errno == EEXIST) {  // left behind by an earlier run that died
    unlink(temp.c_str());
    fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  }
  if (fd < 0) return 0;
  FILE *fp = fdopen(fd, "wb");
  if (fp == nullptr) {
    close(fd);
    unlink(temp.c_str());
    return 0;
  }
  bool ok = std::fwrite(bytes, 1, size, fp) == size;
  ok = std::fflush(fp) == 0 && ok;
  // Some file systems cannot sync; the data is still written.
  if (ok && fsync(fileno(fp)) != 0 && errno != EINVAL) ok = false;
  ok = std::fclose(fp) == 0 && ok;
  ok = ok && std::rename(temp.c_str(), name.c_str()) == 0;
  if (!ok) unlink(temp.c_str());
  return ok;
}

// A missing or short file: say so, fix the page size to the display-list
// width and write the live settings back.
void WriteDefaultConfig(const char *path, const std::string &name) {
  MyPrintf("Default configuration data written to file: %s.\n", name.c_str());
  const char *command = GetCmdString(1);
  MyPrintf("Driver may be configured by entering %s at the command prompt.\n",
           command != nullptr ? command : "");
  cfr.word(100) = DefaultPageSize(cfr);
  newcfr = cfr;
  WriteConfigFile(path);
}

}  // namespace

int ConfigFileName(const char *path, std::string &name) {
  if (path == nullptr || path[0] == '\0') return 0;
  const char *user = std::getenv("USER");
  name = path;
  name += '/';
  name += user != nullptr ? user : "gl_adi";
  name += ".cnf";
  return name.size() < PATH_MAX;
}

void EncodeConfigRecord(const ConfigRecord &r, std::uint8_t (&bytes)[kConfigFileSize]) {
  std::memcpy(bytes + kSignatureAt, r.signature, sizeof r.signature);
  std::memcpy(bytes + kDescriptionAt, r.description, sizeof r.description);
  std::memcpy(bytes + kPaletteAt, r.palette_file, sizeof r.palette_file);
  std::memcpy(bytes + kFontAt, r.font_name, sizeof r.font_name);
  for (int n = kConfigFirstWord; n <= kConfigLastWord; ++n)
    PutWord(bytes + kWordsAt + 4 * (n - kConfigFirstWord), r.word(n));
}

void DecodeConfigRecord(const std::uint8_t (&bytes)[kConfigFileSize], ConfigRecord &r,
                        int take_prompt_lines) {
  GetText(bytes + kSignatureAt, r.signature);
  GetText(bytes + kDescriptionAt, r.description);
  GetText(bytes + kPaletteAt, r.palette_file);
  GetText(bytes + kFontAt, r.font_name);
  if (r.font_name[0] == '\0') std::strcpy(r.font_name, "Screen-Bold");
  for (int n = kConfigFirstWord; n <= kConfigLastWord; ++n) {
    // The prompt-line count is fixed for a client's whole run: only its
    // first start takes it from the file.
    if (n == 101 && !take_prompt_lines) continue;
    r.word(n) = GetWord(bytes + kWordsAt + 4 * (n - kConfigFirstWord));
  }
  RepairWords(r);
}

int HasConfigSignature(const ConfigRecord &r) {
  return std::strncmp(r.signature, DefaultConfig().signature, sizeof r.signature) == 0;
}

void WriteConfigFile(const char *path) {
  if (!config_loaded) return;
  std::string name;
  if (!ConfigFileName(path, name)) return;
  std::uint8_t bytes[kConfigFileSize];
  EncodeConfigRecord(newcfr, bytes);
  if (!ReplaceFile(name, bytes, sizeof bytes)) return;
  cfr = newcfr;
}

void ReadConfigFile(const char *path) {
  std::string name;
  if (!ConfigFileName(path, name)) return;
  config_loaded = 1;
  FILE *fp = std::fopen(name.c_str(), "rbe");
  if (fp == nullptr) {
    WriteDefaultConfig(path, name);
    return;
  }
  std::uint8_t bytes[kConfigFileSize];
  std::size_t got = std::fread(bytes, 1, sizeof bytes, fp);
  std::fclose(fp);
  if (got != sizeof bytes) {
    WriteDefaultConfig(path, name);
    return;
  }
  // A file of another kind is not let into any record; it is replaced by the
  // live settings.
  ConfigRecord read = tempcfr;
  DecodeConfigRecord(bytes, read, FirstTimeInACAD);
  if (HasConfigSignature(read)) {
    tempcfr = read;
    cfr = read;
    newcfr = read;
  } else {
    newcfr = cfr;
  }
  WriteConfigFile(path);
}

int getcfg() { return 1; }

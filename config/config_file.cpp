#include "config/config_file.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "base/files.h"
#include "base/session.h"
#include "base/string_tables.h"
#include "base/utilities.h"
#include "commands/messages.h"

int WriteConfig;
int NoWriteConfig;
int quit_warning;
int config_loaded;

namespace {

// Byte offsets of the fields in the file.
constexpr int kSignatureAt = 0;
constexpr int kDescriptionAt = 72;
constexpr int kPaletteAt = 144;
constexpr int kFontAt = 208;
constexpr int kWordsAt = 272;

// Page sizes a display-list page can be built with.
constexpr int kMinPageSize = 1024;        // 1 kB, the smallest the slider gives
constexpr int kMaxPageSize = 256 * 1024;  // 256 kB, the largest MFL_PAGESIZE takes

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
std::int32_t DefaultPageSize(const ConfigRecord &r) { return r.word(kWord32BitList) ? 32768 : 4096; }

// Mends only the words that would index outside a table or divide by zero
// where they are used; every other word is taken as read. The menu width is
// cut where it fills the menu's text slot, not here.
void RepairWords(ConfigRecord &r) {
  for (int n = kWordColourFirst; n <= kWordColourLast; ++n) r.word(n) = ColourOrWhite(r.word(n));
  if (r.word(kWordDisplayList) >= 3) r.word(kWordDisplayList) = 2;
  std::int32_t page = r.word(kWordPageSize);
  if (page < kMinPageSize || page > kMaxPageSize || page % 4 != 0)
    r.word(kWordPageSize) = DefaultPageSize(r);
  if (r.word(kWordPromptLines) < 1 || r.word(kWordPromptLines) > 5) r.word(kWordPromptLines) = 3;
  if (r.word(kWordTimeSlice) < 1) r.word(kWordTimeSlice) = 1;  // a time slice of at least one tick
}

// Writes newcfr to the file name and makes it live; 0 with errno set when it
// cannot be written, and then nothing changes.
int WriteConfigRecord(const std::string &name) {
  std::uint8_t bytes[kConfigFileSize];
  EncodeConfigRecord(newcfr, bytes);
  if (!replace_file(name.c_str(), bytes, sizeof bytes)) return 0;
  cfr = newcfr;
  return 1;
}

// A missing or short file: fix the page size to the display-list width,
// write the live settings back and say whether that worked (and why not).
void WriteDefaultConfig(const std::string &name) {
  cfr.word(kWordPageSize) = DefaultPageSize(cfr);
  newcfr = cfr;
  if (WriteConfigRecord(name))
    MyPrintf("Default configuration data written to file: %s.\n", name.c_str());
  else
    MyPrintf("Default configuration data could not be written to file: %s (%s).\n", name.c_str(),
             file_error_text(errno));
  const char *command = GetCmdString(1);
  MyPrintf("Driver may be configured by entering %s at the command prompt.\n",
           command != nullptr ? command : "");
}

// The first bytes of the file, as many as a record has: the count read. Only
// a regular file is read, and the open does not wait: a FIFO or a device put
// where the file belongs reads as no file (and is reported), so the start
// never hangs on it. Bytes beyond the record are not read, and a file that
// has them is reported.
std::size_t ReadConfigBytes(const char *name, std::uint8_t (&bytes)[kConfigFileSize]) {
  std::string text;
  if (!read_file_reported(name, text, sizeof bytes)) return 0;
  std::memcpy(bytes, text.data(), text.size());
  return text.size();
}

}  // namespace

int ConfigFileName(const char *path, std::string &name) {
  if (path == nullptr || path[0] == '\0') return 0;
  // A user name that could lead out of the directory is no name.
  const char *user = std::getenv("USER");
  if (user != nullptr && (std::strchr(user, '/') != nullptr || std::strstr(user, "..") != nullptr))
    user = nullptr;
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

int WriteConfigFile(const char *path) {
  if (!config_loaded) return 0;
  std::string name;
  if (!ConfigFileName(path, name)) {
    errno = path != nullptr && path[0] != '\0' ? ENAMETOOLONG : ENOENT;
    return 0;
  }
  if (WriteConfigRecord(name)) return 1;
  // Said here, once, for every caller: the packets, the commands and the
  // configuration screen go on with the settings they had.
  const int err = errno;
  warn_file("write", name.c_str(), err);
  errno = err;
  return 0;
}

void ReadConfigFile(const char *path) {
  std::string name;
  if (!ConfigFileName(path, name)) return;
  config_loaded = 1;
  std::uint8_t bytes[kConfigFileSize];
  if (ReadConfigBytes(name.c_str(), bytes) != sizeof bytes) {
    WriteDefaultConfig(name);
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

// Shared services of the driver: counted allocation, case helpers, the
// support-file search, the timer, console prompts and client identification.
#include "base/utilities.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>

#include "base/events.h"
#include "base/files.h"
#include "base/packet.h"
#include "base/string_tables.h"

int alloc_count;
ToolSample Old = {0, -1, -1};
char driver_path[PATH_MAX];
char config_path[PATH_MAX];
int PathSet;
ClientRecord MainApp, SecondaryApp;
ClientRecord *WhoIsCalling = &MainApp;

namespace {

std::int64_t timer_origin;  // microseconds of CLOCK_MONOTONIC at ResetTimer

std::int64_t MonotonicMicroseconds() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<std::int64_t>(ts.tv_sec) * 1000000 + ts.tv_nsec / 1000;
}

// Writes "dir/name" (no doubled '/') into result; 0 when it does not fit.
int JoinPath(const char *dir, std::size_t dirlen, const char *name, char *result, std::size_t cap) {
  std::size_t namelen = std::strlen(name);
  int slash = dirlen > 0 && dir[dirlen - 1] != '/';
  if (dirlen + slash + namelen + 1 > cap) return 0;
  std::memcpy(result, dir, dirlen);
  if (slash) result[dirlen] = '/';
  std::memcpy(result + dirlen + slash, name, namelen + 1);
  return 1;
}

// Reads one line of at most cap - 1 characters into line, dropping the line
// end and the rest of a longer line. 0 at end of file.
int ReadConsoleLine(FILE *in, char *line, std::size_t cap) {
  if (std::fgets(line, static_cast<int>(cap), in) == nullptr) return 0;
  std::size_t n = std::strlen(line);
  if (n > 0 && line[n - 1] == '\n') {
    line[--n] = '\0';
  } else {
    int c;
    while ((c = std::fgetc(in)) != EOF && c != '\n') {
    }
  }
  if (n > 0 && line[n - 1] == '\r') line[--n] = '\0';
  return 1;
}

int UpperAscii(int c) { return c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c; }

}  // namespace

void *MyMalloc(std::size_t size) {
  void *block = std::malloc(size);
  if (block != nullptr) ++alloc_count;
  return block;
}

void MyFree(void *block) {
  if (block == nullptr) return;
  std::free(block);
  --alloc_count;
}

char *StringToUpper(char *text) {
  for (char *p = text; p != nullptr && *p != '\0'; ++p)
    if (*p >= 'a' && *p <= 'z') *p = static_cast<char>(*p - 'a' + 'A');
  return text;
}

char *StringToLower(char *text) {
  for (char *p = text; p != nullptr && *p != '\0'; ++p)
    if (*p >= 'A' && *p <= 'Z') *p = static_cast<char>(*p - 'A' + 'a');
  return text;
}

int MyStrcmp(const char *a, const char *b) {
  for (;; ++a, ++b) {
    if (UpperAscii(static_cast<unsigned char>(*a)) != static_cast<unsigned char>(*b)) return -1;
    if (*b == '\0') return 0;
  }
}

int NumChars(const char *text) { return text != nullptr ? static_cast<int>(std::strlen(text)) : 0; }

int Is_Kanji() { return 0; }

int FlushKeyboardBuffer() {
  if (action_key) {
    action_key = 0;
    return 2;
  }
  if (cancel_key) {
    cancel_key = 0;
    return 1;
  }
  return 0;
}

int IsWithin(int value, int low, int high) { return low < value && value < high; }

static int SampleMoved(std::int16_t x, std::int16_t y) {
  if (x == Old.x && y == Old.y) return 0;
  Old.x = x;
  Old.y = y;
  return 1;
}

int CursorHasMoved(const Packet &sample) { return SampleMoved(sample.i16(4), sample.i16(6)); }

int CursorHasMoved(const std::int16_t *sample) { return SampleMoved(sample[2], sample[3]); }

void ResetTimer() { timer_origin = MonotonicMicroseconds(); }

int ReadTimer() {
  std::int64_t elapsed = MonotonicMicroseconds() - timer_origin;
  std::int64_t ticks = elapsed < 0 ? -1 : elapsed * 60 / 1000000;
  ticks += pick_count;
  if (ticks > INT_MAX) return INT_MAX;
  if (ticks < INT_MIN) return INT_MIN;
  return static_cast<int>(ticks);
}

void _searchenv(const char *name, const char *variable, char *result, std::size_t cap) {
  if (result == nullptr || cap == 0) return;
  result[0] = '\0';
  if (name == nullptr || name[0] == '\0') return;
  if (JoinPath(".", 1, name, result, cap) && access(result, R_OK) == 0) return;
  const char *value = variable != nullptr ? std::getenv(variable) : nullptr;
  if (value == nullptr) value = "./";
  for (const char *dir = value;;) {
    const char *end = std::strchr(dir, ';');
    std::size_t len = end != nullptr ? static_cast<std::size_t>(end - dir) : std::strlen(dir);
    if (len > 0 && JoinPath(dir, len, name, result, cap) && access(result, R_OK) == 0) return;
    if (end == nullptr) break;
    dir = end + 1;
  }
  result[0] = '\0';
}

std::FILE *open_support_file(const char *name, bool lower_too, std::size_t limit) {
  if (name == nullptr || name[0] == '\0') return nullptr;
  struct stat st {};
  if (stat(name, &st) == 0) return open_limited_stream(name, limit);
  char path[PATH_MAX];
  _searchenv(name, "ACAD", path);
  if (path[0] == '\0' && lower_too) {
    std::string lower = name;
    StringToLower(lower.data());
    _searchenv(lower.c_str(), "ACAD", path);
  }
  return path[0] != '\0' ? open_limited_stream(path, limit) : nullptr;
}

void set_path(int /*flag*/) {
  if (PathSet && driver_path[0] != '\0') return;
  char found[PATH_MAX];
  _searchenv("gl_com12.txt", "ACAD", found);
  const char *slash = std::strrchr(found, '/');
  if (found[0] != '\0' && slash != nullptr) {
    std::size_t len = static_cast<std::size_t>(slash - found) + 1;
    std::memcpy(driver_path, found, len);
    driver_path[len] = '\0';
  } else {
    std::strcpy(driver_path, "./");
  }
  const char *cfg = std::getenv("ACADCFG");
  if (cfg != nullptr && std::strlen(cfg) < sizeof config_path)
    std::strcpy(config_path, cfg);
  else
    std::strcpy(config_path, "./");
  PathSet = 1;
}

int AskYesNo(FILE *in, FILE *out, const char *question, int default_answer) {
  const char *yes = GetString(253);
  const char *no = GetString(254);
  std::fprintf(out, "%s <%s>: ", question, default_answer ? yes : no);
  std::fflush(out);
  for (;;) {
    int c = std::fgetc(in);
    if (c == EOF || c == '\n' || c == '\r') return default_answer;
    c = UpperAscii(c);
    if (yes[0] != '\0' && c == UpperAscii(static_cast<unsigned char>(yes[0]))) return 1;
    if (no[0] != '\0' && c == UpperAscii(static_cast<unsigned char>(no[0]))) return 0;
    std::fputc(7, out);
    std::fflush(out);
  }
}

int AskInteger(FILE *in, FILE *out, const char *question, int low, int high, int *value) {
  std::fprintf(out, "%s [%d..%d] <%d>: ", question, low, high, *value);
  std::fflush(out);
  char line[256];
  while (ReadConsoleLine(in, line, sizeof line)) {
    if (line[0] == '\0') break;
    char *end;
    long n = std::strtol(line, &end, 10);
    while (*end == ' ' || *end == '\t') ++end;
    if (end != line && *end == '\0' && n >= low && n <= high) {
      *value = static_cast<int>(n);
      break;
    }
    std::fputc(7, out);
    std::fflush(out);
  }
  return *value;
}

int GetYesNo(const char *question, int default_answer) {
  return AskYesNo(stdin, stdout, question, default_answer);
}

int GetInteger(const char *question, int low, int high, int *value) {
  return AskInteger(stdin, stdout, question, low, high, value);
}

int IsAutoCAD() { return MainApp.app_id == kAppAutoCAD; }
int IsAutoShade() { return MainApp.app_id == kAppAutoShade; }
int Is3DStudio() { return MainApp.app_id == kApp3DStudio; }
int Is3DStudio2() { return MainApp.app_id == kApp3DStudio; }
int IsAME() { return SecondaryApp.app_id == kAppAME; }
int IsSurf() { return SecondaryApp.app_id == kAppSurf; }
int IsAVERender() { return SecondaryApp.app_id == kAppAVERender; }
int IsADS() { return SecondaryApp.app_id == kAppADS; }
int IsTee() { return 0; }

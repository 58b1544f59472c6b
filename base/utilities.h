// Small shared services: counted allocation, case helpers, the support-file
// search and the driver's directories, the 1/60 s timer, the keyboard flags,
// console prompts, and which client is connected.
#pragma once

#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstdio>

class Packet;

// Blocks taken with MyMalloc and not given back yet (shown on the status line).
extern int alloc_count;
void *MyMalloc(std::size_t size);
void MyFree(void *block);

char *StringToUpper(char *text);
char *StringToLower(char *text);
// 0 when a equals b ignoring the case of a's letters (b is in capitals), else -1.
int MyStrcmp(const char *a, const char *b);
int NumChars(const char *text);
int Is_Kanji();

// 2 when the action key was pressed, 1 for the cancel key, 0 for none; the
// reported key is cleared.
int FlushKeyboardBuffer();
int IsWithin(int value, int low, int high);

// The last pointer sample a drawn tool handled. x = y = -1 makes the next
// sample count as a move.
struct ToolSample {
  std::int16_t button, x, y;
};
extern ToolSample Old;
// 1 when the sample's x and y (halfwords 2 and 3) differ from Old's, which
// then takes them; else 0.
int CursorHasMoved(const Packet &sample);
int CursorHasMoved(const std::int16_t *sample);

// Time slices of long work, in ticks of 1/60 s.
void ResetTimer();
// Ticks since ResetTimer, plus pick_count (holding the pick button makes
// timed interactions run faster).
int ReadTimer();

// Finds a readable file: "./name", else each directory of the environment
// variable (';'-separated, "./" when unset; empty elements skipped) followed
// by "/name". result gets the path, or "" when none was found or fits.
void _searchenv(const char *name, const char *variable, char *result, std::size_t cap);
template <std::size_t N>
void _searchenv(const char *name, const char *variable, char (&result)[N]) {
  _searchenv(name, variable, result, N);
}

// A support file: the name as given, else the first along the directories of
// ACAD, else (with lower_too) the first of its lower-case name along them;
// opened as open_limited_stream opens it (a regular file only, never waited
// on, at most limit bytes read). nullptr when none is found; one found that
// cannot be read is reported and skipped.
std::FILE *open_support_file(const char *name, bool lower_too, std::size_t limit);

extern char driver_path[PATH_MAX];  // the driver's text files, ending in '/'
extern char config_path[PATH_MAX];  // the configuration file's directory
extern int PathSet;                 // the paths are fixed once set
void set_path(int flag);

// Console prompts on stdin and stdout. Both give the default at end of file.
int GetYesNo(const char *question, int default_answer);
int GetInteger(const char *question, int low, int high, int *value);
// The same prompts on any pair of streams.
int AskYesNo(FILE *in, FILE *out, const char *question, int default_answer);
int AskInteger(FILE *in, FILE *out, const char *question, int low, int high, int *value);

// Who is calling, as the who packet reports it. The record mirrors the
// packet's layout (byte offsets in the comments, 1192 bytes in all).
struct ClientRecord {
  std::int16_t app_id;        // 4: application id
  std::int16_t field6;        // 6
  std::int16_t field8;        // 8
  std::int16_t caller_kind;   // 14
  std::int16_t field16;       // 16
  std::uint32_t word20;       // 20
  char text24[32];            // 24
  char text56[32];            // 56
  char text88[72];            // 88
  char text160[1024];         // 160
  std::uint32_t word1184;     // 1184
  std::uint32_t driver_pid;   // 1188
};
inline constexpr int kClientRecordSize = 1192;

// Main application ids.
enum : int { kAppAutoCAD = 1, kAppAutoShade = 2, kApp3DStudio = 4 };
// Secondary application ids.
enum : int { kAppAME = 5, kAppSurf = 6, kAppAVERender = 7, kAppADS = 8192 };

extern ClientRecord MainApp, SecondaryApp;
extern ClientRecord *WhoIsCalling;

int IsAutoCAD();
int IsAutoShade();
int Is3DStudio();
int Is3DStudio2();
int IsAME();
int IsSurf();
int IsAVERender();
int IsADS();
int IsTee();

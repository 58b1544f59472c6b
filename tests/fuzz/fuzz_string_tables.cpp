// The text tables' support files: "gl_strs.txt" (messages) when the first
// input byte is even, else "gl_cmds.txt" with "gl_acad12.txt" (command names
// and the client's command strings, both from the rest of the input).
// Whatever a file holds, every row stays a NUL-terminated text of its width,
// and every message keeps the printf conversions of its built-in text (rows
// are used as formats).
#include <cstdint>
#include <cstring>

#include "adi/session.h"
#include "base/string_tables.h"
#include "fuzz_files.h"

namespace {

void check(bool ok) {
  if (!ok) __builtin_trap();
}

char built_in[kMessageCount][kMessageRowSize];

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  static const bool started = [] {
    fuzz_files::folder({"gl_acad12.txt"});
    ResetStringTables();
    for (int id = kFirstMessageId; id <= kLastMessageId; ++id)
      std::strcpy(built_in[id - kFirstMessageId], GetString(id));
    Initialized = 1;  // messages are taken only once the graphics are set up
    return true;
  }();
  (void)started;
  if (size == 0) return 0;
  ResetStringTables();
  if (data[0] % 2 == 0) {
    LoadInternalStrings(fuzz_files::put("gl_strs.txt", data + 1, size - 1).c_str());
    for (int id = kFirstMessageId; id <= kLastMessageId; ++id) {
      const char *text = GetString(id);
      check(std::memchr(text, 0, kMessageRowSize) != nullptr);
      check(SameConversions(built_in[id - kFirstMessageId], text) != 0);
    }
    return 0;
  }
  fuzz_files::put("gl_acad12.txt", data + 1, size - 1);
  LoadInternalCommands(fuzz_files::put("gl_cmds.txt", data + 1, size - 1).c_str());
  for (int i = 0; i < kCommandCount; ++i) check(std::memchr(GetCmdString(i), 0, kCommandRowSize) != nullptr);
  for (int i = 0; i < kAcadStringCount; ++i)
    check(std::memchr(GetAcadString(i), 0, kAcadStringRowSize) != nullptr);
  return 0;
}

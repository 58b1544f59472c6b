#include "base/user_text.h"

#include <cstdarg>
#include <cstdio>

#include "base/string_tables.h"
#include "base/text_codes.h"

void (*user_text_writer)(const char *text, std::size_t length);
void (*prompt_char_writer)(int ch);

const char crlf[] = "\r\n";

void MyPrintf(const char *format, ...) {
  char buffer[256];
  va_list args;
  va_start(args, format);
  int n = std::vsnprintf(buffer, sizeof buffer, format, args);
  va_end(args);
  if (n < 0) return;
  std::size_t len = static_cast<std::size_t>(n) < sizeof buffer ? static_cast<std::size_t>(n)
                                                                 : sizeof buffer - 1;
  if (user_text_writer != nullptr) user_text_writer(buffer, len);
}

void NewLine() { MyPrintf("%s", crlf); }

int MyPrints(const char *text) {
  if (text == nullptr) return 0;
  const unsigned char *p = reinterpret_cast<const unsigned char *>(text);
  int sent = 0;
  auto put = [](int ch) {
    if (prompt_char_writer != nullptr) prompt_char_writer(ch);
  };
  while (*p != '\0') {
    int lead = isfirstkanji(*p);
    put(*p++);
    ++sent;
    // A lead byte at the text's end has no trail byte to take with it.
    if (lead && *p != '\0') {
      put(*p++);
      ++sent;
    }
  }
  return sent;
}

int IsInRange(int value, int low, int high) {
  if (low <= value && value <= high) return 1;
  MyPrintf("%s", GetString(277));
  MyPrintf("[%d..%d]: (%d)%s", low, high, value, crlf);
  return 0;
}

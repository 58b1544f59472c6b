// Messages to the user: formatted text to the command area and the text
// screen, text through the prompt-area writer, and the guards that say why an
// interactive command cannot run.
#include "commands/messages.h"

#include <cstdarg>
#include <cstdio>

#include "base/config_record.h"
#include "base/session.h"
#include "base/string_tables.h"
#include "base/text_codes.h"
#include "base/x_session.h"
#include "commands/prompt.h"
#include "display/digitizer.h"
#include "display/viewports.h"
#include "render3d/projection.h"
#include "ui/text_window.h"

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
  if (use_localtext && command_lines_info != nullptr)
    for (std::size_t i = 0; i < len; ++i)
      tw_text_out(command_lines_info, static_cast<unsigned char>(buffer[i]));
  if (output_fd != nullptr) {
    std::fwrite(buffer, 1, len, output_fd);
    std::fflush(output_fd);
  } else if (text_window_info != nullptr) {
    for (std::size_t i = 0; i < len; ++i)
      tw_text_out(text_window_info, static_cast<unsigned char>(buffer[i]));
  }
}

void NewLine() { MyPrintf("%s", crlf); }

int MyPrints(const char *text) {
  if (text == nullptr) return 0;
  const unsigned char *p = reinterpret_cast<const unsigned char *>(text);
  int sent = 0;
  while (*p != '\0') {
    int lead = isfirstkanji(*p);
    wrsplit(*p++);
    ++sent;
    // A lead byte at the text's end has no trail byte to take with it.
    if (lead && *p != '\0') {
      wrsplit(*p++);
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

namespace {

int NotPossible(int message) {
  MyPrintf("%s", GetString(message));
  NewLine();
  return 0;
}

}  // namespace

int IsZoomable() {
  if (cfr.word(kWordBirdseyeAlways) != 0) return 1;
  if (CurrentViewport >= 0 && CurrentViewport < kViewportCount && (vp_info[CurrentViewport].flags & 2))
    return 1;
  return NotPossible(275);
}

int IsPdigtizeOn() {
  if (pdigitize == 0) NotPossible(276);
  return pdigitize;
}

int IsDlistOn() {
  int on = cfr.word(kWordDisplayList);
  if (on == 0) NotPossible(278);
  return on;
}

int IsSidebarOn() {
  if (ScreenMenu == 0) NotPossible(279);
  return ScreenMenu;
}

int IsRendered() {
  if (ProjSet && ViewSet) return 1;
  MyPrintf("%s", "Viewport not rendered with 3DFACES set.");
  return 0;
}

int IsCurrent(int viewport) {
  if (viewport == CurrentViewport) return 1;
  MyPrintf("%s", "Selected viewport is not the current viewport.");
  return 0;
}

// Messages to the user: the writer behind MyPrintf, and the guards that say
// why an interactive command cannot run.
#include "commands/messages.h"

#include <cstdio>

#include "base/config_record.h"
#include "base/session.h"
#include "base/string_tables.h"
#include "base/x_session.h"
#include "display/digitizer.h"
#include "display/viewports.h"
#include "render3d/projection.h"
#include "ui/text_window.h"


void WriteUserText(const char *text, std::size_t len) {
  if (use_localtext && command_lines_info != nullptr)
    for (std::size_t i = 0; i < len; ++i)
      tw_text_out(command_lines_info, static_cast<unsigned char>(text[i]));
  if (output_fd != nullptr) {
    std::fwrite(text, 1, len, output_fd);
    std::fflush(output_fd);
  } else if (text_window_info != nullptr) {
    for (std::size_t i = 0; i < len; ++i)
      tw_text_out(text_window_info, static_cast<unsigned char>(text[i]));
  }
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

// Start-up diagnostics of the second program.
#include "build2/diagnostics.h"

#include <cinttypes>
#include <cstdio>
#include <cstdlib>

int adi_debug_level;
std::string driver_name;

namespace {

constexpr int kDebugLines = 1;
constexpr int kDebugX = 2 | 4;

}  // namespace

void init_diagnostics(const char *argv0) {
  const char *level = std::getenv("ADI_DEBUG_LEVEL");
  adi_debug_level = level != nullptr ? std::atoi(level) : 0;
  driver_name = argv0 != nullptr ? argv0 : "";
}

bool debug_lines() { return (adi_debug_level & kDebugLines) != 0; }
bool debug_x() { return (adi_debug_level & kDebugX) != 0; }

void debug_line(const char *text) {
  if (!debug_lines()) return;
  std::printf("%s: %s\n", driver_name.c_str(), text);
  std::fflush(stdout);
}

void debug_value(const char *what, std::uintptr_t value) {
  if (!debug_lines()) return;
  std::printf("%s: %s = %" PRIXPTR "\n", driver_name.c_str(), what, value);
  std::fflush(stdout);
}

void print_xt_warning(String message) {
  if (!debug_x()) return;
  std::printf("%s: Xt Warning: %s\n", driver_name.c_str(), message != nullptr ? message : "");
  std::fflush(stdout);
}

int x_error_handler(Display *dpy, XErrorEvent *event) {
  char text[256] = {};
  XGetErrorText(dpy, event->error_code, text, sizeof text);
  std::printf("%s\n", text);
  std::printf("IN X ERROR HANDLER...  Press return exit application\n");
  std::fflush(stdout);
  std::getchar();
  std::exit(1);
}

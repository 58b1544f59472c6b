// Playing a session script against a driver.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "adiclient/script.h"

namespace adiclient {

struct PlayerOptions {
  std::string driver;       // the program to start
  std::string script_name;  // for messages
  int timeout_ms = 5000;    // how long an expectation waits
  bool quiet = false;       // print no trace of replies and events
  FILE *out = stdout;       // trace
  FILE *err = stderr;       // failures
};

// 0 when every expectation held, 1 at the first that did not (or when the
// driver or the display could not be used).
int play_script(const std::vector<Action> &actions, const PlayerOptions &options);

}  // namespace adiclient

// Keeps the live configuration record for one test and puts it back after.
#pragma once

#include "base/config_record.h"

struct SavedConfig {
  ConfigRecord saved = cfr;
  SavedConfig() = default;
  SavedConfig(const SavedConfig &) = delete;
  SavedConfig &operator=(const SavedConfig &) = delete;
  ~SavedConfig() { cfr = saved; }
};

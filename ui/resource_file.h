// The X resource file the window-configuration packet writes the window
// geometries into: its name, and the rewrite that keeps every other line.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// One saved window geometry: resource name and "WxH+X+Y"; only entries of
// windows that exist are written.
struct ResourceEntry {
  const char *name;
  char value[64];
  bool present;
};
inline constexpr int kResourceEntryCount = 3;
extern const char *const resource_geometry_names[kResourceEntryCount];

// The new file text: each line beginning with a present entry's name (then
// blanks and ':') becomes "name:\t\t\tvalue\n"; every other line is kept
// whole; present entries the text lacks are appended.
std::string rewrite_resource_text(std::string_view old_text, const ResourceEntry *entries, int count);
// The largest resource file rewritten: many times any real one. A larger file
// is left as it is, since a rewrite must hold all of it.
inline constexpr std::size_t kResourceFileMax = std::size_t{1} << 20;

// Rewrites the file (created when missing) through a temporary file beside it
// renamed over it: a failed write keeps the old file. Through a symbolic link
// the file it names is written and the link kept; a device or FIFO is written
// in place. False on failure, which a WARNING line explains (the file and
// the reason).
bool write_resource_file(const char *path, const ResourceEntry *entries, int count);
// HOME, else the password entry of the login name or of the user id; "" when
// none.
const char *get_home_dir();
// ACADRESFILE, else "<home>/.Xdefaults"; false when neither can be made.
bool resource_file_path(char *out, std::size_t cap);

// The X resource file the window-configuration packet writes the window
// geometries into.
#include "ui/resource_file.h"

#include <pwd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "base/files.h"

const char *const resource_geometry_names[kResourceEntryCount] = {
    "AutoCAD-Graph.geometry", "AutoCAD-Text.geometry", "AutoCAD-Kanji.geometry"};

namespace {

// The entry whose resource name begins the line (then blanks and ':'), or -1.
int entry_of_line(std::string_view line, const ResourceEntry *entries, int count) {
  for (int i = 0; i < count; ++i) {
    if (!entries[i].present || entries[i].name == nullptr) continue;
    std::string_view name = entries[i].name;
    if (name.empty() || line.substr(0, name.size()) != name) continue;
    std::size_t k = name.size();
    while (k < line.size() && (line[k] == ' ' || line[k] == '\t')) ++k;
    if (k < line.size() && line[k] == ':') return i;
  }
  return -1;
}

void append_entry(std::string &out, const ResourceEntry &e) {
  out.append(e.name);
  out.append(":\t\t\t");
  out.append(e.value, strnlen(e.value, sizeof e.value));
  out.push_back('\n');
}

}  // namespace

std::string rewrite_resource_text(std::string_view old_text, const ResourceEntry *entries, int count) {
  std::string out;
  out.reserve(old_text.size() + 3 * 64);
  bool met[kResourceEntryCount] = {};
  if (count > kResourceEntryCount) count = kResourceEntryCount;
  std::size_t pos = 0;
  while (pos < old_text.size()) {
    std::size_t nl = old_text.find('\n', pos);
    std::size_t end = nl == std::string_view::npos ? old_text.size() : nl;
    std::string_view line = old_text.substr(pos, end - pos);
    int which = entry_of_line(line, entries, count);
    if (which >= 0) {
      append_entry(out, entries[which]);
      met[which] = true;
    } else {
      out.append(line);
      out.push_back('\n');
    }
    pos = end + 1;
  }
  for (int i = 0; i < count; ++i)
    if (entries[i].present && entries[i].name != nullptr && !met[i]) append_entry(out, entries[i]);
  return out;
}

bool write_resource_file(const char *path, const ResourceEntry *entries, int count) {
  if (path == nullptr || path[0] == '\0') return false;
  // The file the name leads to, links followed; one not there yet, or a
  // device or FIFO written in place, starts empty. One too large to rewrite
  // whole is left as it is.
  std::string old_text;
  bool cut = false;
  if (!read_file(path, old_text, kResourceFileMax, &cut)) {
    const int err = errno;
    if (err != ENOENT && err != kNotRegularFile && err != EISDIR) {
      warn_file("read", path, err);
      return false;
    }
  } else if (cut) {
    warn_file("write", path, EFBIG);
    return false;
  }
  const std::string text = rewrite_resource_text(old_text, entries, count);
  if (replace_file(path, text.data(), text.size())) return true;
  warn_file("write", path, errno);
  return false;
}

const char *get_home_dir() {
  const char *home = std::getenv("HOME");
  if (home != nullptr && home[0] != '\0') return home;
  const struct passwd *pw = nullptr;
  if (const char *login = getlogin()) pw = getpwnam(login);
  if (pw == nullptr) pw = getpwuid(getuid());
  return pw != nullptr && pw->pw_dir != nullptr ? pw->pw_dir : "";
}

bool resource_file_path(char *out, std::size_t cap) {
  if (cap == 0) return false;
  out[0] = '\0';
  const char *named = std::getenv("ACADRESFILE");
  int n = 0;
  if (named != nullptr && named[0] != '\0') {
    n = std::snprintf(out, cap, "%s", named);
  } else {
    const char *home = get_home_dir();
    if (home[0] == '\0') return false;
    n = std::snprintf(out, cap, "%s/.Xdefaults", home);
  }
  // A name cut to fit would be another file.
  if (n < 0 || static_cast<std::size_t>(n) >= cap) {
    out[0] = '\0';
    return false;
  }
  return true;
}

// For the targets that give the driver a file to read: a private folder for
// the input, made on first use (in /dev/shm where there is one, so that the
// driver's writes and syncs stay in memory) and removed at exit, and ACAD
// pointed at it, so a support file looked up by name is the input and never
// one of the user's.
#pragma once

#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace fuzz_files {

// Held for the whole run (never destroyed), so that the clean-up at exit can
// still read them.
inline std::vector<std::string> &made() {
  static auto *names = new std::vector<std::string>;
  return *names;
}

inline void remove_all() {
  for (const std::string &name : made()) unlink(name.c_str());
}

// The folder; names lists the support files the target writes: the driver
// looks in the working directory before ACAD, so none of them may be there.
inline const std::string &folder(std::initializer_list<const char *> names = {}) {
  static const std::string &dir = *[] {
    const char *base = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : std::getenv("TMPDIR");
    std::string pattern = std::string(base != nullptr ? base : "/tmp") + "/kova-fuzz-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) {
      std::perror(pattern.c_str());
      std::exit(1);
    }
    setenv("ACAD", pattern.c_str(), 1);
    std::atexit([] {
      remove_all();
      rmdir(folder().c_str());
    });
    return new std::string(pattern);
  }();
  for (const char *name : names) {
    if (access(name, F_OK) == 0) {
      std::fprintf(stderr, "%s in the working directory would be read in place of the input: run elsewhere\n",
                   name);
      std::exit(1);
    }
  }
  return dir;
}

// The path of name in the folder, removed at exit.
inline std::string path(const char *name) {
  std::string p = folder() + "/" + name;
  for (const std::string &m : made())
    if (m == p) return p;
  made().push_back(p);
  return p;
}

// Writes the bytes as name in the folder; returns its path.
inline std::string put(const char *name, const std::uint8_t *data, std::size_t size) {
  const std::string p = path(name);
  FILE *f = std::fopen(p.c_str(), "wb");
  if (f == nullptr || std::fwrite(data, 1, size, f) != size || std::fclose(f) != 0) {
    std::perror(p.c_str());
    std::exit(1);
  }
  return p;
}

}  // namespace fuzz_files

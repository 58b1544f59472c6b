#include "base/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <utility>

namespace {

// Symbolic links followed in one name, as the kernel's own bound.
constexpr int kMaxLinkHops = 40;

bool write_all(int fd, const char *p, std::size_t left) {
  while (left > 0) {
    const ssize_t n = write(fd, p, left);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (n == 0) errno = EIO;
      return false;
    }
    p += n;
    left -= static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace

bool follow_links(const char *path, std::string &target) {
  target = path;
  for (int hops = 0; hops < kMaxLinkHops; ++hops) {
    struct stat st {};
    if (lstat(target.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return true;
    std::string link(st.st_size > 0 ? static_cast<std::size_t>(st.st_size) + 1 : PATH_MAX, '\0');
    const ssize_t n = readlink(target.c_str(), link.data(), link.size());
    if (n < 0) return false;
    if (n == 0 || static_cast<std::size_t>(n) >= link.size()) {
      errno = ENAMETOOLONG;  // the link changed under us
      return false;
    }
    link.resize(static_cast<std::size_t>(n));
    if (link[0] != '/') {
      // A relative link names a file beside the link.
      const std::size_t slash = target.rfind('/');
      link.insert(0, slash == std::string::npos ? std::string() : target.substr(0, slash + 1));
    }
    target = std::move(link);
  }
  errno = ELOOP;
  return false;
}

int open_regular_file(const char *path) {
  const int fd = open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return -1;
  struct stat st {};
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || fcntl(fd, F_SETFL, 0) != 0) {
    const int err = S_ISDIR(st.st_mode) ? EISDIR : S_ISREG(st.st_mode) ? errno : EINVAL;
    close(fd);
    errno = err;
    return -1;
  }
  return fd;
}

bool read_file(const char *path, std::string &text) {
  text.clear();
  const int fd = open_regular_file(path);
  if (fd < 0) return false;
  bool ok = true;
  char buffer[8192];
  while (ok) {
    const ssize_t n = read(fd, buffer, sizeof buffer);
    if (n == 0) break;
    if (n < 0) {
      if (errno == EINTR) continue;
      ok = false;
      break;
    }
    text.append(buffer, static_cast<std::size_t>(n));
  }
  const int err = errno;
  close(fd);
  errno = err;
  return ok;
}

bool replace_file(const char *path, const void *bytes, std::size_t size) {
  std::string target;
  if (path == nullptr || path[0] == '\0') {
    errno = ENOENT;
    return false;
  }
  if (!follow_links(path, target)) return false;
  mode_t mode;
  struct stat old {};
  if (stat(target.c_str(), &old) == 0) {
    if (S_ISDIR(old.st_mode)) {
      errno = EISDIR;
      return false;
    }
    mode = old.st_mode & 07777;
  } else {
    const mode_t mask = umask(0);
    umask(mask);
    mode = 0666 & ~mask;
  }
  std::string temp = target + ".XXXXXX";
  const int fd = mkstemp(temp.data());
  if (fd < 0) return false;
  bool ok = write_all(fd, static_cast<const char *>(bytes), size) && fchmod(fd, mode) == 0;
  // Some file systems cannot sync; the data is still written.
  if (ok && fsync(fd) != 0 && errno != EINVAL) ok = false;
  int err = errno;
  if (close(fd) != 0 && ok) {
    ok = false;
    err = errno;
  }
  if (ok && rename(temp.c_str(), target.c_str()) != 0) {
    ok = false;
    err = errno;
  }
  if (!ok) {
    unlink(temp.c_str());
    errno = err;
  }
  return ok;
}

#include "base/files.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <utility>


namespace {

// Symbolic links followed in one name, as the kernel's own bound.
constexpr int kMaxLinkHops = 40;
// How long a device or FIFO written in place may take no bytes before the
// write fails: its reader has stopped reading.
constexpr int kStallMs = 5000;

// Writes all of it; a descriptor that would block (a device or FIFO opened
// without waiting) is waited on for at most kStallMs at a time.
bool write_all(int fd, const char *p, std::size_t left) {
  while (left > 0) {
    const ssize_t n = ::write(fd, p, left);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      pollfd out{fd, POLLOUT, 0};
      const int ready = poll(&out, 1, kStallMs);
      if (ready < 0 && errno == EINTR) continue;
      if (ready == 0) errno = ETIMEDOUT;
      if (ready <= 0) return false;
      continue;
    }
    if (n <= 0) {
      if (n == 0) errno = EIO;
      return false;
    }
    p += n;
    left -= static_cast<std::size_t>(n);
  }
  return true;
}

ssize_t read_some(int fd, char *p, std::size_t size) {
  ssize_t n;
  do n = ::read(fd, p, size);
  while (n < 0 && errno == EINTR);
  return n;
}

int kind_error(mode_t mode) { return S_ISDIR(mode) ? EISDIR : kNotRegularFile; }

// The file being read through a support-file stream, and what is left of
// its limit.
struct LimitedFile {
  int fd;
  std::size_t left, limit;
  std::string name;
};

ssize_t limited_read(void *cookie, char *buffer, std::size_t size) {
  auto *f = static_cast<LimitedFile *>(cookie);
  if (f->left == 0) {
    char more;
    if (f->fd >= 0 && read_some(f->fd, &more, 1) > 0) warn_file_cut(f->name.c_str(), f->limit);
    if (f->fd >= 0) close(f->fd);
    f->fd = -1;  // said once
    return 0;
  }
  const ssize_t n = read_some(f->fd, buffer, std::min(size, f->left));
  if (n > 0) f->left -= static_cast<std::size_t>(n);
  return n;
}

int limited_close(void *cookie) {
  auto *f = static_cast<LimitedFile *>(cookie);
  if (f->fd >= 0) close(f->fd);
  delete f;
  return 0;
}

mode_t new_file_mode() {
  const mode_t mask = umask(0);
  umask(mask);
  return 0666 & ~mask;
}

// A regular file opened with flags (with O_CREAT a missing one is made, 0666
// less the umask), or -1 with errno set. The name is looked at before it is
// opened, since opening a device can do something, and the open does not
// wait, should a FIFO come under the name meanwhile.
int open_regular(const char *path, int flags) {
  if (path == nullptr) {
    errno = ENOENT;
    return -1;
  }
  struct stat st {};
  if (stat(path, &st) == 0) {
    if (!S_ISREG(st.st_mode)) {
      errno = kind_error(st.st_mode);
      return -1;
    }
  } else if ((flags & O_CREAT) == 0) {
    return -1;
  }
  const int fd = open(path, flags | O_CLOEXEC | O_NOCTTY | O_NONBLOCK, 0666);
  if (fd < 0) return -1;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || fcntl(fd, F_SETFL, flags & O_APPEND) != 0) {
    const int err = S_ISREG(st.st_mode) ? errno : kind_error(st.st_mode);
    close(fd);
    errno = err;
    return -1;
  }
  return fd;
}

}  // namespace

const char *file_error_text(int err) {
  return err == kNotRegularFile ? "not a regular file" : std::strerror(err);
}

void warn_file(const char *doing, const char *name, int err) {
  std::fprintf(stderr, "WARNING: rcKovaGL: cannot %s %s: %s\n", doing, name != nullptr ? name : "",
               file_error_text(err));
  std::fflush(stderr);
}

void warn_file_cut(const char *name, std::size_t limit) {
  std::fprintf(stderr, "WARNING: rcKovaGL: %s: only its first %zu bytes were read\n", name != nullptr ? name : "",
               limit);
  std::fflush(stderr);
}

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

int open_regular_file(const char *path) { return open_regular(path, O_RDONLY); }

bool read_file(const char *path, std::string &text, std::size_t limit, bool *cut) {
  text.clear();
  if (cut != nullptr) *cut = false;
  const int fd = open_regular_file(path);
  if (fd < 0) return false;
  bool ok = true;
  char buffer[8192];
  while (text.size() < limit) {
    const ssize_t n = read_some(fd, buffer, std::min(sizeof buffer, limit - text.size()));
    if (n == 0) break;
    if (n < 0) {
      ok = false;
      break;
    }
    text.append(buffer, static_cast<std::size_t>(n));
  }
  if (ok && text.size() == limit && cut != nullptr) *cut = read_some(fd, buffer, 1) > 0;
  const int err = errno;
  close(fd);
  errno = err;
  return ok;
}

bool read_file_reported(const char *path, std::string &text, std::size_t limit) {
  bool cut = false;
  if (!read_file(path, text, limit, &cut)) {
    const int err = errno;
    if (err != ENOENT) warn_file("read", path, err);
    errno = err;
    return false;
  }
  if (cut) warn_file_cut(path, limit);
  return true;
}

std::FILE *open_limited_stream(const char *path, std::size_t limit) {
  const int fd = open_regular_file(path);
  if (fd < 0) {
    const int err = errno;
    if (err != ENOENT) warn_file("read", path, err);
    errno = err;
    return nullptr;
  }
  auto *file = new LimitedFile{fd, limit, limit, path};
  std::FILE *stream = fopencookie(file, "r", {limited_read, nullptr, nullptr, limited_close});
  if (stream == nullptr) limited_close(file);
  return stream;
}

int open_append_file(const char *path) { return open_regular(path, O_WRONLY | O_APPEND | O_CREAT); }

// ---- writing ----------------------------------------------------------------------------

FileWriter::~FileWriter() { discard(); }

void FileWriter::discard() {
  const int err = errno;
  if (fd_ >= 0) close(fd_);
  if (device_fd_ >= 0) close(device_fd_);
  if (!temp_.empty()) unlink(temp_.c_str());
  fd_ = device_fd_ = -1;
  temp_.clear();
  errno = err;
}

bool FileWriter::open(const char *path, bool replace_existing) {
  discard();
  replace_ = replace_existing;
  if (path == nullptr || path[0] == '\0') {
    errno = ENOENT;
    return false;
  }
  struct stat st {};
  if (!replace_existing) {
    if (lstat(path, &st) == 0) {
      errno = EEXIST;
      return false;
    }
    target_ = path;
  } else if (!follow_links(path, target_)) {
    return false;
  }
  if (lstat(target_.c_str(), &st) != 0) {
    if (errno != ENOENT) return false;
    mode_ = new_file_mode();
  } else if (S_ISCHR(st.st_mode) || S_ISFIFO(st.st_mode)) {
    // Written in place, and only once all of it is there: a FIFO without a
    // reader is refused at once (ENXIO) rather than waited on.
    device_fd_ = ::open(target_.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (device_fd_ < 0) return false;
    if (fstat(device_fd_, &st) != 0 || !(S_ISCHR(st.st_mode) || S_ISFIFO(st.st_mode))) {
      const int err = errno;
      discard();
      errno = S_ISCHR(st.st_mode) || S_ISFIFO(st.st_mode) ? err : kNotRegularFile;
      return false;
    }
    fd_ = memfd_create("kova-file", MFD_CLOEXEC);
    if (fd_ < 0) {
      discard();
      return false;
    }
    return true;
  } else if (!S_ISREG(st.st_mode)) {
    errno = kind_error(st.st_mode);
    return false;
  } else {
    mode_ = st.st_mode & 07777;
  }
  temp_ = target_ + ".XXXXXX";
  fd_ = mkostemp(temp_.data(), O_CLOEXEC);
  if (fd_ < 0) {
    temp_.clear();
    return false;
  }
  return true;
}

bool FileWriter::write(const void *bytes, std::size_t size) {
  if (fd_ < 0) {
    errno = EBADF;
    return false;
  }
  return write_all(fd_, static_cast<const char *>(bytes), size);
}

bool FileWriter::finish() {
  if (fd_ < 0) {
    errno = EBADF;
    return false;
  }
  const bool ok = device_fd_ >= 0 ? finish_in_place() : finish_by_rename();
  discard();
  return ok;
}

bool FileWriter::finish_in_place() {
  if (lseek(fd_, 0, SEEK_SET) != 0) return false;
  char buffer[65536];
  for (;;) {
    const ssize_t n = read_some(fd_, buffer, sizeof buffer);
    if (n < 0) return false;
    if (n == 0) break;
    if (!write_all(device_fd_, buffer, static_cast<std::size_t>(n))) return false;
  }
  const int fd = std::exchange(device_fd_, -1);
  return close(fd) == 0;
}

bool FileWriter::finish_by_rename() {
  if (fchmod(fd_, mode_) != 0) return false;
  // Some file systems cannot sync; the data is still written.
  if (fsync(fd_) != 0 && errno != EINVAL) return false;
  if (close(std::exchange(fd_, -1)) != 0) return false;
  // Whatever came under the name meanwhile, only a regular file is replaced.
  struct stat st {};
  if (lstat(target_.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
    errno = kind_error(st.st_mode);
    return false;
  }
  if (replace_) {
    if (rename(temp_.c_str(), target_.c_str()) != 0) return false;
    temp_.clear();
    return true;
  }
  if (renameat2(AT_FDCWD, temp_.c_str(), AT_FDCWD, target_.c_str(), RENAME_NOREPLACE) == 0) {
    temp_.clear();
    return true;
  }
  // File systems without the exclusive rename still refuse a link over an
  // existing name; the temporary then goes.
  return (errno == EINVAL || errno == ENOSYS) && link(temp_.c_str(), target_.c_str()) == 0;
}

bool replace_file(const char *path, const void *bytes, std::size_t size) {
  FileWriter file;
  return file.open(path) && file.write(bytes, size) && file.finish();
}

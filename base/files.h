// The files the driver reads and writes, whatever a user or a client has put
// under their names.
//
// Reading: only a regular file is opened, and the open never waits, so a FIFO
// or a device under the name cannot stop the driver; each reader takes no
// more than its format can hold.
//
// Writing: a regular file, or a missing one, is written as a temporary file
// beside it that is renamed over it once complete, so a failed write keeps
// the old file; a symbolic link keeps its link and the file it leads to is
// written. A character device or a FIFO (under the name or where its links
// lead) is written in place, opened without waiting; anything else (a
// directory, a block device, a socket) is refused. Nothing but a regular file
// is ever renamed over.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdio>
#include <string>

// errno of the functions here for a name that is there but is of a kind they
// do not read or write: to a reader anything but a regular file, to a writer
// anything but a regular file, a character device or a FIFO. Not an errno of
// the system: file_error_text gives its words.
inline constexpr int kNotRegularFile = 0x10000;

// Why a file function failed, in words: the system's for its errno values.
const char *file_error_text(int err);
// One "WARNING" line on stderr: "cannot <doing> <name>: <why>".
void warn_file(const char *doing, const char *name, int err);
// One "WARNING" line on stderr saying that only the first limit bytes of the
// file were read.
void warn_file_cut(const char *name, std::size_t limit);

// The file a name stands for: symbolic links followed (a relative one from
// the link's own directory) up to a name that is no link, which need not
// exist. False with errno set on a loop of links or one that cannot be read.
bool follow_links(const char *path, std::string &target);

// A regular file opened for reading, or -1 with errno set (EISDIR for a
// directory, kNotRegularFile for anything else that is no regular file). A
// device is never opened, and the open never waits.
int open_regular_file(const char *path);

// At most limit bytes of a regular file; false with errno set when it cannot
// be read (ENOENT when it does not exist). When the file holds more than limit
// bytes, the first limit are read and *cut is set.
bool read_file(const char *path, std::string &text, std::size_t limit, bool *cut = nullptr);
// read_file for a file the driver looks for: a missing one is no error and is
// not reported (false, errno ENOENT); one that cannot be read is reported
// (false, errno set); one that holds more than limit bytes is read up to
// limit and that is reported.
bool read_file_reported(const char *path, std::string &text, std::size_t limit);

// The most of a support file (the message and command tables, the palettes)
// that is read: a thousand of their longest lines, a comment beside each row
// of the largest table and more.
inline constexpr std::size_t kSupportFileMax = 1000 * 256;

// A regular file as a stream that reads at most limit bytes of it and reports
// a file that holds more. nullptr with errno set when it cannot be opened,
// which is reported unless the file is missing.
std::FILE *open_limited_stream(const char *path, std::size_t limit);

// Opens a file for appending: a regular file, or a missing one (made with 0666
// less the umask), through its links. -1 with errno set for anything else
// (kNotRegularFile, EISDIR), never waiting on a FIFO or a device.
int open_append_file(const char *path);

// A file being written. open() makes the temporary file beside the file the
// name stands for (or, for a device or FIFO, a buffer in memory) and fd()
// takes what is to be written; finish() puts it in place. A writer destroyed
// before finish() leaves everything as it was.
class FileWriter {
 public:
  FileWriter() = default;
  ~FileWriter();
  FileWriter(const FileWriter &) = delete;
  FileWriter &operator=(const FileWriter &) = delete;

  // Starts writing what path stands for. With replace_existing false a name
  // that is there in any form is refused (EEXIST). False with errno set.
  bool open(const char *path, bool replace_existing = true);
  // Where the bytes go, seekable; -1 before open().
  int fd() const { return fd_; }
  bool write(const void *bytes, std::size_t size);
  // Synced and renamed over the file, or copied into the device or FIFO. False
  // with errno set; the old file is then as it was and no temporary is left.
  bool finish();

 private:
  void discard();
  bool finish_in_place();
  bool finish_by_rename();

  std::string target_, temp_;
  int fd_ = -1;         // the temporary file, or the buffer
  int device_fd_ = -1;  // the device or FIFO written in place
  bool replace_ = true;
  mode_t mode_ = 0;
};

// Writes size bytes as the file path stands for, through a FileWriter. False
// with errno saying why; the old file is then as it was.
bool replace_file(const char *path, const void *bytes, std::size_t size);

// Files the driver writes: always through a temporary file beside the file
// and a rename over it, so that a failed write keeps the old file. A name that
// is a symbolic link keeps its link: the file it leads to is written.
#pragma once

#include <cstddef>
#include <string>

// The file a name stands for: symbolic links followed (a relative one from
// the link's own directory) up to a name that is no link, which need not
// exist. False with errno set on a loop of links or one that cannot be read.
bool follow_links(const char *path, std::string &target);

// A regular file opened for reading, or -1 with errno set (EISDIR, EINVAL
// for anything else that is no regular file). The open never waits: a FIFO
// put where a file is expected cannot stop the driver.
int open_regular_file(const char *path);

// The whole of a regular file; false with errno set when it cannot be read
// (ENOENT when it does not exist).
bool read_file(const char *path, std::string &text);

// Writes size bytes as the file path stands for: a new file beside it, synced
// and renamed over it. The file keeps its permissions; a new one gets 0666
// less the umask. False with errno saying why; the old file is then as it was.
bool replace_file(const char *path, const void *bytes, std::size_t size);

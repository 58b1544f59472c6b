// Reading the files the client leaves for the driver.
#include "base/files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

// A FIFO or a directory where a file is expected is no file, and reading it
// never waits for a writer that may not come. The read runs in a child that
// an alarm ends should it block.
TEST(ReadFile, AFifoOrADirectoryIsNoFileAndNeverBlocks) {
  char dir[] = "/tmp/kova-files-XXXXXX";
  ASSERT_NE(mkdtemp(dir), nullptr);
  const std::string fifo = std::string(dir) + "/@sysvar.dat";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    alarm(10);
    std::string text;
    const bool fifo_read = read_file(fifo.c_str(), text);
    const bool dir_read = read_file(dir, text);
    _exit(!fifo_read && !dir_read && errno == EISDIR ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
  unlink(fifo.c_str());
  rmdir(dir);
}

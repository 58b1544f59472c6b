// The files the driver reads and writes as a user or a client may leave them:
// FIFOs, huge files and a full device. The driver answers, says once what it
// skipped or could not write (the file and the reason), and leaves every FIFO
// and device as it was.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <filesystem>
#include <string>

#include "driver_session.h"

using adiclient::Packet;

namespace {

namespace fs = std::filesystem;

struct Files : DriverWindowTest {
  std::string file(const std::string &name) const { return cfg.path + "/" + name; }
  void start(const std::vector<std::string> &env = {}) {
    Packet init;
    open_window_session(adiclient::pinit(), init, env);
  }
  // How many times stderr holds text, once the driver has answered a pnop.
  int said(const std::string &text) {
    ask(adiclient::pnop());
    const std::string err = s->err_text();
    int n = 0;
    for (std::size_t at = 0; (at = err.find(text, at)) != std::string::npos; at += text.size()) ++n;
    return n;
  }
};

TEST_P(Files, FifosAndHugeFilesHoldNothingUp) {
  const std::vector<std::string> fifos = {"gl_strs.txt", "gl_acad12.txt", "gl_acad.pal", "gl_com12.txt", "icon.xpm",
                                         "acad.log"};
  for (const std::string &name : fifos) ASSERT_EQ(mkfifo(file(name).c_str(), 0600), 0) << name;
  // A command table without names, so that the string table is looked for too.
  write_file(file("gl_cmds.txt"), "# no names\n");
  // A bar at the top with one tool whose picture is a FIFO, and 2 GiB after.
  write_file(file("toolbar.cfg"), "1\n1\n1\n" + file("icon.xpm") + " 0 \"LINE\\n\"\n", off_t{2} << 30);
  write_file(file("resources"), "", off_t{256} << 20);
  start({"ACADLOGFILE=" + file("acad.log")});
  if (IsSkipped() || HasFatalFailure()) return;
  for (std::size_t i = 0; i + 1 < fifos.size(); ++i)
    EXPECT_EQ(said(fifos[i] + ": not a regular file\n"), 1) << fifos[i] << "\n" << s->err_text();
  EXPECT_EQ(ask(adiclient::pcommand("LOGFILEON")).i16(2), 1);
  EXPECT_EQ(said("cannot write " + file("acad.log") + ": not a regular file\n"), 1) << s->err_text();
  for (const std::string &name : fifos) EXPECT_TRUE(fs::is_fifo(file(name))) << name;
  EXPECT_EQ(said(file("toolbar.cfg") + ": only its first 133040 bytes were read\n"), 1) << s->err_text();
  const long peak = peak_kib(s->driver.pid);
  EXPECT_LT(peak, 1L << 20);

  // The window configuration leaves the resources too large to rewrite whole
  // as they are, reading no more of them than that; the reason is the
  // system's, in the language of the driver's locale.
  EXPECT_EQ(ask(Packet(110, 4)).i16(2), 0);
  EXPECT_EQ(said("cannot write " + file("resources") + ": "), 1) << s->err_text();
  EXPECT_EQ(fs::file_size(file("resources")), std::uintmax_t{256} << 20);
  EXPECT_LT(peak_kib(s->driver.pid) - peak, 64L << 10);
}

// The configuration file is a link to a device of /dev/full's kind: each
// write (the command, the window configuration) fails and is said once.
TEST_P(Files, ConfigurationWritesIntoAFullDeviceAreSaidOnceEach) {
  const std::string device = file("full");
  if (mknod(device.c_str(), S_IFCHR | 0666, makedev(1, 7)) != 0) GTEST_SKIP() << "mknod not permitted";
  const int probe = open(device.c_str(), O_WRONLY);
  if (probe < 0) GTEST_SKIP() << "devices not usable here";
  close(probe);
  fs::create_symlink(device, file("tester.cnf"));
  start();
  if (IsSkipped() || HasFatalFailure()) return;
  const std::string full = "cannot write " + file("tester.cnf") + ": ";
  EXPECT_EQ(said(full), 0);  // the defaults at init say so themselves
  EXPECT_EQ(ask(adiclient::pcommand("WRITE_CONFIG")).i16(2), 1);
  EXPECT_EQ(said(full), 1) << s->err_text();
  EXPECT_EQ(ask(Packet(110, 4)).i16(2), 1);  // the resource file is written
  EXPECT_EQ(said(full), 2) << s->err_text();
  EXPECT_TRUE(fs::is_symlink(file("tester.cnf")));
  struct stat st {};
  ASSERT_EQ(lstat(device.c_str(), &st), 0);
  EXPECT_TRUE(S_ISCHR(st.st_mode));
  EXPECT_EQ(st.st_rdev, makedev(1, 7));
}

INSTANTIATE_TEST_SUITE_P(Both, Files, ::testing::ValuesIn(kPrograms), program_name);

}  // namespace

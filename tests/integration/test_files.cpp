// The files the driver reads and writes as a user or a client may leave
// them: FIFOs where the support files belong, huge tool-bar and resource
// files, a FIFO for the log and a full device behind the configuration file.
// The driver answers, says what it skipped or could not write (the file and
// the reason, once), and leaves every FIFO and device as it was.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>

#include "driver_session.h"

using adiclient::Packet;

namespace {

namespace fs = std::filesystem;

Packet command_packet(const std::string &text) {
  Packet p(25, 6);
  p.set_text(6, text);
  return p;
}

// A file of size bytes, sparse after its head.
void make_sparse(const std::string &path, off_t size, const std::string &head = "") {
  std::ofstream(path) << head;
  ASSERT_EQ(truncate(path.c_str(), size), 0);
}

struct Files : ::testing::TestWithParam<Program> {
  TempDir cfg;
  std::unique_ptr<Session> s;

  void SetUp() override {
    if (!have_display()) GTEST_SKIP() << "no X display";
    ASSERT_FALSE(cfg.path.empty());
  }
  void start(const std::vector<std::string> &extra_env = {}) {
    s = std::make_unique<Session>(GetParam());
    s->options.set_env = isolated_env(cfg.path);
    s->options.set_env.insert(s->options.set_env.end(), extra_env.begin(), extra_env.end());
    s->start();
  }
  Packet ask(const Packet &p) {
    EXPECT_TRUE(adiclient::send_packet(s->driver, p));
    return s->reply();
  }
  std::string file(const char *name) const { return cfg.path + "/" + name; }
  // How many lines of stderr hold text, once the driver has answered a pnop.
  int said(const std::string &text) {
    ask(adiclient::pnop());
    const std::string err = s->err_text();
    int n = 0;
    for (std::size_t at = 0; (at = err.find(text, at)) != std::string::npos; at += text.size()) ++n;
    return n;
  }
};

TEST_P(Files, FifosForSupportFilesAndHugeToolAndResourceFilesHoldNothingUp) {
  for (const char *name : {"gl_strs.txt", "gl_acad12.txt", "gl_acad.pal", "gl_com12.txt", "icon.xpm"})
    ASSERT_EQ(mkfifo(file(name).c_str(), 0600), 0) << name;
  // A command table without names, so that the string table it leads to is
  // looked for too.
  std::ofstream(file("gl_cmds.txt")) << "# no names\n";
  // A bar at the top with one tool whose picture is a FIFO, and 2 GiB after.
  make_sparse(file("toolbar.cfg"), off_t{2} << 30, "1\n1\n1\n" + file("icon.xpm") + " 0 \"LINE\\n\"\n");
  make_sparse(file("resources"), off_t{256} << 20);

  start();  // the handshake came
  s->open_session();
  for (const char *name : {"gl_strs.txt", "gl_acad12.txt", "gl_acad.pal", "gl_com12.txt", "icon.xpm"}) {
    EXPECT_EQ(said(std::string(name) + ": not a regular file\n"), 1) << name << "\n" << s->err_text();
    EXPECT_TRUE(fs::is_fifo(file(name))) << name;
  }
  EXPECT_EQ(said(file("toolbar.cfg") + ": only its first 133040 bytes were read\n"), 1) << s->err_text();
  // Far less than the 2 GiB of the file were ever held.
  const long peak = peak_kib(s->driver.pid);
  EXPECT_LT(peak, 1L << 20);

  // The window configuration leaves a resource file too large to rewrite
  // whole as it is, and reads no more of it than that.
  Packet wincfg(110, 4);
  EXPECT_EQ(ask(wincfg).i16(2), 0);
  // The reason is the system's, in the language of the driver's locale.
  EXPECT_EQ(said("cannot write " + file("resources") + ": "), 1) << s->err_text();
  EXPECT_EQ(fs::file_size(file("resources")), std::uintmax_t{256} << 20);
  EXPECT_LT(peak_kib(s->driver.pid) - peak, 64L << 10);
}

TEST_P(Files, ALogFileThatIsAFifoIsSaidAndLeftAlone) {
  ASSERT_EQ(mkfifo(file("acad.log").c_str(), 0600), 0);
  start({"ACADLOGFILE=" + file("acad.log")});
  s->open_session();
  EXPECT_EQ(ask(command_packet("LOGFILEON")).i16(2), 1);
  EXPECT_EQ(said("cannot write " + file("acad.log") + ": not a regular file\n"), 1) << s->err_text();
  EXPECT_TRUE(fs::is_fifo(file("acad.log")));
}

// The configuration file is a link to a device of /dev/full's kind: each
// write (the command, the window configuration) fails, is said once with the
// reason, and the device and the link stay.
TEST_P(Files, ConfigurationWritesIntoAFullDeviceAreSaidOnceEach) {
  const std::string device = file("full");
  if (mknod(device.c_str(), S_IFCHR | 0666, makedev(1, 7)) != 0) GTEST_SKIP() << "mknod not permitted";
  const int probe = open(device.c_str(), O_WRONLY);
  if (probe < 0) GTEST_SKIP() << "devices not usable here";
  close(probe);
  fs::create_symlink(device, file("tester.cnf"));
  start();
  s->open_session();
  // The reason is the system's, in the language of the driver's locale.
  const std::string full = "cannot write " + file("tester.cnf") + ": ";
  EXPECT_EQ(said(full), 0);  // the defaults at init say so themselves
  EXPECT_EQ(ask(command_packet("WRITE_CONFIG")).i16(2), 1);
  EXPECT_EQ(said(full), 1) << s->err_text();
  Packet wincfg(110, 4);
  EXPECT_EQ(ask(wincfg).i16(2), 1);  // the resource file is written
  EXPECT_EQ(said(full), 2) << s->err_text();
  EXPECT_TRUE(fs::is_symlink(file("tester.cnf")));
  struct stat st {};
  ASSERT_EQ(lstat(device.c_str(), &st), 0);
  EXPECT_TRUE(S_ISCHR(st.st_mode));
  EXPECT_EQ(st.st_rdev, makedev(1, 7));
}

INSTANTIATE_TEST_SUITE_P(Both, Files, ::testing::ValuesIn(kPrograms), program_name);

}  // namespace

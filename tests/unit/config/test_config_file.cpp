// The configuration file: layout, repairs, failures, and the four packets.
#include <gtest/gtest.h>
#include <sys/fsuid.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "adi/handlers.h"
#include "adi/main_loop.h"
#include "adi/session.h"
#include "base/config_record.h"
#include "base/packet.h"
#include "base/utilities.h"
#include "config/config_file.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

std::int32_t WordAt(const Bytes &b, int n) {
  std::size_t at = 272 + 4 * static_cast<std::size_t>(n - 68);
  return static_cast<std::int32_t>(std::uint32_t{b[at]} << 24 | std::uint32_t{b[at + 1]} << 16 |
                                   std::uint32_t{b[at + 2]} << 8 | b[at + 3]);
}

void PutWordAt(Bytes &b, int n, std::int32_t v) {
  std::size_t at = 272 + 4 * static_cast<std::size_t>(n - 68);
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>(static_cast<std::uint32_t>(v) >> (24 - 8 * i));
}

Bytes Encoded(const ConfigRecord &r) {
  std::uint8_t bytes[kConfigFileSize];
  EncodeConfigRecord(r, bytes);
  return Bytes(bytes, bytes + kConfigFileSize);
}

int OpenDescriptors() {
  return static_cast<int>(std::distance(fs::directory_iterator("/proc/self/fd"), fs::directory_iterator{}));
}

class ConfigFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char templ[] = "/tmp/kova_config_XXXXXX";
    ASSERT_NE(mkdtemp(templ), nullptr);
    dir = templ;
    const char *user = std::getenv("USER");
    had_user = user != nullptr;
    if (had_user) saved_user = user;
    setenv("USER", "tester", 1);
    saved = {cfr, newcfr, tempcfr};
    saved_first = FirstTimeInACAD;
    saved_app = MainApp.app_id;
    saved_font8bit = font8bit;
    std::memcpy(saved_config_path, config_path, sizeof config_path);
    cfr = newcfr = tempcfr = DefaultConfig();
    cfgptr = &cfr;
    config_loaded = 0;
    FirstTimeInACAD = 1;
    PathSet = 1;
    if (driver_path[0] == '\0') std::strcpy(driver_path, "./");
    std::snprintf(config_path, sizeof config_path, "%s", dir.c_str());
    output_fd = std::tmpfile();
  }
  void TearDown() override {
    std::fclose(output_fd);
    output_fd = nullptr;
    cfr = saved[0], newcfr = saved[1], tempcfr = saved[2];
    cfgptr = &cfr;
    config_loaded = 0;
    FirstTimeInACAD = saved_first;
    MainApp.app_id = saved_app;
    font8bit = saved_font8bit;
    std::memcpy(config_path, saved_config_path, sizeof config_path);
    if (had_user)
      setenv("USER", saved_user.c_str(), 1);
    else
      unsetenv("USER");
    chmod(dir.c_str(), 0755);
    fs::remove_all(dir);
  }

  std::string File() const { return dir + "/tester.cnf"; }
  Bytes ReadFile(const std::string &name) const {
    std::ifstream in(name, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
  }
  void WriteFile(const Bytes &b) const {
    std::ofstream(File(), std::ios::binary).write(reinterpret_cast<const char *>(b.data()), b.size());
  }
  std::string Messages() const {
    std::fflush(output_fd);
    std::rewind(output_fd);
    std::string s;
    for (int c; (c = std::fgetc(output_fd)) != EOF;) s += static_cast<char>(c);
    return s;
  }
  // Files in the directory besides the configuration file (left-over temporaries).
  int StrayFiles() const {
    int n = 0;
    for (auto &e : fs::directory_iterator(dir))
      if (e.path().extension() != ".cnf") ++n;
    return n;
  }

  std::string dir, saved_user;
  bool had_user = false;
  std::vector<ConfigRecord> saved;
  int saved_first = 0, saved_font8bit = 0;
  std::int16_t saved_app = 0;
  char saved_config_path[PATH_MAX];
};

TEST_F(ConfigFileTest, DefaultsAreTheShippedRecordByteForByte) {
  Bytes b = Encoded(DefaultConfig());
  ASSERT_EQ(b.size(), 524u);
  std::string sig = "Configuration file, version 1.0\n\x17";
  EXPECT_EQ(Bytes(b.begin(), b.begin() + 72), [&] {
    Bytes s(72, 0);
    std::memcpy(s.data(), sig.data(), sig.size());
    return s;
  }());
  EXPECT_STREQ(reinterpret_cast<const char *>(&b[72]), "KovaGL Display for Zarn 4 - by Marrowfield Labs");
  EXPECT_STREQ(reinterpret_cast<const char *>(&b[144]), "gl_com12.txt");
  EXPECT_STREQ(reinterpret_cast<const char *>(&b[208]), "Ryumin-Light.Hankaku");
  const std::int32_t expected[] = {2, 5, 7, 7, 7, 7, 2, 8, 7, 7, 0, 7, 0, 5, 7, 8, 7, 1, 8, 7, 5, 8, 7,
                                   5, 8, 7, 0, 8, 8, 1, 30, 1, 4096, 3, 1, 24, 1, 1, 1, 0, 1, 1, 0, 0,
                                   0, 0, 0, 0, 0, 0, 0, 200, 140, 800, 600, 520, 10, 720, 375, 5, 1, 1, 10};
  for (int n = 68; n <= 130; ++n) EXPECT_EQ(WordAt(b, n), expected[n - 68]) << "word " << n;
}

TEST_F(ConfigFileTest, RoundTripPutsEachWordAtItsByteOffsetBigEndian) {
  config_loaded = 1;
  newcfr.word(kWordScreenMode) = 0x01020304;
  newcfr.word(kWordPageSize) = 8192;
  newcfr.word(119) = -2;
  newcfr.word(kWordMenuWidth) = 12;
  std::strcpy(newcfr.font_name, "Fixed");
  WriteConfigFile(dir.c_str());
  Bytes b = ReadFile(File());
  ASSERT_EQ(b.size(), 524u);
  EXPECT_EQ(Bytes(&b[272], &b[276]), (Bytes{1, 2, 3, 4}));
  EXPECT_EQ(Bytes(&b[400], &b[404]), (Bytes{0, 0, 0x20, 0}));
  EXPECT_EQ(Bytes(&b[476], &b[480]), (Bytes{0xFF, 0xFF, 0xFF, 0xFE}));
  EXPECT_EQ(Bytes(&b[520], &b[524]), (Bytes{0, 0, 0, 12}));
  EXPECT_STREQ(reinterpret_cast<const char *>(&b[208]), "Fixed");
  EXPECT_EQ(Encoded(cfr), b);  // the write made the edit live
  EXPECT_EQ(StrayFiles(), 0);

  ConfigRecord written = newcfr;
  cfr = newcfr = tempcfr = DefaultConfig();
  ReadConfigFile(dir.c_str());
  EXPECT_EQ(Encoded(cfr), Encoded(written));
  EXPECT_EQ(Encoded(newcfr), Encoded(written));
  EXPECT_EQ(Messages(), "");
}

TEST_F(ConfigFileTest, OnlyValuesThatWouldIndexOutsideATableOrDivideByZeroAreMended) {
  struct Case {
    int word;
    std::int32_t stored, read;
  } cases[] = {
      {78, -3, 7},     {79, 300, 7},          {80, 255, 255},           // colour table indices
      {97, 5, 2},      {100, 0, 4096},        {101, 9, 3},   {127, 0, 1},
      {75, -1, -1},    {97, -4, -4},          {106, 5, 5},              // taken as read
      {127, 1 << 30, 1 << 30}, {130, 99, 99}, {130, -2, -2},
  };
  for (const Case &c : cases) {
    Bytes b = Encoded(DefaultConfig());
    std::memset(&b[72], 'x', 72);  // description without its NUL
    std::memset(&b[208], 0, 64);   // empty font name
    PutWordAt(b, 129, 0);          // 16-bit display list
    PutWordAt(b, c.word, c.stored);
    WriteFile(b);
    ReadConfigFile(dir.c_str());
    EXPECT_EQ(cfr.word(c.word), c.read) << "word " << c.word << " stored as " << c.stored;
    EXPECT_EQ(std::strlen(cfr.description), 71u);
    EXPECT_STREQ(cfr.font_name, "Screen-Bold");
  }

  // A page size out of range goes by the display list's width; one in range stays.
  Bytes b = Encoded(DefaultConfig());
  PutWordAt(b, 100, 10 << 20);
  WriteFile(b);
  ReadConfigFile(dir.c_str());
  EXPECT_EQ(cfr.word(kWordPageSize), 32768);
  PutWordAt(b, 100, 8192);
  WriteFile(b);
  ReadConfigFile(dir.c_str());
  EXPECT_EQ(cfr.word(kWordPageSize), 8192);
}

TEST_F(ConfigFileTest, PromptLinesAreTakenFromTheFileOnlyOnTheFirstStart) {
  Bytes b = Encoded(DefaultConfig());
  PutWordAt(b, 101, 5);
  WriteFile(b);
  FirstTimeInACAD = 0;
  tempcfr.word(kWordPromptLines) = 2;
  ReadConfigFile(dir.c_str());
  EXPECT_EQ(cfr.word(kWordPromptLines), 2);
  WriteFile(b);
  FirstTimeInACAD = 1;
  ReadConfigFile(dir.c_str());
  EXPECT_EQ(cfr.word(kWordPromptLines), 5);
}

TEST_F(ConfigFileTest, AShortFileIsClosedAndGivesTheDefaults) {
  Bytes b = Encoded(DefaultConfig());
  PutWordAt(b, 80, 3);
  b.pop_back();
  WriteFile(b);
  int fds = OpenDescriptors();
  ReadConfigFile(dir.c_str());
  EXPECT_EQ(OpenDescriptors(), fds);
  EXPECT_EQ(cfr.word(kWordColourGraphics), 0);
  EXPECT_EQ(cfr.word(kWordPageSize), 32768);
  EXPECT_EQ(Messages(), "Default configuration data written to file: " + File() +
                            ".\nDriver may be configured by entering CONFIGURE at the command prompt.\n");
  EXPECT_EQ(ReadFile(File()), Encoded(cfr));
}

TEST_F(ConfigFileTest, AFifoInPlaceOfTheFileIsNotWaitedOnGivesTheDefaultsAndStays) {
  ASSERT_EQ(mkfifo(File().c_str(), 0644), 0);
  cfr.word(kWordColourGraphics) = 4;
  ReadConfigFile(dir.c_str());
  EXPECT_EQ(cfr.word(kWordColourGraphics), 4);
  // Written in place, without waiting for a reader that is not there.
  EXPECT_EQ(Messages().rfind("Default configuration data could not be written to file: " + File() + " (" +
                                 std::strerror(ENXIO) + ").\n",
                             0),
            0u);
  EXPECT_TRUE(fs::is_fifo(File()));
}

TEST_F(ConfigFileTest, AFileWithAnotherSignatureIsReplacedByTheLiveSettings) {
  cfr.word(kWordColourGraphics) = 4;
  Bytes b = Encoded(DefaultConfig());
  b[0] = 'c';
  PutWordAt(b, 80, 9);
  WriteFile(b);
  int fds = OpenDescriptors();
  ReadConfigFile(dir.c_str());
  EXPECT_EQ(OpenDescriptors(), fds);
  EXPECT_EQ(cfr.word(kWordColourGraphics), 4);
  EXPECT_EQ(newcfr.word(kWordColourGraphics), 4);
  EXPECT_EQ(Messages(), "");
  EXPECT_EQ(ReadFile(File()), Encoded(cfr));
}

TEST_F(ConfigFileTest, AUserNameThatLeadsOutOfTheDirectoryIsTakenAsUnset) {
  struct Case {
    const char *user;  // nullptr: unset
    const char *file;
  } cases[] = {{nullptr, "gl_adi.cnf"}, {"../../x", "gl_adi.cnf"}, {"a/b", "gl_adi.cnf"},
               {"..", "gl_adi.cnf"},    {"/etc/x", "gl_adi.cnf"},  {"jo.e", "jo.e.cnf"}};
  for (const Case &c : cases) {
    if (c.user != nullptr)
      setenv("USER", c.user, 1);
    else
      unsetenv("USER");
    std::string name;
    ASSERT_EQ(ConfigFileName(dir.c_str(), name), 1);
    EXPECT_EQ(name, dir + "/" + c.file) << (c.user ? c.user : "unset");
    ReadConfigFile(dir.c_str());
    std::vector<std::string> files;
    for (auto &e : fs::directory_iterator(dir)) files.push_back(e.path().filename());
    EXPECT_EQ(files, std::vector<std::string>{c.file});
    fs::remove(dir + "/" + c.file);
  }
}

TEST_F(ConfigFileTest, AnEmptyOrOverlongPathReadsAndWritesNothing) {
  std::string name;
  EXPECT_EQ(ConfigFileName("", name), 0);
  EXPECT_EQ(ConfigFileName(std::string(PATH_MAX, 'a').c_str(), name), 0);
  ReadConfigFile("");
  ReadConfigFile(std::string(PATH_MAX, 'a').c_str());
  EXPECT_EQ(config_loaded, 0);
  config_loaded = 1;
  newcfr.word(kWordColourGraphics) = 5;
  WriteConfigFile("");
  EXPECT_EQ(cfr.word(kWordColourGraphics), 0);
  EXPECT_EQ(Messages(), "");
}

TEST_F(ConfigFileTest, NothingIsWrittenBeforeTheFileWasRead) {
  Bytes b = Encoded(DefaultConfig());
  PutWordAt(b, 80, 6);
  WriteFile(b);
  newcfr.word(kWordColourGraphics) = 2;
  WriteConfigFile(dir.c_str());  // as a window-configuration packet after a refused init
  EXPECT_EQ(ReadFile(File()), b);
  EXPECT_EQ(cfr.word(kWordColourGraphics), 0);
}

TEST_F(ConfigFileTest, AFailedWriteKeepsTheOldFileAndTheOldSettings) {
  config_loaded = 1;
  newcfr.word(kWordColourGraphics) = 6;
  WriteConfigFile(dir.c_str());
  Bytes old = ReadFile(File());
  newcfr.word(kWordColourGraphics) = 9;

  // The temporary file cannot be created (no descriptor is left to open it).
  rlimit saved_files;
  getrlimit(RLIMIT_NOFILE, &saved_files);
  const int lowest_free = dup(0);
  close(lowest_free);
  rlimit no_more = saved_files;
  no_more.rlim_cur = static_cast<rlim_t>(lowest_free);
  setrlimit(RLIMIT_NOFILE, &no_more);
  WriteConfigFile(dir.c_str());
  setrlimit(RLIMIT_NOFILE, &saved_files);
  EXPECT_EQ(ReadFile(File()), old);
  EXPECT_EQ(cfr.word(kWordColourGraphics), 6);

  // The data cannot be written out (file size limit).
  rlimit saved_limit;
  getrlimit(RLIMIT_FSIZE, &saved_limit);
  auto saved_handler = signal(SIGXFSZ, SIG_IGN);
  rlimit small = saved_limit;
  small.rlim_cur = 100;
  setrlimit(RLIMIT_FSIZE, &small);
  WriteConfigFile(dir.c_str());
  setrlimit(RLIMIT_FSIZE, &saved_limit);
  signal(SIGXFSZ, saved_handler);
  EXPECT_EQ(ReadFile(File()), old);
  EXPECT_EQ(cfr.word(kWordColourGraphics), 6);
  EXPECT_EQ(StrayFiles(), 0);
}

TEST_F(ConfigFileTest, AnUnwritableDirectoryKeepsTheOldFileAndTheOldSettings) {
  config_loaded = 1;
  newcfr.word(kWordColourGraphics) = 6;
  WriteConfigFile(dir.c_str());
  Bytes old = ReadFile(File());
  newcfr.word(kWordColourGraphics) = 9;
  chmod(dir.c_str(), 0555);
  // Permissions bind root too once its file-system identity is another user's.
  const bool root = geteuid() == 0;
  if (root) setfsuid(65534);
  WriteConfigFile(dir.c_str());
  if (root) setfsuid(0);
  EXPECT_EQ(ReadFile(File()), old);
  EXPECT_EQ(cfr.word(kWordColourGraphics), 6);
}

TEST_F(ConfigFileTest, AFailedDefaultWriteSaysSoAndWhy) {
  struct Case {
    const char *what;
    std::string path;  // the directory handed to the reader
    int err;
  } cases[] = {
      {"missing directory", dir + "/missing", ENOENT},
      {"read-only directory", dir + "/locked", EACCES},
      {"name that is a directory", dir + "/taken", EISDIR},
      {"file too large for the disk", dir + "/full", EFBIG},
  };
  fs::create_directory(dir + "/locked");
  chmod((dir + "/locked").c_str(), 0555);
  fs::create_directories(dir + "/taken/tester.cnf");
  fs::create_directory(dir + "/full");
  chmod(dir.c_str(), 0755);
  for (const Case &c : cases) {
    // In memory, where the file size limit does not reach.
    char *text = nullptr;
    std::size_t length = 0;
    FILE *saved_output = output_fd;
    output_fd = open_memstream(&text, &length);
    // Permissions bind root too once its file-system identity is another user's.
    const bool root = geteuid() == 0 && c.err == EACCES;
    if (root) setfsuid(65534);
    rlimit saved_limit;
    getrlimit(RLIMIT_FSIZE, &saved_limit);
    auto saved_handler = signal(SIGXFSZ, SIG_IGN);
    if (c.err == EFBIG) {
      rlimit small = saved_limit;
      small.rlim_cur = 100;
      setrlimit(RLIMIT_FSIZE, &small);
    }
    ReadConfigFile(c.path.c_str());
    setrlimit(RLIMIT_FSIZE, &saved_limit);
    signal(SIGXFSZ, saved_handler);
    if (root) setfsuid(0);
    std::fclose(output_fd);
    output_fd = saved_output;
    std::string messages(text, length);
    std::free(text);
    std::string name = c.path + "/tester.cnf";
    EXPECT_EQ(messages, "Default configuration data could not be written to file: " + name + " (" +
                              std::strerror(c.err) + ").\nDriver may be configured by entering CONFIGURE at the "
                              "command prompt.\n")
        << c.what;
    EXPECT_FALSE(fs::is_regular_file(name)) << c.what;
  }
  EXPECT_TRUE(fs::is_empty(dir + "/full"));
  EXPECT_TRUE(fs::is_empty(dir + "/taken/tester.cnf"));
}

TEST_F(ConfigFileTest, AFileThatIsASymbolicLinkIsWrittenWhereTheLinkLeads) {
  // A relative link to a private file in another directory.
  fs::create_directory(dir + "/kept");
  config_loaded = 1;
  newcfr.word(kWordColourGraphics) = 6;
  WriteConfigFile((dir + "/kept").c_str());
  chmod((dir + "/kept/tester.cnf").c_str(), 0600);
  fs::create_symlink("kept/tester.cnf", File());
  Bytes b = ReadFile(File());
  PutWordAt(b, 80, 4);
  std::ofstream(dir + "/kept/tester.cnf", std::ios::binary).write(reinterpret_cast<const char *>(b.data()), b.size());
  ReadConfigFile(dir.c_str());
  EXPECT_EQ(cfr.word(kWordColourGraphics), 4);
  newcfr.word(kWordColourGraphics) = 3;
  ASSERT_EQ(WriteConfigFile(dir.c_str()), 1);
  EXPECT_TRUE(fs::is_symlink(File()));
  EXPECT_EQ(ReadFile(dir + "/kept/tester.cnf"), Encoded(newcfr));
  EXPECT_EQ(fs::status(dir + "/kept/tester.cnf").permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir + "/kept"), fs::directory_iterator{}), 1);
  EXPECT_EQ(StrayFiles(), 1);  // the directory kept

  // A link to a file not made yet: the defaults go where it leads.
  fs::remove(File());
  fs::create_symlink(dir + "/kept/new.cnf", File());
  ReadConfigFile(dir.c_str());
  EXPECT_TRUE(fs::is_symlink(File()));
  EXPECT_EQ(ReadFile(dir + "/kept/new.cnf"), Encoded(cfr));
  EXPECT_EQ(Messages(), "Default configuration data written to file: " + File() +
                            ".\nDriver may be configured by entering CONFIGURE at the command prompt.\n");
}

struct PacketBuffer {
  std::uint8_t bytes[64] = {};
  Packet p{bytes, sizeof bytes, 16};
  explicit PacketBuffer(int opcode) {
    p.put_i16(0, opcode);
    p.put_i16(2, 0x7777);
  }
};

TEST_F(ConfigFileTest, CfgrecStartsAnEditFromTheLiveSettingsWithoutReply) {
  cfr.word(kWordColourGraphics) = 3;
  PacketBuffer b(59);
  EXPECT_EQ(pcfgrec(b.p), 0);
  EXPECT_EQ(newcfr.word(kWordColourGraphics), 3);
}

TEST_F(ConfigFileTest, NewcfgReadsWritesAndAnswers) {
  PacketBuffer b(60);
  EXPECT_EQ(pnewcfg(b.p), 1);
  EXPECT_EQ(b.p.i16(2), 0);
  EXPECT_EQ(cfgptr, &newcfr);
  EXPECT_EQ(ReadFile(File()), Encoded(cfr));
}

TEST_F(ConfigFileTest, ChgcfgTellsTheClientWhatKindOfSessionItIs) {
  struct Case {
    std::int16_t app;
    int font8;
    std::uint16_t flags;
  } cases[] = {{kAppAutoShade, -1, 0x2000}, {kAppAutoShade, 0, 0x8000}, {kApp3DStudio, 0, 0x800},
               {kAppAutoCAD, -1, 0x8000}};
  for (const Case &c : cases) {
    MainApp.app_id = c.app;
    font8bit = c.font8;
    PacketBuffer b(61);
    EXPECT_EQ(pchgcfg(b.p), 1);
    EXPECT_EQ(b.p.i16(2), 0);
    EXPECT_EQ(Pkinit.field[kPkinitFlags], c.flags) << "application " << c.app;
  }
  EXPECT_EQ(ReadFile(File()).size(), 524u);
}

TEST_F(ConfigFileTest, ShowcfgAdoptsTheFileWithoutReply) {
  Bytes f = Encoded(DefaultConfig());
  PutWordAt(f, 80, 11);
  WriteFile(f);
  PacketBuffer b(62);
  EXPECT_EQ(pshowcfg(b.p), 0);
  EXPECT_EQ(b.p.i16(2), 0x7777);
  EXPECT_EQ(cfr.word(kWordColourGraphics), 11);
}

}  // namespace

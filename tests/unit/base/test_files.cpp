// The files the driver reads and writes, against every kind of thing a user
// or a client can leave under their names: the opener, the bounded readers,
// the appender and the writer, then every reader and writer of the driver.
// A case that waited on a FIFO or a device would hang: an alarm ends the
// process instead.
#include "base/files.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <algorithm>
#include <functional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "base/config_record.h"
#include "base/session.h"
#include "base/string_tables.h"
#include "commands/commands.h"
#include "config/config_file.h"
#include "display/colour_tables.h"
#include "display/wrappers.h"
#include "image/snapshots.h"
#include "kovagl/offscreen.h"
#include "render3d/dview_result.h"
#include "support/capture_stderr.h"
#include "support/saved_config.h"
#include "support/scoped_env.h"
#include "ui/resource_file.h"
#include "ui/toolbar_config.h"

namespace {

namespace fs = std::filesystem;

constexpr char kOld[] = "old text";
constexpr char kNew[] = "new text";
constexpr off_t kHuge = off_t{2} << 30;  // 2 GiB, sparse

enum class Kind {
  missing,
  regular,
  link_to_regular,
  link_to_null,  // a character device of /dev/null's kind
  link_to_full,  // one of /dev/full's kind: every write fails, ENOSPC
  link_to_fifo,
  fifo,
  fifo_with_reader,
  directory,
  huge,
};

const char *kind_name(Kind k) {
  static const char *const names[] = {"missing",      "regular", "link to regular",  "link to char device",
                                      "link to full device", "link to FIFO", "FIFO", "FIFO with a reader",
                                      "directory",    "huge sparse file"};
  return names[static_cast<int>(k)];
}

std::string text_of(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// One instance of a kind under name in a directory of its own; what a link
// leads to lies in "targets" beside it.
class Place {
 public:
  Place(Kind kind, const char *name) : kind_(kind) {
    char tmpl[] = "/tmp/kova-kinds-XXXXXX";
    EXPECT_NE(mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
    path_ = dir_ + "/" + name;
    fs::create_directory(dir_ + "/targets");
    const std::string target = dir_ + "/targets/node";
    switch (kind) {
      case Kind::missing: break;
      case Kind::regular: std::ofstream(path_) << kOld; break;
      case Kind::link_to_regular:
        std::ofstream(target) << kOld;
        fs::create_symlink("targets/node", path_);
        break;
      case Kind::link_to_null:
      case Kind::link_to_full:
        // A private node: never the system's own devices.
        made_ = mknod(target.c_str(), S_IFCHR | 0666, makedev(1, kind == Kind::link_to_null ? 3 : 7)) == 0;
        if (made_) {
          const int fd = open(target.c_str(), O_WRONLY);  // a file system mounted without devices refuses
          made_ = fd >= 0;
          if (fd >= 0) close(fd);
        }
        fs::create_symlink(target, path_);
        break;
      case Kind::link_to_fifo:
        EXPECT_EQ(mkfifo(target.c_str(), 0600), 0);
        fs::create_symlink("targets/node", path_);
        break;
      case Kind::fifo:
      case Kind::fifo_with_reader:
        EXPECT_EQ(mkfifo(path_.c_str(), 0600), 0);
        if (kind == Kind::fifo_with_reader) reader_ = open(path_.c_str(), O_RDONLY | O_NONBLOCK);
        break;
      case Kind::directory: fs::create_directory(path_); break;
      case Kind::huge: {
        const int fd = open(path_.c_str(), O_WRONLY | O_CREAT, 0644);
        EXPECT_EQ(ftruncate(fd, kHuge), 0);
        close(fd);
        break;
      }
    }
    before_ = shape();
  }
  ~Place() {
    if (reader_ >= 0) close(reader_);
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }

  // False when this machine cannot make the kind (mknod is not permitted).
  bool made() const { return made_; }
  const std::string &path() const { return path_; }
  const std::string &dir() const { return dir_; }
  Kind kind() const { return kind_; }
  // What a FIFO's reader has got.
  std::string fifo_text() const {
    std::string text;
    char buffer[256];
    for (ssize_t n; (n = read(reader_, buffer, sizeof buffer)) > 0;) text.append(buffer, static_cast<std::size_t>(n));
    return text;
  }
  // The node under the name (or where its link leads) is the one it was,
  // and nothing else is left in the directories.
  void expect_kept() const {
    EXPECT_EQ(shape(), before_);
    std::set<std::string> names;
    for (const auto &e : fs::directory_iterator(dir_)) names.insert(e.path().filename().string());
    for (const auto &e : fs::directory_iterator(dir_ + "/targets")) names.insert("targets/" + e.path().filename().string());
    std::set<std::string> want = {"targets", fs::path(path_).filename().string()};
    if (kind_ == Kind::link_to_regular || kind_ == Kind::link_to_null || kind_ == Kind::link_to_full ||
        kind_ == Kind::link_to_fifo)
      want.insert("targets/node");
    EXPECT_EQ(names, want);
  }
  // Whether writers may leave a regular file here.
  bool holds_a_file() const {
    return kind_ == Kind::missing || kind_ == Kind::regular || kind_ == Kind::link_to_regular || kind_ == Kind::huge;
  }

 private:
  // The type of the name, and of where it leads with its device number.
  std::string shape() const {
    if (holds_a_file() && kind_ != Kind::link_to_regular) return "file";
    struct stat l {}, s {};
    std::string out;
    if (lstat(path_.c_str(), &l) == 0) out += std::to_string(l.st_mode & S_IFMT);
    if (stat(path_.c_str(), &s) == 0)
      out += "/" + std::to_string(s.st_mode & S_IFMT) + "/" + std::to_string(s.st_rdev);
    return out;
  }

  Kind kind_;
  std::string dir_, path_, before_;
  int reader_ = -1;
  bool made_ = true;
};

int lines_of(const std::string &text) { return static_cast<int>(std::count(text.begin(), text.end(), '\n')); }

long peak_kib() {
  rusage u {};
  getrusage(RUSAGE_SELF, &u);
  return u.ru_maxrss;
}

struct Files : ::testing::Test {
  void SetUp() override { alarm(120); }
  void TearDown() override { alarm(0); }
};

// Each kind against the one opener, the bounded reader, the appender and the
// writer: what each does, what it says, and that nothing but a regular file
// is ever replaced.
TEST_F(Files, EachKindAgainstTheOpenerTheReaderTheAppenderAndTheWriter) {
  struct Expected {
    Kind kind;
    int read;      // 0 read whole, 1 read and cut at the limit, else the errno
    int append;    // 0 appended, else the errno
    int write;     // 0 written, else the errno
    const char *written;  // what the name then holds (or the reader got)
  };
  const Expected table[] = {
      {Kind::missing, ENOENT, 0, 0, kNew},
      {Kind::regular, 0, 0, 0, kNew},
      {Kind::link_to_regular, 0, 0, 0, kNew},
      {Kind::link_to_null, kNotRegularFile, kNotRegularFile, 0, nullptr},
      {Kind::link_to_full, kNotRegularFile, kNotRegularFile, ENOSPC, nullptr},
      {Kind::link_to_fifo, kNotRegularFile, kNotRegularFile, ENXIO, nullptr},
      {Kind::fifo, kNotRegularFile, kNotRegularFile, ENXIO, nullptr},
      {Kind::fifo_with_reader, kNotRegularFile, kNotRegularFile, 0, kNew},
      {Kind::directory, EISDIR, EISDIR, EISDIR, nullptr},
      {Kind::huge, 1, 0, 0, kNew},
  };
  constexpr std::size_t kLimit = 64;
  for (const Expected &e : table) {
    SCOPED_TRACE(kind_name(e.kind));
    for (int op = 0; op < 3; ++op) {
      Place place(e.kind, "file");
      if (!place.made()) continue;
      const char *name = place.path().c_str();
      if (op == 0) {
        // The bounded reader, quiet and reported, and the support-file stream.
        std::string text;
        bool cut = false;
        const bool read = read_file(name, text, kLimit, &cut);
        EXPECT_EQ(read ? (cut ? 1 : 0) : errno, e.read);
        if (read) {
          EXPECT_EQ(text, cut ? std::string(kLimit, '\0') : kOld);
        }
        const std::string said = stderr_of([&] {
          std::FILE *stream = open_limited_stream(name, kLimit);
          EXPECT_EQ(stream != nullptr, read);
          std::string streamed;
          for (int c; stream != nullptr && (c = std::fgetc(stream)) != EOF;) streamed += static_cast<char>(c);
          if (stream != nullptr) std::fclose(stream);
          EXPECT_EQ(streamed, text);
        });
        const std::string why = e.read == 1 ? "only its first 64 bytes were read"
                                : e.read > 1 && e.read != ENOENT ? file_error_text(e.read) : "";
        // Once, with the file and the reason; a missing file is no error.
        EXPECT_EQ(lines_of(said), why.empty() ? 0 : 1) << said;
        if (!why.empty()) {
          EXPECT_NE(said.find(place.path() + ": " + why), std::string::npos) << said;
        }
      } else if (op == 1) {
        const int fd = open_append_file(name);
        EXPECT_EQ(fd >= 0 ? 0 : errno, e.append);
        if (fd >= 0) {
          EXPECT_EQ(write(fd, kNew, sizeof kNew - 1), static_cast<ssize_t>(sizeof kNew - 1));
          close(fd);
          if (e.kind == Kind::huge) {
            EXPECT_EQ(fs::file_size(name), static_cast<std::uintmax_t>(kHuge) + sizeof kNew - 1);
          } else {
            EXPECT_EQ(text_of(name), std::string(e.kind == Kind::missing ? "" : kOld) + kNew);
          }
        }
      } else {
        const bool written = replace_file(name, kNew, sizeof kNew - 1);
        EXPECT_EQ(written ? 0 : errno, e.write);
        if (e.kind == Kind::fifo_with_reader) {
          EXPECT_EQ(place.fifo_text(), kNew);
        } else if (e.written != nullptr) {
          EXPECT_EQ(text_of(name), e.written);
        }
      }
      if (!place.holds_a_file() || e.kind == Kind::link_to_regular) place.expect_kept();
    }
  }
}

// A file is replaced with its mode; a name that is there is never replaced
// where that is asked; and a writer given up leaves nothing behind.
TEST_F(Files, TheWriterKeepsTheModeAndLeavesNothingWhenGivenUp) {
  Place place(Kind::regular, "file");
  ASSERT_EQ(chmod(place.path().c_str(), 0640), 0);
  ASSERT_TRUE(replace_file(place.path().c_str(), kNew, sizeof kNew - 1));
  struct stat st {};
  ASSERT_EQ(stat(place.path().c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);

  FileWriter exclusive;
  EXPECT_FALSE(exclusive.open(place.path().c_str(), false));
  EXPECT_EQ(errno, EEXIST);
  {
    FileWriter abandoned;
    ASSERT_TRUE(abandoned.open(place.path().c_str()));
    ASSERT_TRUE(abandoned.write("half", 4));
  }
  EXPECT_EQ(text_of(place.path()), kNew);
  place.expect_kept();
}

// Every reader and writer of the driver against what is no file it may
// replace, or a file too large to read whole: it returns, leaves the node as
// it was and no temporary behind, and reads only the head of the huge file.
TEST_F(Files, EveryReaderAndWriterOfTheDriverLeavesWhatIsNoFileAsItWas) {
  struct User {
    const char *what;
    const char *name;
    std::function<void(const Place &)> run;
  };
  const User users[] = {
      {"configuration file", "tester.cnf",
       [](const Place &p) {
         SavedConfig saved;
         ScopedEnv user("USER", "tester");
         const int first = FirstTimeInACAD;
         config_loaded = 0;
         ReadConfigFile(p.dir().c_str());  // reads, then writes back
         newcfr = cfr;
         WriteConfigFile(p.dir().c_str());
         config_loaded = 0;
         FirstTimeInACAD = first;
         newcfr = tempcfr = cfr = saved.saved;
       }},
      {"resource file", "resources",
       [](const Place &p) {
         ResourceEntry entries[kResourceEntryCount] = {{resource_geometry_names[0], "800x600+0+0", true}};
         write_resource_file(p.path().c_str(), entries, kResourceEntryCount);
       }},
      {"tool bar file", "toolbar.cfg",
       [](const Place &p) {
         ToolConfig config;
         read_tool_config(p.path().c_str(), config);
         config.tools.push_back({"L", kToolCharacter, "LINE\\n"});
         write_tool_config(p.path().c_str(), config);
       }},
      {"command table", "gl_cmds.txt",
       [](const Place &p) {
         LoadInternalCommands(p.path().c_str());
         ResetStringTables();
       }},
      {"palette", "gl_acad.pal",
       [](const Place &p) {
         ScopedEnv acad("ACAD", p.dir().c_str());
         ChangePalette(1);
       }},
      {"log file", "acad.log",
       [](const Place &p) {
         ScopedEnv log("ACADLOGFILE", p.path().c_str());
         RunDriverCommand("LOGFILEON");
         write_log("a line\n", 7);
         RunDriverCommand("LOGFILEOFF");
       }},
      {"DVIEW result", "gl_dview.lsp",
       [](const Place &p) {
         char saved[sizeof tmpdir];
         std::memcpy(saved, tmpdir, sizeof tmpdir);
         std::snprintf(tmpdir, sizeof tmpdir, "%s/", p.dir().c_str());
         WriteDviewLisp("(command \"_DVIEW\")");
         std::memcpy(tmpdir, saved, sizeof tmpdir);
       }},
      {"snapshot", "snapshot.rgb",
       [](const Place &p) {
         SavedConfig saved;
         KglContext *ctx = kgl_offscreen_create(8, 8);
         kgl_offscreen_make_current(ctx);
         const int size[2] = {xsize, ysize};
         xsize = ysize = 8;
         cfr.word(kWordRgbPixels) = 1;
         saveRGBscreen(p.path().c_str(), 0, 0, 7, 7);
         xsize = size[0], ysize = size[1];
         CurrentMatrixNumber = -1;
         kgl_offscreen_make_current(nullptr);
         kgl_offscreen_destroy(ctx);
       }},
  };
  const long peak = peak_kib();
  for (const User &u : users) {
    for (Kind kind : {Kind::link_to_null, Kind::link_to_full, Kind::link_to_fifo, Kind::fifo, Kind::directory,
                      Kind::huge}) {
      SCOPED_TRACE(std::string(u.what) + ", " + kind_name(kind));
      Place place(kind, u.name);
      if (!place.made()) continue;
      stderr_of([&] { u.run(place); });
      place.expect_kept();
    }
  }
  // The huge files were not read whole.
  EXPECT_LT(peak_kib() - peak, 256L * 1024);
}

}  // namespace

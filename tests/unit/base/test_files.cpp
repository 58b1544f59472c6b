// The files the driver reads and writes, against every kind of thing a user
// or a client can leave under their names. A case that waited on a FIFO or a
// device would hang: an alarm ends the process instead.
#include "base/files.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>

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

std::string text_of(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

// One instance of a kind under name in a directory of its own. The kinds:
// "missing", "regular", "huge", "directory", "FIFO", "FIFO with a reader", and
// links to targets/node: "link to regular", "link to FIFO", "link to null
// device" and "link to full device" (private devices of /dev/null's and
// /dev/full's kinds: every write to the full one fails, ENOSPC).
struct Place {
  Place(const std::string &kind, const char *name) {
    char tmpl[] = "/tmp/kova-kinds-XXXXXX";
    EXPECT_NE(mkdtemp(tmpl), nullptr);
    dir = tmpl;
    path = dir + "/" + name;
    fs::create_directory(dir + "/targets");
    const bool link = kind.starts_with("link");
    const bool device = kind.ends_with("device");
    const std::string node = link ? dir + "/targets/node" : path;
    if (kind.ends_with("regular") || kind == "huge") std::ofstream(node) << (kind == "huge" ? "" : kOld);
    if (kind == "huge") fs::resize_file(path, kHuge);
    if (device) {
      // A private node, never the system's own; a file system mounted without
      // devices refuses to open it.
      const int fd = mknod(node.c_str(), S_IFCHR | 0666, makedev(1, kind.ends_with("null device") ? 3 : 7)) == 0
                         ? open(node.c_str(), O_WRONLY) : -1;
      made = fd >= 0;
      if (fd >= 0) close(fd);
    }
    if (kind.find("FIFO") != std::string::npos) {
      EXPECT_EQ(mkfifo(node.c_str(), 0600), 0);
    }
    if (link) fs::create_symlink(device ? node : "targets/node", path);
    if (kind == "FIFO with a reader") reader = open(path.c_str(), O_RDONLY | O_NONBLOCK);
    if (kind == "directory") fs::create_directory(path);
    before = state();
  }
  ~Place() {
    if (reader >= 0) close(reader);
    std::error_code ec;
    fs::remove_all(dir, ec);
  }
  // Every name in the directory with its type, and the type and device
  // number of the node it leads to.
  std::set<std::string> state() const {
    std::set<std::string> names;
    for (const auto &e : fs::recursive_directory_iterator(dir)) {
      struct stat l {}, s {};
      lstat(e.path().c_str(), &l);
      std::string name = e.path().string() + " " + std::to_string(l.st_mode & S_IFMT);
      if (stat(e.path().c_str(), &s) == 0)
        name += " " + std::to_string(s.st_mode & S_IFMT) + "/" + std::to_string(s.st_rdev);
      names.insert(name);
    }
    return names;
  }
  // The nodes are the ones they were, and nothing is left beside them.
  void expect_kept() const { EXPECT_EQ(state(), before); }

  std::string dir, path;
  std::set<std::string> before;
  int reader = -1;
  bool made = true;  // false when this machine cannot make the kind
};

struct Files : ::testing::Test {
  void SetUp() override { alarm(120); }
  void TearDown() override { alarm(0); }
};

// Each kind against the opener, the bounded reader, the appender and the
// writer in turn: what each does and says, and that nothing but a regular
// file is ever replaced.
TEST_F(Files, EachKindAgainstTheOpenerTheReaderTheAppenderAndTheWriter) {
  struct Expected {
    std::string kind;
    int read;             // 0 read whole, 1 read and cut at the limit, else the errno
    int append, write;    // 0 done, else the errno
    const char *written;  // what the name then holds (or the reader got)
  };
  const Expected table[] = {
      {"missing", ENOENT, 0, 0, kNew},
      {"regular", 0, 0, 0, kNew},
      {"link to regular", 0, 0, 0, kNew},
      {"link to null device", kNotRegularFile, kNotRegularFile, 0, nullptr},
      {"link to full device", kNotRegularFile, kNotRegularFile, ENOSPC, nullptr},
      {"link to FIFO", kNotRegularFile, kNotRegularFile, ENXIO, nullptr},
      {"FIFO", kNotRegularFile, kNotRegularFile, ENXIO, nullptr},
      {"FIFO with a reader", kNotRegularFile, kNotRegularFile, 0, kNew},
      {"directory", EISDIR, EISDIR, EISDIR, nullptr},
      {"huge", 1, 0, 0, kNew},
  };
  constexpr std::size_t kLimit = 64;
  for (const Expected &e : table) {
    SCOPED_TRACE(e.kind);
    Place place(e.kind, "file");
    if (!place.made) continue;
    const char *name = place.path.c_str();
    // The bounded reader and the support-file stream; said once, with the
    // file and the reason, and a missing file is no error.
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
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), why.empty() ? 0 : 1) << said;
    EXPECT_TRUE(why.empty() || said.find(place.path + ": " + why) != std::string::npos) << said;

    const int fd = open_append_file(name);
    EXPECT_EQ(fd >= 0 ? 0 : errno, e.append);
    if (fd >= 0) {
      EXPECT_EQ(write(fd, kNew, sizeof kNew - 1), static_cast<ssize_t>(sizeof kNew - 1));
      close(fd);
      if (e.kind == "huge") {
        EXPECT_EQ(fs::file_size(name), static_cast<std::uintmax_t>(kHuge) + sizeof kNew - 1);
      } else {
        EXPECT_EQ(text_of(name), std::string(e.kind == "missing" ? "" : kOld) + kNew);
      }
    }

    const bool written = replace_file(name, kNew, sizeof kNew - 1);
    EXPECT_EQ(written ? 0 : errno, e.write);
    std::string got(64, '\0');
    if (place.reader >= 0) got.resize(std::max<ssize_t>(::read(place.reader, got.data(), 64), 0));
    if (e.written != nullptr) {
      EXPECT_EQ(place.reader >= 0 ? got : text_of(name), e.written);
    }
    if (e.kind != "missing") place.expect_kept();
  }
}

// A name that is there is never replaced where that is asked. (The mode kept
// and nothing left by a writer given up: the resource file's tests.)
TEST_F(Files, AnExclusiveWriterLeavesANameThatIsThere) {
  Place place("regular", "file");
  FileWriter exclusive;
  EXPECT_FALSE(exclusive.open(place.path.c_str(), false));
  EXPECT_EQ(errno, EEXIST);
  EXPECT_EQ(text_of(place.path), kOld);
  place.expect_kept();
}

// Every reader and writer of the driver against what is no file it may
// replace, or a file too large to read whole: it returns, leaves the node as
// it was and no temporary behind, and reads only the head of the huge file.
TEST_F(Files, EveryReaderAndWriterOfTheDriverLeavesWhatIsNoFileAsItWas) {
  struct User {
    const char *what, *name;
    void (*run)(const Place &);
  };
  const User users[] = {
      {"configuration file", "tester.cnf", [](const Place &p) {
         SavedConfig saved;
         ScopedEnv user("USER", "tester");
         const int first = FirstTimeInACAD;
         config_loaded = 0;
         ReadConfigFile(p.dir.c_str());  // reads, then writes back
         newcfr = cfr;
         WriteConfigFile(p.dir.c_str());
         config_loaded = 0;
         FirstTimeInACAD = first;
         newcfr = tempcfr = cfr = saved.saved;
       }},
      {"resource file", "resources", [](const Place &p) {
         ResourceEntry entries[kResourceEntryCount] = {{resource_geometry_names[0], "800x600+0+0", true}};
         write_resource_file(p.path.c_str(), entries, kResourceEntryCount);
       }},
      {"tool bar file", "toolbar.cfg", [](const Place &p) {
         ToolConfig config;
         read_tool_config(p.path.c_str(), config);
         config.tools.push_back({"L", kToolCharacter, "LINE\\n"});
         write_tool_config(p.path.c_str(), config);
       }},
      {"command table", "gl_cmds.txt", [](const Place &p) {
         LoadInternalCommands(p.path.c_str());
         ResetStringTables();
       }},
      {"palette", "gl_acad.pal", [](const Place &p) {
         ScopedEnv acad("ACAD", p.dir.c_str());
         ChangePalette(1);
       }},
      {"log file", "acad.log", [](const Place &p) {
         ScopedEnv log("ACADLOGFILE", p.path.c_str());
         RunDriverCommand("LOGFILEON");
         write_log("a line\n", 7);
         RunDriverCommand("LOGFILEOFF");
       }},
      {"DVIEW result", "gl_dview.lsp", [](const Place &p) {
         char saved[sizeof tmpdir];
         std::memcpy(saved, tmpdir, sizeof tmpdir);
         std::snprintf(tmpdir, sizeof tmpdir, "%s/", p.dir.c_str());
         WriteDviewLisp("(command \"_DVIEW\")");
         std::memcpy(tmpdir, saved, sizeof tmpdir);
       }},
      {"snapshot", "snapshot.rgb", [](const Place &p) {
         SavedConfig saved;
         KglContext *ctx = kgl_offscreen_create(8, 8);
         kgl_offscreen_make_current(ctx);
         const int size[2] = {xsize, ysize};
         xsize = ysize = 8;
         cfr.word(kWordRgbPixels) = 1;
         saveRGBscreen(p.path.c_str(), 0, 0, 7, 7);
         xsize = size[0], ysize = size[1];
         CurrentMatrixNumber = -1;
         kgl_offscreen_make_current(nullptr);
         kgl_offscreen_destroy(ctx);
       }},
  };
  rusage usage {};
  getrusage(RUSAGE_SELF, &usage);
  const long peak = usage.ru_maxrss;
  for (const User &u : users) {
    for (const char *kind : {"link to null device", "link to full device", "link to FIFO", "FIFO", "directory",
                             "huge"}) {
      SCOPED_TRACE(std::string(u.what) + ", " + kind);
      Place place(kind, u.name);
      if (!place.made) continue;
      stderr_of([&] { u.run(place); });
      place.expect_kept();
    }
  }
  getrusage(RUSAGE_SELF, &usage);
  EXPECT_LT(usage.ru_maxrss - peak, 256L * 1024) << "the huge files were not read whole";
}

}  // namespace

// The graphics window's logic that needs no X server: the resource-file
// writer, the icon pictures, the font-list entries and the fixed-font choice,
// the overlay-visual property, the message text limit and the dialog answers.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include <X11/xpm.h>

#include "support/scoped_env.h"
#include "ui/icons.h"
#include "ui/resource_file.h"
#include "ui/window_logic.h"

namespace fs = std::filesystem;

namespace {

// The three geometry entries; those given a value are present.
struct Entries {
  ResourceEntry e[kResourceEntryCount] = {};
  Entries(const char *graph, const char *text = nullptr, const char *kanji = nullptr) {
    const char *values[] = {graph, text, kanji};
    for (int i = 0; i < kResourceEntryCount; ++i) {
      e[i].name = resource_geometry_names[i];
      if (values[i] != nullptr) {
        std::snprintf(e[i].value, sizeof e[i].value, "%s", values[i]);
        e[i].present = true;
      }
    }
  }
};

std::string rewrite(const std::string &old_text, const Entries &entries) {
  return rewrite_resource_text(old_text, entries.e, kResourceEntryCount);
}

// ---- resource text -----------------------------------------------------------

TEST(ResourceText, ReplacesEntriesInPlaceAndKeepsEveryOtherLine) {
  std::string old_text =
      "! my settings\n"
      "AutoCAD-Graph.geometry:\t1x1+0+0\n"
      "*background: #a3a3a3\n"
      "AutoCAD-Text.geometry :  2x2+5+5\n"
      "AutoCAD-Graph*fontList: fixed\n";
  EXPECT_EQ(rewrite(old_text, Entries("800x600+200+0", "720x360+0+400")),
            "! my settings\n"
            "AutoCAD-Graph.geometry:\t\t\t800x600+200+0\n"
            "*background: #a3a3a3\n"
            "AutoCAD-Text.geometry:\t\t\t720x360+0+400\n"
            "AutoCAD-Graph*fontList: fixed\n");
}

TEST(ResourceText, AppendsThePresentEntriesTheFileLacks) {
  EXPECT_EQ(rewrite("", Entries("800x600+200+0", "720x360+0+400", "400x40+0+0")),
            "AutoCAD-Graph.geometry:\t\t\t800x600+200+0\n"
            "AutoCAD-Text.geometry:\t\t\t720x360+0+400\n"
            "AutoCAD-Kanji.geometry:\t\t\t400x40+0+0\n");
  // Without text and Kanji windows one line; a last line without its end
  // is kept and ended.
  EXPECT_EQ(rewrite("*foreground: #000000", Entries("640x480+1+2")),
            "*foreground: #000000\nAutoCAD-Graph.geometry:\t\t\t640x480+1+2\n");
}

TEST(ResourceText, LeavesTheEntriesOfWindowsThatDoNotExist) {
  std::string old_text = "AutoCAD-Text.geometry:\t\t\t720x360+0+400\nAutoCAD-Kanji.geometry: 9x9+9+9\n";
  EXPECT_EQ(rewrite(old_text, Entries("800x600+200+0")),
            old_text + "AutoCAD-Graph.geometry:\t\t\t800x600+200+0\n");
}

TEST(ResourceText, MatchesOnlyTheWholeResourceName) {
  std::string old_text = "AutoCAD-Graph.geometryOld: 5x5+0+0\n  AutoCAD-Graph.geometry: 6x6+0+0\n";
  EXPECT_EQ(rewrite(old_text, Entries("800x600+200+0")),
            old_text + "AutoCAD-Graph.geometry:\t\t\t800x600+200+0\n");
}

TEST(ResourceText, KeepsLongLinesWhole) {
  std::string long_line = "*translations: " + std::string(20000, 'x');
  std::string old_text = long_line + "\nAutoCAD-Graph.geometry: 1x1+0+0\n" + long_line + "\n";
  EXPECT_EQ(rewrite(old_text, Entries("10x20+30+40")),
            long_line + "\nAutoCAD-Graph.geometry:\t\t\t10x20+30+40\n" + long_line + "\n");
}

// ---- resource file -----------------------------------------------------------

class ResourceFile : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/kova_resfile_XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string path(const char *name) const { return (dir_ / name).string(); }
  static std::string read(const std::string &p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  static void write(const std::string &p, const std::string &text) {
    std::ofstream out(p, std::ios::binary);
    out << text;
  }
  std::vector<std::string> names() const {
    std::vector<std::string> all;
    for (const auto &e : fs::directory_iterator(dir_)) all.push_back(e.path().filename().string());
    return all;
  }

  fs::path dir_;
};

TEST_F(ResourceFile, IsCreatedWhenMissing) {
  Entries entries("800x600+200+0");
  ASSERT_TRUE(write_resource_file(path("Xdefaults").c_str(), entries.e, kResourceEntryCount));
  EXPECT_EQ(read(path("Xdefaults")), "AutoCAD-Graph.geometry:\t\t\t800x600+200+0\n");
  EXPECT_EQ(names(), std::vector<std::string>{"Xdefaults"});
}

TEST_F(ResourceFile, IsRewrittenWithItsModeKept) {
  write(path("res"), "*foreground: #000000\nAutoCAD-Graph.geometry: 1x1+0+0\n");
  chmod(path("res").c_str(), 0640);
  Entries entries("800x600+200+0");
  ASSERT_TRUE(write_resource_file(path("res").c_str(), entries.e, kResourceEntryCount));
  EXPECT_EQ(read(path("res")), "*foreground: #000000\nAutoCAD-Graph.geometry:\t\t\t800x600+200+0\n");
  struct stat st {};
  ASSERT_EQ(stat(path("res").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  EXPECT_EQ(names(), std::vector<std::string>{"res"});
}

TEST_F(ResourceFile, AFailedWriteKeepsTheOldFile) {
  std::string old_text = "*foreground: #000000\n" + std::string(4000, '!') + "\n";
  write(path("res"), old_text);
  // Files may not grow beyond 1000 bytes while the writer runs.
  struct rlimit saved {};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
  struct sigaction ignore {}, old_action {};
  ignore.sa_handler = SIG_IGN;
  sigaction(SIGXFSZ, &ignore, &old_action);
  struct rlimit small = saved;
  small.rlim_cur = 1000;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  Entries entries("800x600+200+0");
  bool written = write_resource_file(path("res").c_str(), entries.e, kResourceEntryCount);
  setrlimit(RLIMIT_FSIZE, &saved);
  sigaction(SIGXFSZ, &old_action, nullptr);

  EXPECT_FALSE(written);
  EXPECT_EQ(read(path("res")), old_text);
  EXPECT_EQ(names(), std::vector<std::string>{"res"});  // no temporary file left
}

TEST_F(ResourceFile, ThroughLinksTheLinkedFileIsWrittenBesideItself) {
  // A relative link to a file of another directory, a link to that link, and
  // a link to a file not there yet (made by the write).
  fs::create_directory(path("sub"));
  write(path("sub/real"), "*foreground: #000000\n");
  fs::create_symlink("sub/real", path("link"));
  fs::create_symlink("link", path("chain"));
  fs::create_symlink(path("sub/new"), path("dangling"));
  const std::string line = "AutoCAD-Graph.geometry:\t\t\t800x600+200+0\n";
  const struct {
    const char *name, *target, *text;
  } cases[] = {{"link", "sub/real", "*foreground: #000000\n"},
               {"chain", "sub/real", "*foreground: #000000\n"},
               {"dangling", "sub/new", ""}};
  Entries entries("800x600+200+0");
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(write_resource_file(path(c.name).c_str(), entries.e, kResourceEntryCount));
    EXPECT_TRUE(fs::is_symlink(path(c.name)));
    EXPECT_EQ(read(path(c.target)), c.text + line);
  }
  // No temporary file left, neither beside the links nor beside the files.
  std::vector<std::string> in_sub;
  for (const auto &e : fs::directory_iterator(path("sub"))) in_sub.push_back(e.path().filename().string());
  std::sort(in_sub.begin(), in_sub.end());
  EXPECT_EQ(in_sub, (std::vector<std::string>{"new", "real"}));
  std::vector<std::string> beside = names();
  std::sort(beside.begin(), beside.end());
  EXPECT_EQ(beside, (std::vector<std::string>{"chain", "dangling", "link", "sub"}));

  // A loop of links is refused.
  fs::create_symlink("loop", path("loop"));
  EXPECT_FALSE(write_resource_file(path("loop").c_str(), entries.e, kResourceEntryCount));
  EXPECT_TRUE(fs::is_symlink(path("loop")));
}

TEST_F(ResourceFile, IsNotWrittenIntoAMissingDirectoryOrOverADirectory) {
  Entries entries("800x600+200+0");
  EXPECT_FALSE(write_resource_file(path("no/such/file").c_str(), entries.e, kResourceEntryCount));
  fs::create_directory(path("adir"));
  EXPECT_FALSE(write_resource_file(path("adir").c_str(), entries.e, kResourceEntryCount));
  EXPECT_TRUE(fs::is_directory(path("adir")));
}

TEST(ResourceFilePath, NamedFileElseXdefaultsInTheHomeDirectory) {
  char out[256];
  {
    ScopedEnv res("ACADRESFILE", "/tmp/some/resources");
    ASSERT_TRUE(resource_file_path(out, sizeof out));
    EXPECT_STREQ(out, "/tmp/some/resources");
  }
  {
    ScopedEnv res("ACADRESFILE", nullptr);
    ScopedEnv home("HOME", "/home/drafter");
    ASSERT_TRUE(resource_file_path(out, sizeof out));
    EXPECT_STREQ(out, "/home/drafter/.Xdefaults");
    // A name that does not fit is refused, not cut into another file's name.
    char small[12];
    EXPECT_FALSE(resource_file_path(small, sizeof small));
    EXPECT_STREQ(small, "");
  }
  {
    ScopedEnv res("ACADRESFILE", nullptr);
    ScopedEnv home("HOME", nullptr);
    // The password entry gives the home directory.
    EXPECT_STRNE(get_home_dir(), "");
  }
}

// ---- icon pictures --------------------------------------------------------------

TEST(IconPictures, EachIsA48By48PictureLibXpmTakes) {
  for (const char *const *picture : {graph_icon_xpm, text_icon_xpm}) {
    SCOPED_TRACE(picture[0]);
    XpmImage image{};
    XpmInfo info{};
    ASSERT_EQ(XpmCreateXpmImageFromData(const_cast<char **>(picture), &image, &info), XpmSuccess);
    EXPECT_EQ(image.width, 48u);
    EXPECT_EQ(image.height, 48u);
    XpmFreeXpmImage(&image);
    XpmFreeXpmInfo(&info);
  }
}

// ---- fonts ---------------------------------------------------------------------

TEST(FontEntries, BlanksGoAndTagsAreCut) {
  char entries[kFontEntriesMax][kFontNameMax];
  int n = split_font_entries(" -*-fixed-medium-r-*--16-*=tag1 , , fixed:, 9x15 ", entries, kFontEntriesMax);
  ASSERT_EQ(n, 3);
  EXPECT_STREQ(entries[0], "-*-fixed-medium-r-*--16-*");
  EXPECT_STREQ(entries[1], "fixed");
  EXPECT_STREQ(entries[2], "9x15");

  char joined[64];
  EXPECT_EQ(join_font_entries("--mincho-*--16-*, -*--16-*", joined, sizeof joined), 25u);
  EXPECT_STREQ(joined, "--mincho-*--16-*,-*--16-*");
  // Only whole names fit.
  EXPECT_EQ(join_font_entries("--mincho-*--16-*, -*--16-*", joined, 20), 16u);
  EXPECT_STREQ(joined, "--mincho-*--16-*");
}

TEST(FontEntries, OverlongAndSurplusEntriesAreSkipped) {
  std::string font_list = std::string(kFontNameMax + 10, 'a') + ",fixed";
  for (int i = 0; i < kFontEntriesMax + 5; ++i) font_list += ",f" + std::to_string(i);
  char entries[kFontEntriesMax][kFontNameMax];
  int n = split_font_entries(font_list.c_str(), entries, kFontEntriesMax);
  ASSERT_EQ(n, kFontEntriesMax);
  EXPECT_STREQ(entries[0], "fixed");
  for (int i = 0; i < n; ++i) EXPECT_LT(std::strlen(entries[i]), kFontNameMax);
}

struct ProbeLog {
  std::vector<std::string> asked;
  std::vector<std::string> accept;
};

bool fake_probe(const char *name, void *data) {
  auto *log = static_cast<ProbeLog *>(data);
  log->asked.emplace_back(name);
  for (const std::string &a : log->accept)
    if (a == name) return true;
  return false;
}

TEST(FixedFont, TheFirstAcceptedEntryWinsElseInternational15ElseFixed) {
  char out[kFontNameMax];
  ProbeLog log{{}, {"9x15", "10x20"}};
  choose_fixed_font("lucida=a, 9x15=b, 10x20", fake_probe, &log, out, sizeof out);
  EXPECT_STREQ(out, "9x15");
  EXPECT_EQ(log.asked, (std::vector<std::string>{"lucida", "9x15"}));

  ProbeLog intl{{}, {"international15"}};
  choose_fixed_font("lucida", fake_probe, &intl, out, sizeof out);
  EXPECT_STREQ(out, "international15");

  ProbeLog none{{}, {}};
  choose_fixed_font("", fake_probe, &none, out, sizeof out);
  EXPECT_STREQ(out, "fixed");
  EXPECT_EQ(none.asked, std::vector<std::string>{"international15"});
}

// ---- overlay visuals -------------------------------------------------------------

TEST(OverlayVisuals, EntriesOfFourWordsWithSignedLayers) {
  const unsigned long words[] = {0x21, 1, 0, 1,            // overlay, transparent pixel 0
                                 0x22, 0, 0, 0xffffffffUL,  // underlay (layer -1)
                                 0x23, 2};                  // partial entry: ignored
  OverlayVisual out[4];
  ASSERT_EQ(parse_overlay_visuals(words, std::size(words), out, 4), 2);
  EXPECT_EQ(out[0].visualid, 0x21u);
  EXPECT_EQ(out[0].type, 1);
  EXPECT_EQ(out[0].layer, 1);
  EXPECT_EQ(out[1].visualid, 0x22u);
  EXPECT_EQ(out[1].layer, -1);
  EXPECT_EQ(parse_overlay_visuals(words, std::size(words), out, 1), 1);
  EXPECT_EQ(parse_overlay_visuals(words, 0, out, 4), 0);
}

TEST(OverlayVisuals, FiltersOfLayerTypeAndValue) {
  const unsigned long words[] = {0x40, 1, 5, 1};
  OverlayVisual entries[1];
  ASSERT_EQ(parse_overlay_visuals(words, 4, entries, 1), 1);

  XLayerVisualInfo overlay{}, normal{};
  EXPECT_TRUE(overlay_info_of(0x40, entries, 1, &overlay));
  EXPECT_FALSE(overlay_info_of(0x41, entries, 1, &normal));
  EXPECT_EQ(normal.layer, 0);
  EXPECT_EQ(normal.type, 0);

  XLayerVisualInfo want{};
  want.layer = 1;
  want.type = 1;
  long layer_and_type = VisualLayerMask | VisualTransparentType;
  EXPECT_TRUE(layer_filters_match(overlay, true, layer_and_type, want));
  EXPECT_FALSE(layer_filters_match(normal, false, layer_and_type, want));
  // Layer 0 is the default of a visual without an entry.
  XLayerVisualInfo base{};
  EXPECT_TRUE(layer_filters_match(normal, false, VisualLayerMask, base));
  // A value filter passes only visuals the property names.
  want.value = 0;
  EXPECT_FALSE(layer_filters_match(normal, false, VisualTransparentValue, want));
  want.value = 5;
  EXPECT_TRUE(layer_filters_match(overlay, true, VisualTransparentValue, want));
  EXPECT_TRUE(layer_filters_match(normal, false, 0, want));
}

// ---- message dialog ----------------------------------------------------------------

std::string lines(int count) {
  std::string text;
  for (int i = 1; i <= count; ++i) text += "line " + std::to_string(i) + "\n";
  return text;
}

TEST(MessageText, CutAfterTheTwentyFifthLineWithTheNote) {
  char out[4096];
  std::string thirty = lines(30);
  limit_message_lines(thirty.c_str(), out, sizeof out);
  EXPECT_EQ(std::string(out), lines(25) + kDialogLimitNote);

  // Twenty-five lines and nothing after them: no note.
  std::string exact = lines(25);
  EXPECT_EQ(limit_message_lines(exact.c_str(), out, sizeof out), exact.size());
  EXPECT_EQ(std::string(out), exact);
  std::string no_end = "one\ntwo";
  limit_message_lines(no_end.c_str(), out, sizeof out);
  EXPECT_EQ(std::string(out), no_end);
}

TEST(MessageText, BoundedByItsBuffer) {
  char out[64];
  std::memset(out, 'z', sizeof out);
  std::string thirty = lines(30);
  std::size_t n = limit_message_lines(thirty.c_str(), out, sizeof out);
  EXPECT_EQ(n, sizeof out - 1);
  EXPECT_EQ(std::string(out), thirty.substr(0, sizeof out - 1));
  std::string long_text(5000, 'w');
  n = limit_message_lines(long_text.c_str(), out, sizeof out);
  EXPECT_EQ(n, sizeof out - 1);
  EXPECT_EQ(out[sizeof out - 1], '\0');
  // The note takes the place of kept lines when they leave it no room.
  std::string short_lines;
  for (int i = 0; i < 30; ++i) short_lines += "a\n";
  char mid[60];
  n = limit_message_lines(short_lines.c_str(), mid, sizeof mid);
  EXPECT_EQ(n, sizeof mid - 1);
  EXPECT_TRUE(std::string(mid).ends_with(kDialogLimitNote)) << mid;
}

TEST(MessageAnswer, ByReasonThenByDialogType) {
  for (int type = 0; type <= 2; ++type) {
    EXPECT_EQ(dialog_answer(31, type), 1);  // OK
    EXPECT_EQ(dialog_answer(32, type), 0);  // Cancel
    EXPECT_EQ(dialog_answer(1, type), -1);  // the third button
  }
  // The window manager's close (any other reason).
  constexpr int kProtocols = 6666;
  EXPECT_EQ(dialog_answer(kProtocols, 0), 1);
  EXPECT_EQ(dialog_answer(kProtocols, 1), 0);
  EXPECT_EQ(dialog_answer(kProtocols, 2), -1);
}

// ---- small helpers -------------------------------------------------------------------

TEST(GraphResources, CommandLinesOutsideZeroToTwentyFiveBecomeThree) {
  EXPECT_EQ(command_lines_from_resource(30), 3);
  EXPECT_EQ(command_lines_from_resource(-1), 3);
  EXPECT_EQ(command_lines_from_resource(0), 0);
  EXPECT_EQ(command_lines_from_resource(25), 25);
}

TEST(CutAtColon, EndsTheTextAtItsFirstColon) {
  char text[] = "host:0.0";
  EXPECT_EQ(cut_at_colon(text), 8u);
  EXPECT_STREQ(text, "host");
  char none[] = "fixed";
  EXPECT_EQ(cut_at_colon(none), 5u);
  EXPECT_STREQ(none, "fixed");
}

}  // namespace

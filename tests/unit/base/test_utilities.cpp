// Counted allocation, text output, guards, case helpers, the file search, the
// driver's paths, the timer, console prompts and client identification.
#include <gtest/gtest.h>

#include <stdlib.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>

#include "adi/main_loop.h"
#include "adi/session.h"
#include "base/config_record.h"
#include "base/events.h"
#include "base/packet.h"
#include "base/utilities.h"
#include "display/digitizer.h"
#include "display/viewports.h"
#include "render3d/projection.h"
#include "ui/graph_window.h"

#include "commands/messages.h"
#include "support/saved_config.h"
#include "support/scoped_env.h"

namespace {

// Collects what MyPrintf sends to output_fd.
class OutputTest : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_fd_ = output_fd;
    saved_local_ = use_localtext;
    use_localtext = 0;
    output_fd = std::tmpfile();
    ASSERT_NE(output_fd, nullptr);
  }
  void TearDown() override {
    std::fclose(output_fd);
    output_fd = saved_fd_;
    use_localtext = saved_local_;
  }
  // What was written since the last call.
  std::string Taken() {
    std::string text;
    std::rewind(output_fd);
    int c;
    while ((c = std::fgetc(output_fd)) != EOF) text += static_cast<char>(c);
    std::fclose(output_fd);
    output_fd = std::tmpfile();
    return text;
  }

  FILE *saved_fd_ = nullptr;
  int saved_local_ = 0;
};

TEST(Allocation, CountsLiveBlocks) {
  int before = alloc_count;
  void *block = MyMalloc(64);
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(alloc_count, before + 1);
  MyFree(nullptr);
  EXPECT_EQ(alloc_count, before + 1);
  MyFree(block);
  EXPECT_EQ(alloc_count, before);
}

TEST_F(OutputTest, PrintfIsBounded) {
  MyPrintf("%d-%s", 42, "x");
  NewLine();
  EXPECT_EQ(Taken(), "42-x\r\n");
  std::string long_text(400, 'a');
  MyPrintf("%s", long_text.c_str());
  EXPECT_EQ(Taken(), long_text.substr(0, 255));
}

TEST_F(OutputTest, RangeChecks) {
  EXPECT_EQ(IsInRange(5, 1, 3), 0);
  EXPECT_EQ(Taken(), "Value is out of range: [1..3]: (5)\r\n");
  EXPECT_EQ(IsInRange(1, 1, 3) + IsInRange(3, 1, 3), 2);
  EXPECT_EQ(Taken(), "");
  EXPECT_EQ(IsWithin(2, 1, 3), 1);
  EXPECT_EQ(IsWithin(1, 1, 3) + IsWithin(3, 1, 3), 0);
}

TEST_F(OutputTest, GuardsExplainRefusal) {
  SavedConfig saved_config;
  int saved_pdig = pdigitize, saved_menu = ScreenMenu, saved_vp = CurrentViewport;
  int saved_flags = vp_info[0].flags, saved_proj = ProjSet, saved_view = ViewSet;

  cfr.word(kWordDisplayList) = 0;
  EXPECT_EQ(IsDlistOn(), 0);
  EXPECT_EQ(Taken(), "Display list is not enabled.\r\n");
  cfr.word(kWordDisplayList) = 1;
  EXPECT_EQ(IsDlistOn(), 1);

  pdigitize = 0;
  EXPECT_EQ(IsPdigtizeOn(), 0);
  EXPECT_EQ(Taken(), "AutoCAD digitizer is not responding.\r\n");
  ScreenMenu = 0;
  EXPECT_EQ(IsSidebarOn(), 0);
  EXPECT_EQ(Taken(), "Sidebar menu area required.\r\n");

  cfr.word(kWordBirdseyeAlways) = 0;
  CurrentViewport = 0;
  vp_info[0].flags = 0;
  EXPECT_EQ(IsZoomable(), 0);
  EXPECT_EQ(Taken(), "AutoCAD indicates this viewport may not be zoomable.\r\n");
  vp_info[0].flags = 2;
  EXPECT_EQ(IsZoomable(), 1);
  vp_info[0].flags = 0;
  cfr.word(kWordBirdseyeAlways) = 1;
  EXPECT_EQ(IsZoomable(), 1);
  EXPECT_EQ(Taken(), "");

  ProjSet = 1;
  ViewSet = 0;
  EXPECT_EQ(IsRendered(), 0);
  EXPECT_EQ(Taken(), "Viewport not rendered with 3DFACES set.");
  ViewSet = 1;
  EXPECT_EQ(IsRendered(), 1);
  EXPECT_EQ(IsCurrent(0), 1);
  EXPECT_EQ(IsCurrent(3), 0);
  EXPECT_EQ(Taken(), "Selected viewport is not the current viewport.");

  pdigitize = saved_pdig;
  ScreenMenu = saved_menu;
  CurrentViewport = saved_vp;
  vp_info[0].flags = saved_flags;
  ProjSet = saved_proj;
  ViewSet = saved_view;
}

TEST(Prints, LoneLeadByteEndsAtTerminator) {
  // Exactly sized blocks, so a step past the terminator is a heap overrun.
  char *lead = static_cast<char *>(std::malloc(2));
  lead[0] = static_cast<char>(0x81);
  lead[1] = '\0';
  EXPECT_EQ(MyPrints(lead), 1);
  std::free(lead);
  char *pair = static_cast<char *>(std::malloc(4));
  std::memcpy(pair, "A\x82\xa0", 4);
  EXPECT_EQ(MyPrints(pair), 3);
  std::free(pair);
  EXPECT_EQ(MyPrints(""), 0);
}

TEST(Text, CaseHelpers) {
  char text[] = "Abc-xyZ \x82\xa0";
  EXPECT_STREQ(StringToUpper(text), "ABC-XYZ \x82\xa0");
  EXPECT_STREQ(StringToLower(text), "abc-xyz \x82\xa0");
  EXPECT_EQ(NumChars("abc"), 3);
  EXPECT_EQ(Is_Kanji(), 0);

  EXPECT_EQ(MyStrcmp("ClEaN", "CLEAN"), 0);
  EXPECT_EQ(MyStrcmp("", ""), 0);
  EXPECT_EQ(MyStrcmp("a", ""), -1);
  EXPECT_EQ(MyStrcmp("CLEANX", "CLEAN"), -1);
  EXPECT_EQ(MyStrcmp("CLEA", "CLEAN"), -1);
  // b is in capitals: its lower-case letters match only themselves.
  EXPECT_EQ(MyStrcmp("CLEAN", "clean"), -1);
}

TEST(Keyboard, FlushReportsActionBeforeCancel) {
  action_key = 1;
  cancel_key = 1;
  EXPECT_EQ(FlushKeyboardBuffer(), 2);
  EXPECT_EQ(action_key, 0);
  EXPECT_EQ(FlushKeyboardBuffer(), 1);
  EXPECT_EQ(cancel_key, 0);
  EXPECT_EQ(FlushKeyboardBuffer(), 0);
}

TEST(Pointer, CursorHasMovedKeepsSample) {
  ToolSample saved = Old;
  Old.x = Old.y = -1;
  std::uint8_t buf[8] = {};
  Packet p(buf, sizeof buf, sizeof buf);
  p.put_i16(0, 37);
  p.put_i16(2, 3);
  p.put_i16(4, 120);
  p.put_i16(6, -7);
  EXPECT_EQ(CursorHasMoved(p), 1);
  EXPECT_EQ(Old.x, 120);
  EXPECT_EQ(Old.y, -7);
  EXPECT_EQ(CursorHasMoved(p), 0);
  p.put_i16(6, 8);
  EXPECT_EQ(CursorHasMoved(p), 1);

  std::int16_t sample[4] = {37, 0, 120, 8};
  EXPECT_EQ(CursorHasMoved(sample), 0);
  sample[2] = 121;
  EXPECT_EQ(CursorHasMoved(sample), 1);
  EXPECT_EQ(Old.x, 121);
  Old = saved;
}

TEST(Timer, MonotonicWithPickCount) {
  int saved = pick_count;
  pick_count = 0;
  ResetTimer();
  int t0 = ReadTimer();
  EXPECT_GE(t0, 0);
  EXPECT_GE(ReadTimer(), t0);
  pick_count = 1000;
  EXPECT_GE(ReadTimer(), 1000 + t0);
  // No overflow when the pick count is near the top of the range.
  pick_count = INT_MAX;
  EXPECT_EQ(ReadTimer(), INT_MAX);
  pick_count = saved;
}

// A scratch directory tree and a working directory inside it.
class PathTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/kova_util_XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    root_ = tmpl;
    for (const char *d : {"/a", "/b", "/work"}) std::filesystem::create_directory(root_ + d);
    ASSERT_NE(getcwd(cwd_, sizeof cwd_), nullptr);
    ASSERT_EQ(chdir((root_ + "/work").c_str()), 0);
    saved_set_ = PathSet;
    std::memcpy(saved_driver_, driver_path, sizeof saved_driver_);
    std::memcpy(saved_config_, config_path, sizeof saved_config_);
  }
  void TearDown() override {
    EXPECT_EQ(chdir(cwd_), 0);
    std::filesystem::remove_all(root_);
    PathSet = saved_set_;
    std::memcpy(driver_path, saved_driver_, sizeof saved_driver_);
    std::memcpy(config_path, saved_config_, sizeof saved_config_);
  }
  void Touch(const std::string &path) {
    FILE *fp = std::fopen(path.c_str(), "w");
    ASSERT_NE(fp, nullptr);
    std::fclose(fp);
  }

  std::string root_;
  char cwd_[PATH_MAX];
  int saved_set_ = 0;
  char saved_driver_[PATH_MAX];
  char saved_config_[PATH_MAX];
};

TEST_F(PathTest, SearchEnvFindsAlongVariable) {
  char result[PATH_MAX];
  Touch(root_ + "/b/data.txt");
  {
    ScopedEnv env("KOVA_TEST_PATH", nullptr);
    _searchenv("data.txt", "KOVA_TEST_PATH", result);
    EXPECT_STREQ(result, "");
  }
  {
    ScopedEnv env("KOVA_TEST_PATH", (root_ + "/a;" + root_ + "/b").c_str());
    _searchenv("data.txt", "KOVA_TEST_PATH", result);
    EXPECT_EQ(std::string(result), root_ + "/b/data.txt");
  }
  {
    // Empty elements are skipped, not taken for the root directory.
    ScopedEnv env("KOVA_TEST_PATH", (";;" + root_ + "/a/;;" + root_ + "/b/;").c_str());
    _searchenv("data.txt", "KOVA_TEST_PATH", result);
    EXPECT_EQ(std::string(result), root_ + "/b/data.txt");
  }
  {
    // The working directory comes first; with the variable unset it is the
    // only place searched.
    Touch("data.txt");
    ScopedEnv env("KOVA_TEST_PATH", nullptr);
    _searchenv("data.txt", "KOVA_TEST_PATH", result);
    EXPECT_STREQ(result, "./data.txt");
  }
}

TEST_F(PathTest, SearchEnvRefusesPathsThatDoNotFit) {
  Touch(root_ + "/b/data.txt");
  std::string too_long = "/" + std::string(PATH_MAX + 10, 'x');
  ScopedEnv env("KOVA_TEST_PATH", (too_long + ";" + root_ + "/b").c_str());
  char result[PATH_MAX];
  _searchenv("data.txt", "KOVA_TEST_PATH", result);
  EXPECT_EQ(std::string(result), root_ + "/b/data.txt");

  char small[8];
  _searchenv("data.txt", "KOVA_TEST_PATH", small);
  EXPECT_STREQ(small, "");
}

TEST_F(PathTest, SetPathFromEnvironment) {
  {
    ScopedEnv acad("ACAD", nullptr);
    ScopedEnv cfg("ACADCFG", nullptr);
    PathSet = 0;
    driver_path[0] = '\0';
    set_path(0);
    EXPECT_STREQ(driver_path, "./");
    EXPECT_STREQ(config_path, "./");
    EXPECT_EQ(PathSet, 1);
  }
  Touch(root_ + "/b/gl_com12.txt");
  {
    ScopedEnv acad("ACAD", (root_ + "/a;" + root_ + "/b").c_str());
    ScopedEnv cfg("ACADCFG", "/etc/kova");
    PathSet = 0;
    set_path(0);
    EXPECT_EQ(std::string(driver_path), root_ + "/b/");
    EXPECT_STREQ(config_path, "/etc/kova");
  }
  {
    // Once set, the paths stay.
    ScopedEnv acad("ACAD", nullptr);
    ScopedEnv cfg("ACADCFG", "/elsewhere");
    set_path(1);
    EXPECT_EQ(std::string(driver_path), root_ + "/b/");
    EXPECT_STREQ(config_path, "/etc/kova");
  }
  {
    Touch("gl_com12.txt");
    ScopedEnv acad("ACAD", nullptr);
    ScopedEnv cfg("ACADCFG", std::string(PATH_MAX + 5, 'c').c_str());
    PathSet = 0;
    set_path(0);
    EXPECT_STREQ(driver_path, "./");
    EXPECT_STREQ(config_path, "./");
  }
}

// Runs a console prompt over the given input; returns what it printed.
template <typename Prompt>
std::string Converse(const std::string &input, Prompt prompt) {
  FILE *in = std::tmpfile();
  FILE *out = std::tmpfile();
  std::fwrite(input.data(), 1, input.size(), in);
  std::rewind(in);
  prompt(in, out);
  std::string text;
  std::rewind(out);
  int c;
  while ((c = std::fgetc(out)) != EOF) text += static_cast<char>(c);
  std::fclose(in);
  std::fclose(out);
  return text;
}

TEST(Console, YesNo) {
  int answer = -1;
  auto ask = [&](int def) { return [&, def](FILE *in, FILE *out) { answer = AskYesNo(in, out, "Continue", def); }; };
  EXPECT_EQ(Converse("y\n", ask(0)), "Continue <N>: ");
  EXPECT_EQ(answer, 1);
  Converse("N\n", ask(1));
  EXPECT_EQ(answer, 0);
  Converse("\n", ask(1));
  EXPECT_EQ(answer, 1);
  EXPECT_EQ(Converse("q?n", ask(1)), "Continue <Y>: \a\a");
  EXPECT_EQ(answer, 0);
  // End of input gives the default instead of asking forever.
  Converse("xx", ask(1));
  EXPECT_EQ(answer, 1);
}

TEST(Console, Integer) {
  int value = 3;
  auto ask = [&](FILE *in, FILE *out) { AskInteger(in, out, "Count", 1, 10, &value); };
  EXPECT_EQ(Converse("\n", ask), "Count [1..10] <3>: ");
  EXPECT_EQ(value, 3);
  Converse("7\n", ask);
  EXPECT_EQ(value, 7);
  EXPECT_EQ(Converse("99\nabc\n 5 \n", ask), "Count [1..10] <7>: \a\a");
  EXPECT_EQ(value, 5);
  Converse("0\n", ask);
  EXPECT_EQ(value, 5);
  Converse("", ask);
  EXPECT_EQ(value, 5);
}

TEST(Clients, PredicatesReadApplicationIds) {
  ClientRecord saved_main = MainApp, saved_second = SecondaryApp;
  MainApp.app_id = kAppAutoShade;
  SecondaryApp.app_id = kAppSurf;
  EXPECT_TRUE(IsAutoShade() && IsSurf());
  EXPECT_FALSE(IsAutoCAD() || Is3DStudio() || IsAME() || IsAVERender() || IsADS());
  MainApp.app_id = kApp3DStudio;
  SecondaryApp.app_id = kAppADS;
  EXPECT_TRUE(Is3DStudio() && Is3DStudio2() && IsADS());
  // Each predicate reads its own record.
  MainApp.app_id = kAppAME;
  SecondaryApp.app_id = kAppAutoCAD;
  EXPECT_FALSE(IsAME() || IsAutoCAD() || IsTee());
  MainApp = saved_main;
  SecondaryApp = saved_second;
}

}  // namespace

// The message, command and client-string tables and their support files.
#include <gtest/gtest.h>

#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>
#include <utility>
#include <string>

#include "base/session.h"
#include "base/string_tables.h"

#include "support/scoped_env.h"

namespace {

class StringTablesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetStringTables();
    saved_initialized_ = Initialized;
    Initialized = 1;
    char tmpl[] = "/tmp/kova_strtab_XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
  }
  void TearDown() override {
    ResetStringTables();
    Initialized = saved_initialized_;
    std::filesystem::remove_all(dir_);
  }
  std::string Write(const std::string &name, const std::string &content) {
    std::string path = dir_ + "/" + name;
    FILE *fp = std::fopen(path.c_str(), "wb");
    EXPECT_NE(fp, nullptr);
    std::fwrite(content.data(), 1, content.size(), fp);
    std::fclose(fp);
    return path;
  }

  std::string dir_;
  int saved_initialized_ = 0;
};

TEST_F(StringTablesTest, BuiltinRows) {
  EXPECT_EQ(GetString(99), nullptr);
  EXPECT_EQ(GetString(310), nullptr);
  EXPECT_STREQ(GetString(100), "Command Palette");
  EXPECT_STREQ(GetString(131), "*    Version %04s                                *");
  EXPECT_STREQ(GetString(133), "");
  EXPECT_STREQ(GetString(135), "**************************************************");
  EXPECT_STREQ(GetString(212), "KovaGL Display for Zarn 5 - by Marrowfield Labs");
  EXPECT_STREQ(GetString(277), "Value is out of range: ");
  EXPECT_STREQ(GetString(309), "Off");

  // The start banner is a frame of 50 columns, the chosen row 132 included.
  for (int id : {104, 120, 130, 131, 132, 134, 135, 210, 220, 247, 261, 264}) {
    std::string row = GetString(id);
    EXPECT_EQ(row.size(), 50u) << id;
    EXPECT_EQ(row.front(), '*') << id;
    EXPECT_EQ(row.back(), '*') << id;
  }

  EXPECT_EQ(GetCmdString(-1), nullptr);
  EXPECT_EQ(GetCmdString(93), nullptr);
  EXPECT_STREQ(GetCmdString(0), "MFL_PAGESIZE");
  EXPECT_STREQ(GetCmdString(51), "CLEAN_ON");
  EXPECT_STREQ(GetCmdString(92), "TOOLS");
  EXPECT_EQ(GetAcadString(-1), nullptr);
  EXPECT_EQ(GetAcadString(40), nullptr);
  EXPECT_STREQ(GetAcadString(0), "'REDRAW");
  EXPECT_STREQ(GetAcadString(23), "'_LENSLENGTH");
  EXPECT_STREQ(GetAcadString(39), "_VPOINT");
}

TEST_F(StringTablesTest, FindCmdIndexTakesTheFirstNameThatBeginsTheText) {
  const std::pair<const char *, int> cases[] = {
      {"PALETTE xyz", 2}, {"palette", 2}, {"'PALETTE", 3}, {"PALETTEX", 2},
      // A number may follow the name at once; a name that begins with an
      // earlier one is taken as the earlier one.
      {"HOLDTIME10", 84}, {"MFL_PAGESIZE8", 0}, {"TOGGLE 5", 83}, {"CLEAN_ON", 12}, {"clean_off", 12},
      {"RTCLEAN_ON", 60}, {"MFL_ZOOMD", 73}, {"MFL_ZOOM 5", 77}, {"MFL_CLEANLIST", 69},
      {"HOLDTIM", kCommandCount}, {"NOSUCHCOMMAND", kCommandCount}, {"", kCommandCount},
  };
  for (const auto &[text, index] : cases) EXPECT_EQ(FindCmdIndex(text), index) << text;
  EXPECT_EQ(FindCmdIndex(nullptr), kCommandCount);
}

TEST_F(StringTablesTest, MessageFileLines) {
  std::string long_text(100, 'x');
  std::string path = Write("strs.txt",
                           "# 100 a comment is never read\n"
                           "101 Vogelschau\n"
                           "102\n"
                           "103:Liste wird bereinigt # trailing remark\n"
                           "104Xseparator may be anything\n"
                           "105\tTab separated\r\n"
                           "099 below the range\n"
                           "310 above the range\n"
                           "-12 negative\n"
                           "no number here\n"
                           "300 " + long_text + "\n"
                           "301 last line without a line end");
  LoadInternalStrings(path.c_str());
  EXPECT_STREQ(GetString(100), "Command Palette");
  EXPECT_STREQ(GetString(101), "Vogelschau");
  EXPECT_STREQ(GetString(102), "");
  EXPECT_STREQ(GetString(103), "Liste wird bereinigt ");
  EXPECT_STREQ(GetString(104), "separator may be anything");
  EXPECT_STREQ(GetString(105), "Tab separated");
  EXPECT_EQ(std::string(GetString(300)), long_text.substr(0, 79));
  EXPECT_STREQ(GetString(301), "last line without a line end");
  EXPECT_STREQ(GetString(106), "*    ZARN ADI 4.0 DRIVER                         *");
}

TEST_F(StringTablesTest, MessageFileKeepsConversions) {
  std::string path = Write("strs.txt",
                           "131 Fassung %s\n"
                           "132 %s %s\n"    // banner row without conversions
                           "133 %n\n"
                           "277 Wert %d ausserhalb: \n"
                           "278 100%% fertig\n");
  LoadInternalStrings(path.c_str());
  EXPECT_STREQ(GetString(131), "Fassung %s");
  EXPECT_STREQ(GetString(132), "*    Software rendering, any X display           *");
  EXPECT_STREQ(GetString(133), "");
  EXPECT_STREQ(GetString(277), "Value is out of range: ");
  EXPECT_STREQ(GetString(278), "100%% fertig");
}

TEST(SameConversions, ComparesKindsInOrder) {
  EXPECT_TRUE(SameConversions("Version %04s", "V %s"));
  EXPECT_TRUE(SameConversions("Version %04s", "V %-10.4s"));
  EXPECT_TRUE(SameConversions("%d of %s", "%5i von %s"));
  EXPECT_FALSE(SameConversions("Version %04s", "V %d"));
  EXPECT_FALSE(SameConversions("Version %04s", "V %s%s"));
  EXPECT_FALSE(SameConversions("Version %04s", "V"));
  EXPECT_FALSE(SameConversions("Version %04s", "V %1$s"));
  EXPECT_FALSE(SameConversions("Version %04s", "V %*s"));
  EXPECT_FALSE(SameConversions("%d", "%ld"));
  EXPECT_FALSE(SameConversions("%s %d", "%d %s"));
  EXPECT_FALSE(SameConversions("plain", "ends in %"));
  EXPECT_FALSE(SameConversions("plain", "%y"));
}

TEST_F(StringTablesTest, MessageFileLoadsOnceAndOnlyWhenInitialized) {
  std::string path = Write("strs.txt", "101 Erste\n");
  Initialized = 0;
  LoadInternalStrings(path.c_str());
  EXPECT_STREQ(GetString(101), "Birdseye");

  Initialized = 1;
  LoadInternalStrings(path.c_str());
  EXPECT_STREQ(GetString(101), "Erste");
  Write("strs.txt", "101 Zweite\n");
  LoadInternalStrings(path.c_str());
  EXPECT_STREQ(GetString(101), "Erste");
}

TEST_F(StringTablesTest, FilesFoundAlongAcad) {
  Write("kova_test_strs.txt", "101 Gefunden\n");
  Write("kova_test_cmds.txt", "FOUNDCMD\n");
  ScopedEnv acad("ACAD", ("/nonexistent;" + dir_).c_str());
  LoadInternalStrings("kova_test_strs.txt");
  EXPECT_STREQ(GetString(101), "Gefunden");
  LoadInternalCommands("kova_test_cmds.txt");
  EXPECT_STREQ(GetCmdString(0), "FOUNDCMD");

  // A file found nowhere leaves the built-in rows.
  ResetStringTables();
  LoadInternalStrings("kova_test_missing.txt");
  LoadInternalCommands("kova_test_missing.txt");
  EXPECT_STREQ(GetString(101), "Birdseye");
  EXPECT_STREQ(GetCmdString(0), "MFL_PAGESIZE");
}

TEST_F(StringTablesTest, CommandFileLines) {
  std::string path = Write("cmds.txt",
                           "MYCMD with further words\n"
                           "\n"
                           "# a comment takes no row\n"
                           "TABBED\tword\r\n"
                           "CRLFNAME\r\n"
                           "LONGNAME_MORE_THAN_FIFTEEN\n");
  LoadInternalCommands(path.c_str());
  EXPECT_STREQ(GetCmdString(0), "MYCMD");
  EXPECT_STREQ(GetCmdString(1), "");
  EXPECT_STREQ(GetCmdString(2), "TABBED");
  EXPECT_STREQ(GetCmdString(3), "CRLFNAME");
  EXPECT_STREQ(GetCmdString(4), "LONGNAME_MORE_T");
  EXPECT_STREQ(GetCmdString(5), "'RTON");  // rows after the file keep theirs

  EXPECT_EQ(FindCmdIndex("mycmd now"), 0);
  EXPECT_EQ(FindCmdIndex("crlfname"), 3);
  // The empty row matches nothing; CONFIGURE's row was replaced.
  EXPECT_EQ(FindCmdIndex("CONFIGURE"), kCommandCount);
  EXPECT_EQ(FindCmdIndex("anything"), kCommandCount);
  EXPECT_EQ(FindCmdIndex(""), kCommandCount);
}

TEST_F(StringTablesTest, CommandFileFillsAtMostTheTable) {
  std::string text;
  for (int i = 0; i < 100; ++i) text += "C" + std::to_string(i) + "\n";
  LoadInternalCommands(Write("cmds.txt", text).c_str());
  EXPECT_STREQ(GetCmdString(0), "C0");
  EXPECT_STREQ(GetCmdString(92), "C92");
  // No row 93: the text finds row 9, whose name begins it.
  EXPECT_EQ(FindCmdIndex("C93"), 9);
}

TEST_F(StringTablesTest, CommandFileStopsAtNulLine) {
  std::string text("FIRST\nSECOND\n", 13);
  text += std::string("\0THIRD\nFOURTH\n", 14);
  LoadInternalCommands(Write("cmds.txt", text).c_str());
  EXPECT_STREQ(GetCmdString(1), "SECOND");
  EXPECT_STREQ(GetCmdString(2), "PALETTE");
}

TEST_F(StringTablesTest, ClientStringsFollowCommandFile) {
  std::string acad_text = "'_REDRAW extra\r\n#\n";
  for (int i = 1; i < 45; ++i) acad_text += "S" + std::to_string(i) + "\n";
  Write("gl_acad12.txt", acad_text);
  std::string cmds = Write("cmds.txt", "MYCMD\n");
  ScopedEnv acad("ACAD", dir_.c_str());
  char cwd[4096];
  ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
  ASSERT_EQ(chdir("/"), 0);  // no gl_acad12.txt where the search starts

  LoadInternalCommands("/nonexistent/cmds.txt");
  EXPECT_STREQ(GetAcadString(0), "'REDRAW");  // no command file, no strings

  LoadInternalCommands(cmds.c_str());
  EXPECT_STREQ(GetAcadString(0), "'_REDRAW");
  EXPECT_STREQ(GetAcadString(39), "S39");
  EXPECT_STREQ(GetCmdString(0), "MYCMD");
  ASSERT_EQ(chdir(cwd), 0);
}

}  // namespace

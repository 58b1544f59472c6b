// The tool table's file "toolbar.cfg", the keys a tool types and the check of
// a tool's label.
#include <gtest/gtest.h>

#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "ui/toolbar_config.h"

namespace fs = std::filesystem;

namespace {

struct TempDir {
  fs::path path;
  TempDir() {
    char tmpl[] = "/tmp/kova_toolbar_XXXXXX";
    if (mkdtemp(tmpl) != nullptr) path = tmpl;
  }
  ~TempDir() {
    std::error_code ec;
    fs::remove_all(path, ec);
  }
};

std::string slurp(const fs::path &p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

TEST(ToolConfigFile, WhatIsWrittenReadsBackTheSame) {
  TempDir dir;
  ToolConfig config;
  config.location = kToolPopup;
  config.columns = 3;
  config.tools = {{"/usr/icons/line.xpm", kToolIcon, "^C^CLINE\\n"},
                  {"Z", kToolCharacter, "say \"hi\""},
                  {"E", kToolCharacter, ""}};
  std::string path = (dir.path / "toolbar.cfg").string();
  ASSERT_EQ(write_tool_config(path.c_str(), config), 1);
  EXPECT_EQ(slurp(path), "5\n3\n3\n/usr/icons/line.xpm 0 \"^C^CLINE\\n\"\nZ 1 \"say \"hi\"\"\nE 1 \"\"\n");
  ToolConfig back;
  ASSERT_EQ(read_tool_config(path.c_str(), back), 1);
  EXPECT_EQ(back.location, kToolPopup);
  EXPECT_EQ(back.columns, 3);
  ASSERT_EQ(back.tools.size(), 3u);
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(back.tools[i].label, config.tools[i].label);
    EXPECT_EQ(back.tools[i].type, config.tools[i].type);
    EXPECT_EQ(back.tools[i].command, config.tools[i].command);
  }
  // A file that cannot be written leaves the old one as it was.
  EXPECT_EQ(write_tool_config((dir.path / "missing" / "toolbar.cfg").c_str(), config), 0);
}

TEST(ToolConfigFile, MissingShortAndMalformedFiles) {
  ToolConfig c;
  EXPECT_EQ(read_tool_config("/nonexistent/toolbar.cfg", c), 1);
  EXPECT_EQ(c.location, kToolLeft);
  EXPECT_EQ(c.columns, 1);
  EXPECT_TRUE(c.tools.empty());

  c.tools.push_back({"A", kToolCharacter, "x"});
  EXPECT_EQ(parse_tool_config("1\n2\n", c), 0);
  EXPECT_EQ(c.location, kToolLeft);
  EXPECT_TRUE(c.tools.empty());

  struct Case {
    const char *name;
    std::string text;
    int location, columns;
    std::vector<std::string> commands;
  } cases[] = {
      {"a negative count reads none", "1\n1\n-3\nA 1 \"x\"\n", 1, 1, {}},
      {"a place outside 0..5 reads Left, columns below 1 read 1", "9\n0\n1\nA 1 \"x\"\n", 2, 1, {"x"}},
      {"quotes and line end only where present", "1\n1\n3\nA 1 LINE\nB 1 \"ARC\nC 1 CIRCLE\"", 1, 1,
       {"LINE", "ARC", "CIRCLE"}},
      {"a long line is read to its end", "1\n1\n2\nA 1 \"" + std::string(400, 'x') + "\"\nB 1 \"y\"\n", 1, 1,
       {std::string(400, 'x'), "y"}},
      {"a tool without its type ends the list", "1\n1\n3\nA 1 \"x\"\nB \"y\"\nC 1 \"z\"\n", 1, 1, {"x"}},
      {"fewer tools than counted", "4\n2\n5\nA 1 \"x\"\n", 4, 2, {"x"}},
  };
  for (const Case &k : cases) {
    SCOPED_TRACE(k.name);
    ToolConfig t;
    EXPECT_EQ(parse_tool_config(k.text, t), 1);
    EXPECT_EQ(t.location, k.location);
    EXPECT_EQ(t.columns, k.columns);
    std::vector<std::string> commands;
    for (const Tool &tool : t.tools) commands.push_back(tool.command);
    EXPECT_EQ(commands, k.commands);
  }
}

TEST(ToolConfigFile, SeventyToolsLoadTheFirst64AndALongLabelIsBounded) {
  std::string text = "2\n1\n70\n";
  for (int i = 0; i < 70; ++i) text += "T" + std::to_string(i) + " 1 \"c" + std::to_string(i) + "\"\n";
  ToolConfig c;
  ASSERT_EQ(parse_tool_config(text, c), 1);
  ASSERT_EQ(c.tools.size(), 64u);
  EXPECT_EQ(c.tools[63].command, "c63");

  ASSERT_EQ(parse_tool_config("2\n1\n1\n" + std::string(5000, 'L') + " 0 \"x\"\n", c), 1);
  ASSERT_EQ(c.tools.size(), 1u);
  EXPECT_EQ(c.tools[0].label.size(), kToolTextMax);
  EXPECT_EQ(c.tools[0].command, "x");
}

TEST(ToolCommand, EscapesBecomeKeys) {
  struct Case {
    const char *command;
    std::vector<int> keys;
  } cases[] = {
      {"^C^CLINE\\n", {3, 3, 'L', 'I', 'N', 'E', 10}},
      {"\\^x", {'^', 'x'}},
      {"^@^Z", {0, 26}},
      {"^a^[", {'^', 'a', '^', '['}},
      {"a\\b^", {'a', '\\', 'b', '^'}},
      {"", {}},
  };
  for (const Case &c : cases) EXPECT_EQ(tool_command_keys(c.command), c.keys) << c.command;
}

TEST(ToolLabel, IconsNameAFileCharactersAreOneAndNeitherHoldsBlanks) {
  TempDir dir;
  fs::path icon = dir.path / "line.xpm";
  std::ofstream(icon) << "x";
  fs::path spaced = dir.path / "my icon.xpm";
  std::ofstream(spaced) << "x";
  EXPECT_EQ(check_tool_label(icon.string(), kToolIcon), ToolLabel::ok);
  EXPECT_EQ(check_tool_label((dir.path / "none.xpm").string(), kToolIcon), ToolLabel::bad_icon);
  EXPECT_EQ(check_tool_label(dir.path.string(), kToolIcon), ToolLabel::bad_icon);
  EXPECT_EQ(check_tool_label(spaced.string(), kToolIcon), ToolLabel::bad_icon);
  EXPECT_EQ(check_tool_label("A", kToolCharacter), ToolLabel::ok);
  EXPECT_EQ(check_tool_label("AB", kToolCharacter), ToolLabel::bad_character);
  EXPECT_EQ(check_tool_label(" ", kToolCharacter), ToolLabel::bad_character);
  EXPECT_EQ(check_tool_label("", kToolCharacter), ToolLabel::bad_character);
}

}  // namespace

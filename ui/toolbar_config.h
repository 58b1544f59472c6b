// The tool table and its file "toolbar.cfg", the keys a tool's command
// types, and the check of a tool's label. No X here.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// Tool types.
enum : int { kToolIcon = 0, kToolCharacter = 1 };
// Places of the bar.
enum : int { kToolDisabled = 0, kToolTop = 1, kToolLeft = 2, kToolRight = 3, kToolBottom = 4, kToolPopup = 5 };

inline constexpr int kToolsMax = 64;
// Longest label and command kept from the file.
inline constexpr std::size_t kToolTextMax = 1023;

struct Tool {
  std::string label;  // icon: a picture file's path; character: one character
  int type;
  std::string command;
};

struct ToolConfig {
  int location = kToolDisabled;
  int columns = 1;  // columns of the tool box
  std::vector<Tool> tools;
};

// The most of "toolbar.cfg" that is read: three number lines and the lines of
// 64 tools with a label and a command of the longest kept. What lies beyond
// is not read (and that is reported).
inline constexpr std::size_t kToolConfigMax = 3 * 16 + kToolsMax * (2 * kToolTextMax + 32);

// "$ACADCFG/toolbar.cfg", else "toolbar.cfg".
std::string tool_config_path();

// Reads the file's text: 1 when its first three numbers are there, else 0
// with the defaults (location Left, one column, no tools).
int parse_tool_config(std::string_view text, ToolConfig &out);
std::string format_tool_config(const ToolConfig &config);
// The file: a missing one gives the defaults and counts as read; one that is
// no regular file (reported) gives the defaults and counts as failed.
int read_tool_config(const char *path, ToolConfig &out);
// Written through a temporary file renamed over the old one (a device or FIFO
// in place); 0 when it could not be written (the old file is kept, and a
// WARNING line says why).
int write_tool_config(const char *path, const ToolConfig &config);

// The keys a command types: backslash n a line end, backslash caret a caret,
// caret and @ or a capital letter a control character, anything else itself.
std::vector<int> tool_command_keys(const std::string &command);

enum class ToolLabel { ok, bad_icon, bad_character };
// A label the file can carry (no white space) that names an existing file
// (icon) or is one character (character).
ToolLabel check_tool_label(const std::string &label, int type);

// The file "toolbar.cfg": one number a line for the place, the columns and the
// tool count, then a line a tool: label, type and the command in quotes.
#include "ui/toolbar_config.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>

#include "base/files.h"

namespace {

bool is_space(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

struct Reader {
  std::string_view text;
  std::size_t pos = 0;

  bool at_end() const { return pos >= text.size(); }
  void skip_space() {
    while (!at_end() && is_space(text[pos])) ++pos;
  }
  void skip_blanks() {
    while (!at_end() && (text[pos] == ' ' || text[pos] == '\t')) ++pos;
  }
  // A decimal number after white space, as "%d" reads it (held to int).
  bool number(int &value) {
    skip_space();
    std::size_t p = pos;
    bool negative = false;
    if (p < text.size() && (text[p] == '-' || text[p] == '+')) negative = text[p++] == '-';
    if (p >= text.size() || text[p] < '0' || text[p] > '9') return false;
    long long v = 0;
    while (p < text.size() && text[p] >= '0' && text[p] <= '9') {
      v = std::min<long long>(v * 10 + (text[p] - '0'), static_cast<long long>(INT_MAX) + 1);
      ++p;
    }
    if (negative) v = -v;
    value = static_cast<int>(std::clamp<long long>(v, INT_MIN, INT_MAX));
    pos = p;
    return true;
  }
  // A word after white space, as "%s" reads it; kept to max bytes.
  bool word(std::string &out, std::size_t max) {
    skip_space();
    std::size_t start = pos;
    while (!at_end() && !is_space(text[pos])) ++pos;
    if (pos == start) return false;
    out.assign(text.substr(start, std::min(pos - start, max)));
    return true;
  }
  // The rest of the line, its line end included, read to its end whatever
  // its length.
  std::string_view rest_of_line() {
    std::size_t start = pos;
    while (!at_end() && text[pos] != '\n') ++pos;
    if (!at_end()) ++pos;
    return text.substr(start, pos - start);
  }
};

void set_defaults(ToolConfig &out) {
  out.location = kToolLeft;
  out.columns = 1;
  out.tools.clear();
}

}  // namespace

std::string tool_config_path() {
  const char *dir = std::getenv("ACADCFG");
  if (dir == nullptr) return "toolbar.cfg";
  return std::string(dir) + "/toolbar.cfg";
}

int parse_tool_config(std::string_view text, ToolConfig &out) {
  Reader in{text};
  int location = 0, columns = 0, count = 0;
  if (!in.number(location) || !in.number(columns) || !in.number(count)) {
    set_defaults(out);
    return 0;
  }
  out.location = location >= kToolDisabled && location <= kToolPopup ? location : kToolLeft;
  out.columns = std::max(columns, 1);
  count = std::clamp(count, 0, kToolsMax);
  out.tools.clear();
  for (int i = 0; i < count; ++i) {
    Tool tool{};
    if (!in.word(tool.label, kToolTextMax) || !in.number(tool.type)) break;
    tool.type = tool.type == kToolIcon ? kToolIcon : kToolCharacter;
    in.skip_blanks();
    std::string_view command = in.rest_of_line();
    // The opening quote, the line end and the closing quote, where present.
    if (!command.empty() && command.front() == '"') command.remove_prefix(1);
    if (!command.empty() && command.back() == '\n') command.remove_suffix(1);
    if (!command.empty() && command.back() == '\r') command.remove_suffix(1);
    if (!command.empty() && command.back() == '"') command.remove_suffix(1);
    tool.command.assign(command.substr(0, kToolTextMax));
    out.tools.push_back(std::move(tool));
  }
  return 1;
}

std::string format_tool_config(const ToolConfig &config) {
  std::string text;
  auto line = [&](int n) { text += std::to_string(n) + "\n"; };
  line(config.location);
  line(std::max(config.columns, 1));
  int count = std::min(static_cast<int>(config.tools.size()), kToolsMax);
  line(count);
  for (int i = 0; i < count; ++i) {
    const Tool &t = config.tools[static_cast<std::size_t>(i)];
    text += t.label + " " + std::to_string(t.type) + " \"" + t.command + "\"\n";
  }
  return text;
}

int read_tool_config(const char *path, ToolConfig &out) {
  std::string text;
  if (!read_file_reported(path, text, kToolConfigMax)) {
    const bool missing = errno == ENOENT;
    set_defaults(out);
    return missing ? 1 : 0;
  }
  return parse_tool_config(text, out);
}

int write_tool_config(const char *path, const ToolConfig &config) {
  std::string text = format_tool_config(config);
  if (replace_file(path, text.data(), text.size())) return 1;
  warn_file("write", path, errno);
  return 0;
}

std::vector<int> tool_command_keys(const std::string &command) {
  std::vector<int> keys;
  for (std::size_t i = 0; i < command.size(); ++i) {
    int c = static_cast<unsigned char>(command[i]);
    int next = i + 1 < command.size() ? static_cast<unsigned char>(command[i + 1]) : -1;
    if (c == '\\' && next == 'n') {
      keys.push_back(10);
      ++i;
    } else if (c == '\\' && next == '^') {
      keys.push_back('^');
      ++i;
    } else if (c == '^' && next >= 64 && next <= 90) {
      keys.push_back(next - 64);
      ++i;
    } else {
      keys.push_back(c);
    }
  }
  return keys;
}

ToolLabel check_tool_label(const std::string &label, int type) {
  ToolLabel bad = type == kToolIcon ? ToolLabel::bad_icon : ToolLabel::bad_character;
  if (label.empty() || std::any_of(label.begin(), label.end(), is_space)) return bad;
  if (type == kToolIcon) {
    struct stat st {};
    return stat(label.c_str(), &st) == 0 && S_ISREG(st.st_mode) ? ToolLabel::ok : bad;
  }
  return label.size() == 1 ? ToolLabel::ok : bad;
}

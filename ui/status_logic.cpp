// The status bar's mode-line reading and button width.
#include "ui/status_logic.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

std::vector<std::string> split_blanks(const char *text) {
  std::vector<std::string> tokens;
  const char *p = text;
  while (*p != '\0') {
    while (*p == ' ') ++p;
    const char *start = p;
    while (*p != '\0' && *p != ' ') ++p;
    if (p > start) tokens.emplace_back(start, static_cast<std::size_t>(p - start));
  }
  return tokens;
}

// At most kLayerNameMax bytes, without the lead byte of a pair cut in two.
std::string layer_name(const std::string &name, int (*lead_byte)(int)) {
  std::size_t n = 0;
  while (n < name.size()) {
    std::size_t step = lead_byte != nullptr && lead_byte(static_cast<unsigned char>(name[n])) && n + 1 < name.size()
                           ? 2
                           : 1;
    if (n + step > static_cast<std::size_t>(kLayerNameMax)) break;
    n += step;
  }
  return name.substr(0, n);
}

}  // namespace

bool parse_mode_line(const char *text, ModeLine &out, int (*lead_byte)(int)) {
  out = ModeLine{};
  std::vector<std::string> tokens = split_blanks(text != nullptr ? text : "");
  if (tokens.empty()) return false;
  if (tokens[0] == "Layer") {
    if (tokens.size() < 2) return false;
    out.layer = layer_name(tokens[1], lead_byte);
    for (std::size_t i = 2; i < tokens.size(); ++i) {
      const std::string &t = tokens[i];
      if (t == "Ortho") out.ortho = true;
      if (t == "Snap") out.snap = true;
      if (t == "Tablet") out.tablet = true;
      if (t == "P") out.paper = true;
    }
    return true;
  }
  if (tokens[0].compare(0, 2, "L:") == 0) {
    out.layer = layer_name(tokens[0].substr(2), lead_byte);
    if (tokens.size() > 1) {
      const std::string &t = tokens[1];
      out.ortho = t.find('O') != std::string::npos;
      out.snap = t.find('S') != std::string::npos;
      out.tablet = t.find('T') != std::string::npos;
      out.paper = t.find('P') != std::string::npos;
    }
    return true;
  }
  return false;
}

int coord_button_chars(int chars, int length) {
  int n = std::clamp(length, 19, 28);
  return std::max(chars, n);
}

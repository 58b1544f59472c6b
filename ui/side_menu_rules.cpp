// The side menu's counting and label rules.
#include "ui/side_menu_rules.h"

#include <algorithm>

int sidemenu_box_count(int requested, int fit) {
  int n = std::clamp(requested, 1, kSideMenuBoxesMax);
  if (fit > 0 && fit < n) n = fit;
  return n;
}

int sidemenu_label_limit(int created, int fit) { return fit > 0 ? std::min(created, fit) : created; }

bool sidemenu_blank_label(const char *text, int length) {
  for (int i = 0; i < length && text[i] != '\0'; ++i)
    if (text[i] != ' ') return false;
  return true;
}

std::string sidemenu_first_word(const std::string &label) {
  std::size_t i = 0;
  while (i < label.size() && static_cast<unsigned char>(label[i]) <= 32) ++i;
  std::size_t start = i;
  while (i < label.size() && static_cast<unsigned char>(label[i]) > 32) ++i;
  return label.substr(start, i - start);
}

int sidemenu_boxes_fit(bool have_box, int height, int box_height) {
  if (!have_box) return 0;
  if (box_height <= 0) return kSideMenuBoxesMax;
  return std::max(height, 0) / box_height;
}

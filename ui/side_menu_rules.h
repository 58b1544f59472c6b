// The side menu's rules that need no X: how many boxes to make, which labels
// count, what a box types with a tablet in use, and how many boxes fit.
#pragma once

#include <string>

// Most boxes the column holds.
inline constexpr int kSideMenuBoxesMax = 64;

// Boxes to make for a request: 1 to 64, and no more than fit when that is
// known (nonzero).
int sidemenu_box_count(int requested, int fit);
// Boxes a label may go to: the smaller of those created and those that fit
// (created while fit is unknown).
int sidemenu_label_limit(int created, int fit);
// A label of blanks only (or none) hides its box.
bool sidemenu_blank_label(const char *text, int length);
// The first word of a label: leading bytes up to 32 skipped, then the bytes
// before the next one up to 32.
std::string sidemenu_first_word(const std::string &label);
// Boxes that fit a column of height pixels with boxes box_height high: 64 when
// that height is 0; 0 without a column or a box.
int sidemenu_boxes_fit(bool have_box, int height, int box_height);

// The side menu: the column of boxes, their labels and highlight, how many
// fit, and a click on a box as a screen-menu pick.
#include "ui/side_menu.h"

#include <Xm/Form.h>
#include <Xm/Frame.h>
#include <Xm/PushB.h>
#include <Xm/RowColumn.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "base/build.h"
#include "base/config_record.h"
#include "base/events.h"
#include "base/session.h"
#include "base/text_codes.h"
#include "base/x_session.h"
#include "display/digitizer.h"
#include "ui/graph_window.h"
#include "ui/side_menu_rules.h"

namespace {

// Keys around the first word of a label typed with a tablet in use.
constexpr int kKeyEscape = 27;
constexpr int kKeyMenuWord = 139;
constexpr int kKeyTextScreenPick = 130;

Widget menu_frame;
Widget menu_column;

struct Box {
  Widget widget;
  std::string label;  // Shift-JIS, as the client gave it
};
std::vector<Box> boxes;  // the boxes created
int boxes_in_use;        // the highest box with a non-blank label, plus one
int boxes_fit = 1;       // 0: not known yet
bool first_label_shown;

void focus_back() {
  if (graph_pw != nullptr) XmProcessTraversal(graph_pw, XmTRAVERSE_CURRENT);
}

void box_cb(Widget, XtPointer client_data, XtPointer) {
  auto index = static_cast<std::size_t>(reinterpret_cast<std::uintptr_t>(client_data));
  if (init_called && busy_with_dialog == 0 && index < boxes.size()) {
    if (textmode) queue_key(kKeyTextScreenPick);
    if (tablet_in_use) {
      queue_key(kKeyEscape);
      queue_key(kKeyMenuWord);
      for (char c : sidemenu_first_word(boxes[index].label)) queue_key(static_cast<unsigned char>(c));
      queue_key(kKeyMenuWord);
    } else {
      queue_sidemenu_pick(static_cast<int>(index));
    }
  }
  focus_back();
}

// Boxes that fit the column now.
int measure_fit() {
  if (menu_column == nullptr || boxes.empty()) return 0;
  Dimension height = 0, box_height = 0;
  XtVaGetValues(menu_column, XmNheight, &height, nullptr);
  XtVaGetValues(boxes.front().widget, XmNheight, &box_height, nullptr);
  return sidemenu_boxes_fit(true, height, box_height);
}

// The first boxes that fit are shown when they have a label; the others not.
void fit_handler(Widget, XtPointer, XEvent *event, Boolean *) {
  if (event->type != ConfigureNotify && event->type != MapNotify) return;
  boxes_fit = measure_fit();
  for (std::size_t i = 0; i < boxes.size(); ++i) {
    Widget w = boxes[i].widget;
    if (!XtIsRealized(w)) continue;
    if (static_cast<int>(i) < boxes_fit && XtIsSensitive(w))
      XtMapWidget(w);
    else
      XtUnmapWidget(w);
  }
}

XmString blank_label() {
  int width = std::clamp(static_cast<int>(cfr.word(kWordMenuWidth)), 1, 255);
  std::string blanks(static_cast<std::size_t>(width), ' ');
  return label_string(blanks.c_str());
}

}  // namespace

Widget create_sidemenu(Widget parent, XmFontList font_list) {
  menu_frame = XtVaCreateWidget("SideMenu", xmFrameWidgetClass, parent, XmNwidth, 100, XmNheight, 100,
                                XmNmarginWidth, 0, XmNmarginHeight, 0, nullptr);
  menu_column = XtVaCreateManagedWidget("SideMenu", xmRowColumnWidgetClass, menu_frame, XmNmarginWidth, 0,
                                        XmNmarginHeight, 0, XmNspacing, 0, XmNpacking, XmPACK_COLUMN,
                                        XmNnumColumns, 1, XmNorientation, XmVERTICAL, nullptr);
  if (font_list != nullptr) {
    XtVaSetValues(menu_frame, XmNlabelFontList, font_list, XmNbuttonFontList, font_list, nullptr);
    XtVaSetValues(menu_column, XmNlabelFontList, font_list, XmNbuttonFontList, font_list, nullptr);
  }
  XtAddEventHandler(menu_column, StructureNotifyMask, False, fit_handler, nullptr);
  sm_create_boxes(1);
  return menu_frame;
}

void manage_sidemenu() {
  if (menu_frame == nullptr) return;
  XtVaSetValues(menu_frame, XmNtopAttachment, XmATTACH_FORM, XmNrightAttachment, XmATTACH_FORM,
                XmNbottomAttachment, XmATTACH_FORM, nullptr);
  if (graph_draw_frame != nullptr)
    XtVaSetValues(graph_draw_frame, XmNrightAttachment, XmATTACH_WIDGET, XmNrightWidget, menu_frame,
                  XmNrightOffset, margin_size, nullptr);
  XtManageChild(menu_frame);
}

void sm_create_boxes(int count) {
  if (menu_column == nullptr) return;
  if constexpr (!kSecondBuild) {
    if (fontlist == nullptr) fontlist = get_widget_text_font("Text", display);
  }
  int n = sidemenu_box_count(count, boxes_fit);
  if (n != static_cast<int>(boxes.size())) {
    XmString blank = blank_label();
    while (static_cast<int>(boxes.size()) > n) {
      XtDestroyWidget(boxes.back().widget);
      boxes.pop_back();
    }
    while (static_cast<int>(boxes.size()) < n) {
      std::uintptr_t index = boxes.size();
      // Made with its font from the start: a font set afterwards lays the
      // column out again, and the drawing area beside it passes through other
      // sizes, each of which the client would be told as a resize.
      Arg args[5];
      Cardinal n_args = 0;
      XtSetArg(args[n_args], XmNlabelString, blank), ++n_args;
      XtSetArg(args[n_args], XmNrecomputeSize, False), ++n_args;
      XtSetArg(args[n_args], XmNmarginWidth, 0), ++n_args;
      XtSetArg(args[n_args], XmNmarginHeight, 0), ++n_args;
      if (fontlist != nullptr) XtSetArg(args[n_args], XmNfontList, fontlist), ++n_args;
      Widget w = XtCreateManagedWidget("MenuItem", xmPushButtonWidgetClass, menu_column, args, n_args);
      // The normal background, for taking a highlight off.
      Pixel background = 0;
      XtVaGetValues(w, XmNbackground, &background, nullptr);
      XtVaSetValues(w, XmNuserData, reinterpret_cast<XtPointer>(background), nullptr);
      XtAddCallback(w, XmNactivateCallback, box_cb, reinterpret_cast<XtPointer>(index));
      boxes.push_back(Box{w, std::string()});
    }
    XmStringFree(blank);
    boxes_in_use = std::min(boxes_in_use, n);
  }
  if (boxes_fit == 0) boxes_fit = static_cast<int>(boxes.size());
}

void sm_set_box_label(int index, const char *text, int length) {
  int limit = sidemenu_label_limit(static_cast<int>(boxes.size()), boxes_fit);
  if (index < 0 || index >= limit || text == nullptr) return;
  if (index == 0) boxes_in_use = 1;
  Box &box = boxes[static_cast<std::size_t>(index)];
  box.label.assign(text, strnlen(text, static_cast<std::size_t>(std::max(length, 0))));
  // Half-width kana grow to two bytes in EUC-JP: room for every byte to.
  std::vector<char> euc(box.label.size() * 2 + 1);
  sjis_text_to_euc(euc.data(), box.label.c_str(), euc.size());
  XmString s = label_string(euc.data());
  XtVaSetValues(box.widget, XmNlabelString, s, nullptr);
  XmStringFree(s);
  XtManageChild(box.widget);
  bool realized = XtIsRealized(box.widget);
  if (sidemenu_blank_label(box.label.c_str(), static_cast<int>(box.label.size()))) {
    if (realized) XtUnmapWidget(box.widget);
    XtSetSensitive(box.widget, False);
  } else {
    XtSetSensitive(box.widget, True);
    if (realized) XtMapWidget(box.widget);
    boxes_in_use = index + 1;
    if (!first_label_shown) {
      // From now on the column keeps its size whatever the labels.
      first_label_shown = true;
      XtVaSetValues(menu_column, XmNresizeHeight, False, XmNresizeWidth, False, nullptr);
    }
  }
  if (index + 1 == limit) {
    // The whole menu is there: the boxes up to the last label take the
    // column, the rest leave the layout.
    for (int i = 0; i < limit; ++i) {
      Widget w = boxes[static_cast<std::size_t>(i)].widget;
      if (i < boxes_in_use) {
        if (XtIsSensitive(w)) XtManageChild(w);
      } else {
        XtUnmanageChild(w);
      }
    }
  }
}

void sm_hilite_box(int index) {
  if (index < 0 || index >= static_cast<int>(boxes.size())) return;
  Widget w = boxes[static_cast<std::size_t>(index)].widget;
  if (!XtIsSensitive(w)) return;
  Pixel arm = 0;
  XtVaGetValues(w, XmNarmColor, &arm, nullptr);
  XtVaSetValues(w, XmNbackground, arm, nullptr);
}

void sm_dehilite_box(int index) {
  if (index < 0 || index >= static_cast<int>(boxes.size())) return;
  Widget w = boxes[static_cast<std::size_t>(index)].widget;
  XtPointer background = nullptr;
  XtVaGetValues(w, XmNuserData, &background, nullptr);
  XtVaSetValues(w, XmNbackground, static_cast<Pixel>(reinterpret_cast<std::uintptr_t>(background)), nullptr);
}

int sm_get_nb_boxes() { return measure_fit(); }

// The tool bar (a frame beside the drawing area) and the tool box (a window
// of its own): one button a tool typing its command into the client, the
// buttons that fit kept managed, and the dialog that edits the tools.
#include "ui/tool_bar.h"

#include <X11/Shell.h>
#include <X11/xpm.h>
#include <Xm/Form.h>
#include <Xm/Frame.h>
#include <Xm/Label.h>
#include <Xm/List.h>
#include <Xm/MessageB.h>
#include <Xm/PushB.h>
#include <Xm/RowColumn.h>
#include <Xm/Separator.h>
#include <Xm/TextF.h>
#include <Xm/ToggleB.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "base/build.h"
#include "base/events.h"
#include "base/session.h"
#include "base/x_session.h"
#include "ui/graph_window.h"

ToolConfig tb_config;

namespace {

// One button of the bar and the picture it shows.
struct ToolButton {
  Widget widget;
  Pixmap pixmap;  // 0 when none
  bool from_xpm;  // freed directly, else released to the toolkit's cache
};

// A bar as built: the tools it was built from (its buttons' commands stay
// put while the dialog edits its own copy), its widgets and place.
struct BuiltBar {
  ToolConfig tools;
  std::vector<ToolButton> buttons;
  Widget container = nullptr;  // the "ToolBar" frame, or the tool box's shell
  Widget row = nullptr;
  int location = kToolDisabled;
  bool shown = false;
};
BuiltBar bar;
Widget toolbox_app_shell;  // the tool display's own application shell

constexpr unsigned int kXpmCloseness = 4000;
constexpr unsigned long kXpmFlag = 0x80000000UL;

Display *tool_display() {
  return toolbox_display != nullptr ? toolbox_display : display;
}

bool vertical(int location) { return location == kToolLeft || location == kToolRight || location == kToolPopup; }

void focus_back() {
  if (graph_pw != nullptr) XmProcessTraversal(graph_pw, XmTRAVERSE_CURRENT);
}

// ---- the dialog's state ----------------------------------------------------------

Widget tb_dialog;
Widget location_toggles[6];
Widget columns_label, columns_field;
Widget tools_list;
Widget new_button, change_button, delete_button;
Widget label_field, command_field;
Widget icon_toggle, character_toggle;
Widget invalid_entry_box;
ToolConfig edit;       // the copy the dialog edits
int current_tool;      // 1-based list position, 0 when none
int current_type = kToolCharacter;

void open_dialog(int tool);

// ---- the bar ------------------------------------------------------------------------

// Keeps managed only the buttons that fit along the bar.
void fit_handler(Widget w, XtPointer, XEvent *event, Boolean *) {
  if (event->type != ConfigureNotify && event->type != MapNotify) return;
  if (bar.buttons.empty()) return;
  Dimension width = 0, height = 0, button_width = 0, button_height = 0;
  XtVaGetValues(w, XmNwidth, &width, XmNheight, &height, nullptr);
  XtVaGetValues(bar.buttons.front().widget, XmNwidth, &button_width, XmNheight, &button_height, nullptr);
  std::size_t fit = bar.buttons.size();
  if (vertical(bar.location)) {
    if (button_height > 0) fit = height / button_height;
  } else if (button_width > 0) {
    fit = width / button_width;
  }
  for (std::size_t i = 0; i < bar.buttons.size(); ++i) {
    Widget b = bar.buttons[i].widget;
    if (i < fit && !XtIsManaged(b))
      XtManageChild(b);
    else if (i >= fit && XtIsManaged(b))
      XtUnmanageChild(b);
  }
}

void tool_button_cb(Widget w, XtPointer client_data, XtPointer call_data) {
  auto index = static_cast<std::size_t>(reinterpret_cast<std::uintptr_t>(client_data));
  const auto *cb = static_cast<const XmPushButtonCallbackStruct *>(call_data);
  if (init_called && busy_with_dialog == 0 && cb != nullptr && index < bar.tools.tools.size()) {
    if (tool_second_action(w, cb->event)) {
      open_dialog(static_cast<int>(index) + 1);
    } else {
      for (int key : tool_command_keys(bar.tools.tools[index].command)) queue_key(key);
    }
  }
  focus_back();
}

// The picture of an icon tool: XPM first, then the toolkit's pixmap cache.
void load_icon(Widget button, const std::string &path, ToolButton &tb) {
  Display *dpy = XtDisplay(button);
  Screen *scr = XtScreen(button);
  Visual *visual = nullptr;
  Colormap cmap = 0;
  Cardinal button_depth = 0;
  Pixel fg = 0, bg = 0;
  XtVaGetValues(button, XmNdepth, &button_depth, XmNcolormap, &cmap, XmNforeground, &fg, XmNbackground, &bg,
                nullptr);
  Widget shell = button;
  while (shell != nullptr && !XtIsShell(shell)) shell = XtParent(shell);
  if (shell != nullptr) XtVaGetValues(shell, XmNvisual, &visual, nullptr);
  if (visual == nullptr) visual = DefaultVisualOfScreen(scr);
  XpmAttributes attrs{};
  attrs.valuemask = XpmVisual | XpmColormap | XpmDepth | XpmCloseness;
  attrs.visual = visual;
  attrs.colormap = cmap;
  attrs.depth = button_depth;
  attrs.closeness = kXpmCloseness;
  Pixmap picture = 0, mask = 0;
  int status = XpmReadFileToPixmap(dpy, RootWindowOfScreen(scr), const_cast<char *>(path.c_str()), &picture,
                                   &mask, &attrs);
  if (mask != 0) XFreePixmap(dpy, mask);
  if (status == XpmSuccess && picture != 0) {
    XpmFreeAttributes(&attrs);
    tb.pixmap = picture;
    tb.from_xpm = true;
    return;
  }
  Pixmap cached = XmGetPixmap(scr, const_cast<char *>(path.c_str()), fg, bg);
  if (cached != XmUNSPECIFIED_PIXMAP && cached != 0) tb.pixmap = cached;
}

void free_bar(BuiltBar &old) {
  for (ToolButton &b : old.buttons) {
    if (b.pixmap == 0) continue;
    if (b.from_xpm)
      XFreePixmap(XtDisplay(b.widget), b.pixmap);
    else
      XmDestroyPixmap(XtScreen(b.widget), b.pixmap);
  }
  if (old.container != nullptr) XtDestroyWidget(old.container);
  old = BuiltBar{};
}

// Builds a bar into the global one (the caller has taken the old one away).
Widget build_bar(Widget parent, const ToolConfig &config) {
  bar = BuiltBar{};
  bar.tools = config;
  bar.location = config.location;
  if (config.location == kToolDisabled || config.tools.empty()) return nullptr;
  bool popup = config.location == kToolPopup;
  XmFontList box_fonts = nullptr;
  if (popup) {
    Display *dpy = tool_display();
    Arg args[8];
    Cardinal n = 0;
    XtSetArg(args[n], XmNtitle, "MFL Tool Box"), ++n;
    shell_visual_args(dpy, args, n);
    XFontStruct *fixed = get_widget_fixed_font("Graph", dpy);
    if (fixed != nullptr) {
      box_fonts = XmFontListCreate(fixed, const_cast<char *>("charset_roman"));
      XtSetArg(args[n], XmNbuttonFontList, box_fonts), ++n;
      XtSetArg(args[n], XmNlabelFontList, box_fonts), ++n;
    }
    Widget owner = graph_frame;
    if (dpy != display) {
      if (toolbox_app_shell == nullptr)
        toolbox_app_shell = XtVaAppCreateShell(nullptr, "AutoCAD-Graph", applicationShellWidgetClass, dpy,
                                               XmNmappedWhenManaged, False, nullptr);
      owner = toolbox_app_shell;
    }
    bar.container = XtCreatePopupShell("ToolBox", topLevelShellWidgetClass, owner, args, n);
    bar.row = XtVaCreateManagedWidget("ToolBar", xmRowColumnWidgetClass, bar.container, XmNorientation,
                                      XmVERTICAL, XmNpacking, XmPACK_COLUMN, XmNnumColumns,
                                      std::max(config.columns, 1), nullptr);
  } else {
    bar.container = XtVaCreateWidget("ToolBar", xmFrameWidgetClass, parent, XmNwidth, 30, XmNheight, 30, XmNdepth,
                                     depth, XmNcolormap, def_cmap, nullptr);
    bar.row = XtVaCreateManagedWidget("ToolBar", xmRowColumnWidgetClass, bar.container, XmNorientation,
                                      vertical(config.location) ? XmVERTICAL : XmHORIZONTAL, XmNpacking,
                                      XmPACK_COLUMN, XmNnumColumns, 1, nullptr);
    XtAddEventHandler(bar.container, StructureNotifyMask, False, fit_handler, nullptr);
  }

  Dimension size_w = 30, size_h = 30;
  for (std::size_t i = 0; i < config.tools.size(); ++i) {
    const Tool &tool = config.tools[i];
    char name[32];
    std::snprintf(name, sizeof name, "Button_%zu", i + 1);
    Widget b = XtVaCreateManagedWidget(name, xmPushButtonWidgetClass, bar.row, XmNmultiClick, XmMULTICLICK_KEEP,
                                       nullptr);
    ToolButton tb{b, 0, false};
    unsigned long user_data = i + 1;
    if (tool.type == kToolIcon) {
      load_icon(b, tool.label, tb);
      if (tb.pixmap != 0) {
        XtVaSetValues(b, XmNlabelType, XmPIXMAP, XmNlabelPixmap, tb.pixmap, nullptr);
        if (tb.from_xpm) user_data |= kXpmFlag;
      } else {
        XmString s = label_string("?");
        XtVaSetValues(b, XmNlabelString, s, nullptr);
        XmStringFree(s);
      }
    } else {
      XmString s = label_string(tool.label.c_str());
      XtVaSetValues(b, XmNlabelString, s, nullptr);
      XmFontList fonts = popup ? box_fonts : fontlist;
      if (fonts != nullptr) XtVaSetValues(b, XmNfontList, fonts, nullptr);
      XmStringFree(s);
    }
    XtVaSetValues(b, XmNuserData, reinterpret_cast<XtPointer>(user_data), nullptr);
    XtAddCallback(b, XmNactivateCallback, tool_button_cb, reinterpret_cast<XtPointer>(i));
    bar.buttons.push_back(tb);
    if (!popup) {
      Dimension bw = 0, bh = 0;
      XtVaGetValues(b, XmNwidth, &bw, XmNheight, &bh, nullptr);
      if (bw + 4 > size_w || bh + 4 > size_h) {
        size_w = static_cast<Dimension>(bw + 4);
        size_h = static_cast<Dimension>(bh + 4);
      }
    }
  }
  if (!popup) XtVaSetValues(bar.container, XmNwidth, size_w, XmNheight, size_h, nullptr);
  return bar.container;
}

// ---- the configuration dialog ---------------------------------------------------------

XmString list_line(int number, const Tool &tool) {
  char head[16];
  std::snprintf(head, sizeof head, "%2d. ", number);
  std::string line = head + tool.command;
  return label_string(line.c_str());
}

void set_field(Widget field, const std::string &text) { XmTextFieldSetString(field, const_cast<char *>(text.c_str())); }

std::string field_text(Widget field) {
  char *text = XmTextFieldGetString(field);
  std::string s = text != nullptr ? text : "";
  XtFree(text);
  return s;
}

void show_type(int type) {
  current_type = type == kToolIcon ? kToolIcon : kToolCharacter;
  XmToggleButtonSetState(icon_toggle, current_type == kToolIcon, False);
  XmToggleButtonSetState(character_toggle, current_type == kToolCharacter, False);
}

void show_columns_field() {
  bool popup = edit.location == kToolPopup;
  XtSetSensitive(columns_field, popup);
  XtSetMappedWhenManaged(columns_field, popup);
  XtSetMappedWhenManaged(columns_label, popup);
}

// Makes tool (1-based) current: selected in the list, its fields shown.
void select_tool(int tool) {
  int count = static_cast<int>(edit.tools.size());
  if (tool < 1 || tool > count) tool = count > 0 ? 1 : 0;
  current_tool = tool;
  XtSetSensitive(change_button, tool != 0);
  XtSetSensitive(delete_button, tool != 0);
  XtSetSensitive(new_button, count < kToolsMax);
  if (tool == 0) {
    XmListDeselectAllItems(tools_list);
    set_field(label_field, "");
    set_field(command_field, "");
    return;
  }
  XmListSelectPos(tools_list, tool, False);
  XmListSetBottomPos(tools_list, tool);
  const Tool &t = edit.tools[static_cast<std::size_t>(tool - 1)];
  set_field(label_field, t.label);
  set_field(command_field, t.command);
  show_type(t.type);
}

void fill_list() {
  XmListDeleteAllItems(tools_list);
  for (std::size_t i = 0; i < edit.tools.size(); ++i) {
    XmString s = list_line(static_cast<int>(i) + 1, edit.tools[i]);
    XmListAddItemUnselected(tools_list, s, 0);
    XmStringFree(s);
  }
}

// The dialog shows the file as it is now.
void dialog_map_cb(Widget, XtPointer, XtPointer) {
  graph_cursor(2);
  tb_read_config();
  edit = tb_config;
  fill_list();
  for (int i = 0; i < 6; ++i) XmToggleButtonSetState(location_toggles[i], i == edit.location, False);
  set_field(columns_field, std::to_string(edit.columns));
  show_columns_field();
  select_tool(current_tool);
  // Typing starts in the label field.
  XmProcessTraversal(label_field, XmTRAVERSE_CURRENT);
}

void dialog_unmap_cb(Widget, XtPointer, XtPointer) { graph_cursor(system_cursor ? 0 : 1); }

void location_cb(Widget, XtPointer client_data, XtPointer call_data) {
  const auto *cb = static_cast<const XmToggleButtonCallbackStruct *>(call_data);
  if (cb == nullptr || !cb->set) return;
  edit.location = static_cast<int>(reinterpret_cast<std::intptr_t>(client_data));
  show_columns_field();
}

void type_cb(Widget, XtPointer client_data, XtPointer call_data) {
  const auto *cb = static_cast<const XmToggleButtonCallbackStruct *>(call_data);
  if (cb != nullptr && cb->set) current_type = static_cast<int>(reinterpret_cast<std::intptr_t>(client_data));
}

void list_cb(Widget, XtPointer, XtPointer call_data) {
  const auto *cb = static_cast<const XmListCallbackStruct *>(call_data);
  if (cb != nullptr) select_tool(cb->item_position);
}

void show_invalid_entry(ToolLabel problem) {
  const char *text = problem == ToolLabel::bad_icon
                         ? "You must specify a valid pathname to an\nicon file in the \"Label\" field"
                         : "You must specify a one character mnemonic\nfor this tool in the \"Label\" field";
  if (invalid_entry_box == nullptr) {
    invalid_entry_box = XmCreateErrorDialog(tb_dialog, const_cast<char *>("InvalidEntry"), nullptr, 0);
    XtVaSetValues(XtParent(invalid_entry_box), XmNtitle, "Invalid Entry", nullptr);
    XtUnmanageChild(XmMessageBoxGetChild(invalid_entry_box, XmDIALOG_OK_BUTTON));
    XtUnmanageChild(XmMessageBoxGetChild(invalid_entry_box, XmDIALOG_HELP_BUTTON));
  }
  XmString s = label_string(text, true);
  XtVaSetValues(invalid_entry_box, XmNmessageString, s, nullptr);
  XmStringFree(s);
  XtManageChild(invalid_entry_box);
}

// The tool the attribute fields describe, when its label can be used.
bool tool_from_fields(Tool &tool) {
  tool.label = field_text(label_field);
  tool.type = current_type;
  tool.command = field_text(command_field);
  ToolLabel check = check_tool_label(tool.label, tool.type);
  if (check != ToolLabel::ok) {
    show_invalid_entry(check);
    return false;
  }
  return true;
}

void new_cb(Widget, XtPointer, XtPointer) {
  Tool tool;
  if (edit.tools.size() >= static_cast<std::size_t>(kToolsMax) || !tool_from_fields(tool)) return;
  edit.tools.push_back(tool);
  int number = static_cast<int>(edit.tools.size());
  XmString s = list_line(number, tool);
  XmListAddItemUnselected(tools_list, s, 0);
  XmStringFree(s);
  select_tool(number);
}

void change_cb(Widget, XtPointer, XtPointer) {
  Tool tool;
  if (current_tool < 1 || current_tool > static_cast<int>(edit.tools.size()) || !tool_from_fields(tool)) return;
  edit.tools[static_cast<std::size_t>(current_tool - 1)] = tool;
  XmString s = list_line(current_tool, tool);
  XmListReplaceItemsPos(tools_list, &s, 1, current_tool);
  XmStringFree(s);
  select_tool(current_tool);
}

void delete_cb(Widget, XtPointer, XtPointer) {
  if (current_tool < 1 || current_tool > static_cast<int>(edit.tools.size())) return;
  edit.tools.erase(edit.tools.begin() + (current_tool - 1));
  fill_list();  // the lines after it are numbered again
  select_tool(std::min(current_tool, static_cast<int>(edit.tools.size())));
}

void ok_cb(Widget, XtPointer, XtPointer) {
  int columns = std::atoi(field_text(columns_field).c_str());
  edit.columns = columns > 0 ? columns : 1;
  std::string path = tool_config_path();
  if (!write_tool_config(path.c_str(), edit)) return;  // the dialog stays open, the bar as it was
  tb_config = edit;
  XtUnmanageChild(tb_dialog);
  // The new bar takes the old one's place before that goes, so a bar of the
  // same size leaves the drawing area as it is.
  BuiltBar old = std::move(bar);
  if (build_bar(graph_work_form, tb_config) != nullptr)
    manage_tool_bar();
  else
    unmanage_tool_bar();
  if (old.location == kToolPopup && old.container != nullptr) XtPopdown(old.container);
  free_bar(old);
}

void cancel_cb(Widget, XtPointer, XtPointer) { XtUnmanageChild(tb_dialog); }

Widget make_label(const char *name, Widget parent) {
  return XtVaCreateManagedWidget(name, xmLabelWidgetClass, parent, XmNalignment, XmALIGNMENT_BEGINNING, nullptr);
}

// One row of the dialog's form, below the row above it.
void place(Widget w, Widget above, bool full_width = true) {
  XtVaSetValues(w, XmNleftAttachment, XmATTACH_FORM, XmNleftOffset, 6, nullptr);
  if (full_width) XtVaSetValues(w, XmNrightAttachment, XmATTACH_FORM, XmNrightOffset, 6, nullptr);
  if (above != nullptr)
    XtVaSetValues(w, XmNtopAttachment, XmATTACH_WIDGET, XmNtopWidget, above, XmNtopOffset, 4, nullptr);
  else
    XtVaSetValues(w, XmNtopAttachment, XmATTACH_FORM, XmNtopOffset, 6, nullptr);
}

Widget radio_box(const char *name, Widget parent, const char *const *labels, int count, Widget *toggles,
                 XtCallbackProc proc) {
  Widget box = XmCreateRadioBox(parent, const_cast<char *>(name), nullptr, 0);
  XtVaSetValues(box, XmNorientation, XmHORIZONTAL, nullptr);
  for (int i = 0; i < count; ++i) {
    toggles[i] = XtVaCreateManagedWidget(labels[i], xmToggleButtonWidgetClass, box, nullptr);
    XtAddCallback(toggles[i], XmNvalueChangedCallback, proc,
                  reinterpret_cast<XtPointer>(static_cast<std::intptr_t>(i)));
  }
  XtManageChild(box);
  return box;
}

void make_dialog() {
  Arg args[2];
  Cardinal n = 0;
  XtSetArg(args[n], XmNautoUnmanage, False), ++n;
  tb_dialog = XmCreateFormDialog(graph_frame, const_cast<char *>("TBConfig"), args, n);
  XtVaSetValues(XtParent(tb_dialog), XmNtitle, "MFL ToolBar Configuration", nullptr);
  XtAddCallback(tb_dialog, XmNmapCallback, dialog_map_cb, nullptr);
  XtAddCallback(tb_dialog, XmNunmapCallback, dialog_unmap_cb, nullptr);

  Widget location_label = make_label("Location:", tb_dialog);
  place(location_label, nullptr);
  static const char *const kLocations[6] = {"Disabled", "Top", "Left", "Right", "Bottom", "Popup"};
  Widget location_box = radio_box("LocationBox", tb_dialog, kLocations, 6, location_toggles, location_cb);
  place(location_box, location_label);
  columns_label = make_label("Columns:", tb_dialog);
  place(columns_label, location_box, false);
  columns_field = XtVaCreateManagedWidget("Columns", xmTextFieldWidgetClass, tb_dialog, XmNcolumns, 4, nullptr);
  XtVaSetValues(columns_field, XmNleftAttachment, XmATTACH_WIDGET, XmNleftWidget, columns_label, XmNtopAttachment,
                XmATTACH_WIDGET, XmNtopWidget, location_box, nullptr);

  Widget tools_label = make_label("Tools:", tb_dialog);
  place(tools_label, columns_field);
  Arg list_args[3];
  n = 0;
  XtSetArg(list_args[n], XmNvisibleItemCount, 8), ++n;
  XtSetArg(list_args[n], XmNselectionPolicy, XmBROWSE_SELECT), ++n;
  // The commands may be Japanese, which the resources' single fonts do not draw.
  if (!kSecondBuild && fontlist != nullptr) XtSetArg(list_args[n], XmNfontList, fontlist), ++n;
  tools_list = XmCreateScrolledList(tb_dialog, const_cast<char *>("Tools"), list_args, n);
  XtManageChild(tools_list);
  place(XtParent(tools_list), tools_label);
  XtAddCallback(tools_list, XmNbrowseSelectionCallback, list_cb, nullptr);

  Widget buttons = XtVaCreateManagedWidget("Buttons", xmRowColumnWidgetClass, tb_dialog, XmNorientation,
                                           XmHORIZONTAL, nullptr);
  place(buttons, XtParent(tools_list));
  new_button = XtVaCreateManagedWidget("New", xmPushButtonWidgetClass, buttons, nullptr);
  change_button = XtVaCreateManagedWidget("Change", xmPushButtonWidgetClass, buttons, nullptr);
  delete_button = XtVaCreateManagedWidget("Delete", xmPushButtonWidgetClass, buttons, nullptr);
  XtAddCallback(new_button, XmNactivateCallback, new_cb, nullptr);
  XtAddCallback(change_button, XmNactivateCallback, change_cb, nullptr);
  XtAddCallback(delete_button, XmNactivateCallback, delete_cb, nullptr);

  Widget attributes = XtVaCreateManagedWidget("Attributes", xmFrameWidgetClass, tb_dialog, nullptr);
  place(attributes, buttons);
  Widget inner = XtVaCreateManagedWidget("Attributes", xmFormWidgetClass, attributes, nullptr);
  Widget label_label = make_label("Label:", inner);
  place(label_label, nullptr, false);
  label_field = XtVaCreateManagedWidget("Label", xmTextFieldWidgetClass, inner, XmNmaxLength,
                                        static_cast<int>(kToolTextMax), nullptr);
  place(label_field, label_label);
  Widget type_label = make_label("Type:", inner);
  place(type_label, label_field, false);
  static const char *const kTypes[2] = {"icon", "character"};
  Widget type_toggles[2];
  Widget type_box = radio_box("Type", inner, kTypes, 2, type_toggles, type_cb);
  icon_toggle = type_toggles[0];
  character_toggle = type_toggles[1];
  place(type_box, type_label);
  Widget command_label = make_label("Command:", inner);
  place(command_label, type_box, false);
  command_field = XtVaCreateManagedWidget("Command", xmTextFieldWidgetClass, inner, XmNmaxLength,
                                          static_cast<int>(kToolTextMax), nullptr);
  place(command_field, command_label);
  XtVaSetValues(command_field, XmNbottomAttachment, XmATTACH_FORM, XmNbottomOffset, 6, nullptr);

  Widget separator = XtVaCreateManagedWidget("Separator", xmSeparatorWidgetClass, tb_dialog, nullptr);
  place(separator, attributes);
  Widget ok = XtVaCreateManagedWidget("OK", xmPushButtonWidgetClass, tb_dialog, nullptr);
  Widget cancel = XtVaCreateManagedWidget("Cancel", xmPushButtonWidgetClass, tb_dialog, nullptr);
  for (Widget w : {ok, cancel})
    XtVaSetValues(w, XmNtopAttachment, XmATTACH_WIDGET, XmNtopWidget, separator, XmNtopOffset, 4,
                  XmNbottomAttachment, XmATTACH_FORM, XmNbottomOffset, 6, nullptr);
  XtVaSetValues(ok, XmNleftAttachment, XmATTACH_FORM, XmNleftOffset, 6, nullptr);
  XtVaSetValues(cancel, XmNrightAttachment, XmATTACH_FORM, XmNrightOffset, 6, nullptr);
  XtAddCallback(ok, XmNactivateCallback, ok_cb, nullptr);
  XtAddCallback(cancel, XmNactivateCallback, cancel_cb, nullptr);
  show_type(kToolCharacter);
}

void open_dialog(int tool) {
  if (graph_frame == nullptr) return;
  if (tb_dialog == nullptr) make_dialog();
  current_tool = tool;
  if (XtIsManaged(tb_dialog))
    select_tool(tool);
  else
    XtManageChild(tb_dialog);
}

}  // namespace

// ---- the file -----------------------------------------------------------------------------

int tb_read_config() {
  std::string path = tool_config_path();
  return read_tool_config(path.c_str(), tb_config);
}

int tb_write_config() {
  std::string path = tool_config_path();
  return write_tool_config(path.c_str(), tb_config);
}

// ---- the bar --------------------------------------------------------------------------------

Widget create_tool_bar(Widget parent) {
  tb_read_config();
  free_bar(bar);
  return build_bar(parent, tb_config);
}

namespace {

// The drawing area's form on the work area's four sides, but for one side
// attached to the bar (none: nullptr); one change, so one new layout.
void attach_drawing(const char *side, Widget to) {
  if (graph_draw_form == nullptr) return;
  Arg args[12];
  Cardinal n = 0;
  struct Side {
    const char *attachment, *widget, *offset;
  } sides[4] = {{XmNtopAttachment, XmNtopWidget, XmNtopOffset},
                {XmNbottomAttachment, XmNbottomWidget, XmNbottomOffset},
                {XmNleftAttachment, XmNleftWidget, XmNleftOffset},
                {XmNrightAttachment, XmNrightWidget, XmNrightOffset}};
  for (const Side &s : sides) {
    bool to_bar = to != nullptr && std::strcmp(s.attachment, side) == 0;
    XtSetArg(args[n], const_cast<String>(s.attachment), to_bar ? XmATTACH_WIDGET : XmATTACH_FORM), ++n;
    XtSetArg(args[n], const_cast<String>(s.offset), to_bar ? margin_size : 0), ++n;
    if (to_bar) XtSetArg(args[n], const_cast<String>(s.widget), to), ++n;
  }
  XtSetValues(graph_draw_form, args, n);
}

}  // namespace

void manage_tool_bar() {
  if (bar.container == nullptr) return;
  if (bar.location == kToolPopup) {
    XtPopup(bar.container, XtGrabNone);
    bar.shown = true;
    return;
  }
  // The frame on three sides of the work area; the drawing area beside it.
  const char *frame_sides[3] = {XmNleftAttachment, XmNrightAttachment, XmNtopAttachment};
  const char *draw_side = XmNtopAttachment;
  switch (bar.location) {
    case kToolTop:
      break;
    case kToolLeft:
      frame_sides[1] = XmNbottomAttachment;
      draw_side = XmNleftAttachment;
      break;
    case kToolRight:
      frame_sides[0] = XmNbottomAttachment;
      draw_side = XmNrightAttachment;
      break;
    default:  // bottom
      frame_sides[2] = XmNbottomAttachment;
      draw_side = XmNbottomAttachment;
      break;
  }
  for (const char *side : frame_sides) XtVaSetValues(bar.container, side, XmATTACH_FORM, nullptr);
  XtManageChild(bar.container);
  attach_drawing(draw_side, bar.container);
  bar.shown = true;
}

void unmanage_tool_bar() {
  attach_drawing(nullptr, nullptr);
  if (bar.container == nullptr) return;
  if (bar.location == kToolPopup)
    XtPopdown(bar.container);
  else
    XtUnmanageChild(bar.container);
  bar.shown = false;
}

int is_tool_bar_managed() { return bar.container != nullptr && bar.shown ? 1 : 0; }

void tool_bar_config() { open_dialog(current_tool); }

bool tool_second_action(Widget button, const XEvent *event) {
  static Widget last_button;
  static Time last_time;
  Time now = 0;
  bool timed = false;
  if (event != nullptr && (event->type == ButtonPress || event->type == ButtonRelease)) {
    now = event->xbutton.time;
    timed = true;
  } else if (event != nullptr && (event->type == KeyPress || event->type == KeyRelease)) {
    now = event->xkey.time;
    timed = true;
  }
  // Server times are milliseconds in 32 bits that wrap.
  const unsigned long since = (now - last_time) & 0xFFFFFFFFUL;
  const bool twice = timed && button == last_button &&
                     since <= static_cast<unsigned long>(XtGetMultiClickTime(XtDisplay(button)));
  last_button = timed && !twice ? button : nullptr;
  last_time = now;
  const bool modified =
      event != nullptr && event->type == ButtonRelease && (event->xbutton.state & (ShiftMask | ControlMask)) != 0;
  return twice || modified;
}

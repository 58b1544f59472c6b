// The small handlers that belong to the driver core.
#include <cstdio>
#include <cstring>

#include "adi/handlers.h"
#include "adi/session.h"
#include "base/text_codes.h"
#include "base/utilities.h"
#include "config/config_file.h"
#include "display/blits.h"
#include "display/viewports.h"
#include "render3d/dview.h"
#include "render3d/faces.h"
#include "ui/context.h"
#include "ui/graph_window.h"
#include "ui/menubar.h"

int pnop(Packet &) { return 1; }

int pboxsize(Packet &p) {
  p.put_u32(12, 0);  // no limit on the size of a saved box
  return 1;
}

int pnotify(Packet &) { return 0; }
int pevent(Packet &) { return 0; }
int pdlfname(Packet &) { return 1; }
int pdldir(Packet &) { return 1; }
int rdresize(Packet &) { return 1; }
int rd_fgrab(Packet &) { return 0; }

int pmsgbox(Packet &p) {
  char text[kMessageMax];
  if (p.copy_text(6, text, sizeof text) > 0)
    p.put_i16(2, dx_dialog(text, p.i16(4)));
  else
    p.put_i16(2, 1);
  return 1;
}

int pmenufcn(Packet &p) {
  char label[kMessageMax];
  p.copy_text(11, label, sizeof label);
  int id = p.i16(4);
  switch (p.i16(2)) {
    case 1:
      dx_new_menubar();
      break;
    case 2:
      dx_new_menu(label, id);
      break;
    case 3: {
      int flags = p.i16(6);
      dx_new_item(label, !(flags & 1), (flags & 2) ? p.u8(10) : 0, flags & 8, flags & 32, flags & 64, id,
                  (flags & 16) ? p.i16(8) : 0);
      break;
    }
    case 4:
      dx_done_menu();
      break;
    case 5:
      dx_done_menubar();
      break;
    case 6: {
      bounded_copy(menu_file_pathname, label, sizeof menu_file_pathname);
      const char *slash = std::strrchr(menu_file_pathname, '/');
      if (slash != nullptr) {
        int dir = static_cast<int>(slash - menu_file_pathname);
        int len = std::snprintf(iconic_file_name, sizeof iconic_file_name, "%.*s/icons/", dir, menu_file_pathname);
        if (len < 0 || len >= static_cast<int>(sizeof iconic_file_name)) len = static_cast<int>(std::strlen(iconic_file_name));
        iconic_file_prefix = iconic_file_name + len;
      } else {
        iconic_file_name[0] = '\0';
        iconic_file_prefix = iconic_file_name;
      }
      break;
    }
    default:
      break;
  }
  return 0;
}

int pmenushow(Packet &p) {
  dx_show_menu(p.i16(2));
  return 1;
}

int pmodemsg(Packet &p) {
  char mode[kMessageMax];
  if (p.copy_text(2, mode, sizeof mode) > 0) {
    dx_mole_cursor(std::strcmp(mode, "MOLE") == 0);
    char title[sizeof cdname + kMessageMax + 4];
    std::snprintf(title, sizeof title, "%s [%s]", cdname, mode);
    dx_name(title);
  } else {
    dx_name(cdname);
  }
  return 0;
}

int pwincfg(Packet &p) {
  if (Initialized) WriteConfigFile(config_path);
  p.put_i16(2, dx_config(p.i16(2)));
  return 1;
}

int pkill(Packet &p) {
  if (init_called) {
    pterm(p);
    for (int slot = 0; slot < kBlitSlots; ++slot) free_blit(slot);
    reset_dview();
    Free_FACE_List();
  }
  product_stable = 0;
  return 1;
}

int pmenuset(Packet &p) {
  int flags = p.i16(6);
  dx_set_menu_attrs(p.i16(2), p.i16(4), !(flags & 1), (flags & 2) ? p.u8(8) : 0);
  return 0;
}

int pmenuget(Packet &p) {
  int sensitive = 1, mark = 0;
  dx_get_menu_attrs(p.i16(2), p.i16(4), &sensitive, &mark);
  int flags = 0;
  if (!sensitive) flags |= 1;
  if (mark != 0) {
    flags |= 2;
    p.put_u8(8, static_cast<std::uint8_t>(mark));
  }
  p.put_i16(6, flags);
  return 1;
}

int pextents(Packet &) {
  vp_info[0].flags &= ~64;
  return 0;
}

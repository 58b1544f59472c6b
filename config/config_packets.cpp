// The client's configuration packets (opcodes 59 to 62), and the rendering
// client's (2059 to 2062).
#include "base/config_record.h"
#include "base/packet.h"
#include "base/session.h"
#include "base/string_tables.h"
#include "base/utilities.h"
#include "config/config_file.h"

namespace {

// What the client is told about the configuration in the init packet's
// flags: a shading client with 8-bit fonts, a rendering client, or a full
// drawing session.
std::uint16_t ConfiguredClientFlags() {
  if (font8bit == -1 && IsAutoShade()) {
    getcfg();
    return 0x2000;
  }
  if (MainApp.app_id != kAppAutoCAD && Is3DStudio()) {
    getcfg();
    return 0x800;
  }
  return 0x8000;
}

}  // namespace

// Starts an edit from the live settings.
int pcfgrec(Packet &) {
  set_path(0);
  newcfr = cfr;
  return 0;
}

int pnewcfg(Packet &p) {
  set_path(0);
  LoadInternalStrings("gl_strs.txt");
  ReadConfigFile(config_path);
  cfgptr = &newcfr;
  WriteConfigFile(config_path);
  p.put_i16(2, 0);
  return 1;
}

int pchgcfg(Packet &p) {
  set_path(0);
  LoadInternalStrings("gl_strs.txt");
  ReadConfigFile(config_path);
  cfgptr = &newcfr;
  Pkinit.field[kPkinitFlags] = ConfiguredClientFlags();
  WriteConfigFile(config_path);
  p.put_i16(2, 0);
  return 1;
}

int pshowcfg(Packet &) {
  set_path(0);
  LoadInternalStrings("gl_strs.txt");
  ReadConfigFile(config_path);
  return 0;
}

// ---- the rendering client's -----------------------------------------------------------

void ReadRenderingConfiguration() {
  set_path(1);
  LoadInternalStrings("gl_strs.txt");
  ReadConfigFile(config_path);
}

int rpcfgrec(Packet &) {
  set_path(1);
  newcfr = cfr;
  return 0;
}

int rpnewcfg(Packet &p) {
  ReadRenderingConfiguration();
  cfgptr = &newcfr;
  WriteConfigFile(config_path);
  p.put_u16(10, 1);
  return 1;
}

int rpchgcfg(Packet &p) {
  ReadRenderingConfiguration();
  p.put_u16(10, 1);
  return 1;
}

int rpshowcfg(Packet &) {
  ReadRenderingConfiguration();
  return 0;
}

// The display packets (1 to 113), the rendering packets (2001 to 2062) and
// the dialog packets (300 to 312) by name.
#include "adiclient/opcodes.h"

#include <charconv>
#include <iterator>

namespace adiclient {
namespace {

// Display packets, index = opcode (slot 0 is never sent).
const char *const ds_names[] = {
    "pnop",       "pinit",     "pterm",      "pclear",    "pdot",      "pvec",      "pfill",
    "pmark",      "pcmark",    "pchar",      "pechar",    "phlite",    "pdhlite",   "pmnucurs",
    "ptprompt",   "pqplot",    "prpen",      "pgotext",   "pgotextu",  "pgograph",  "pwrsplit",
    "pmodeline",  "pcoordline", "psync",     "predraw",   "pcommand",  "pxpcomd",   "pboxclr",
    "pboxsize",   "pboxpush",  "pboxpop",    "ptext",     "pline",     "pdcurs",    "pccurs",
    "pbshell",    "pashell",   "pdigtize",   "popenvp",   "pclosevp",  "pviewport", "pnop",
    "ptabcfg",    "pdrag",     "plopen",     "pclvp",     "prevec",    "pstring",   "pnop",
    "ptxtchar",   "ptxtclr",   "pmsgbox",    "pmenufcn",  "pmenushow", "ptxtshow",  "pdlfname",
    "pdldir",     "preinit",   "pnotify",    "pcfgrec",   "pnewcfg",   "pchgcfg",   "pshowcfg",
    "pevent",     "pkill",     "pkzoom",     "propenvp",  "pmaxvp",    "plang",     "pbitblt",
    "pmodemsg",   "pnop",      "pwho",       "prow",      "pbigblit",  "pdinfo",    "pvpage",
    "ppal",       "pnop",      "pview",      "portho",    "ppersp",    "poseg",     "pcseg",
    "pdseg",      "ppoly3",    "pnpoly3",    "pcpoly3",   "pvec3",     "plight",    "pdlight",
    "psetcolor",  "psetmatl",  "pmodel",     "pdrawseg",  "p3d",       "pbigvec",   "pbatchvec",
    "pbmark",     "pcbmark",   "pbdrag",     "pbfill",    "popenbvp",  "pbviewport", "pkbzoom",
    "pdigtize_42", "ptabcfg_42", "prpen_42", "pbpoly3",   "prib",      "pwincfg",   "pmenuset",
    "pmenuget",   "pextents",
};

// Rendering packets 2001 to 2016 and 2055 to 2062; 2017 to 2054 are pnop.
const char *const rd_low_names[] = {
    "rdinit",  "rdstart", "rdend",    "rdterm",  "rdresize", "rdclear", "rdcmapb", "rdcmap",
    "rdcmape", "rdpoly",  "rdfname",  "rdcrange", "rdcpoly", "rdwsline", "rdrsline", "rdrcmap",
};
const char *const rd_high_names[] = {
    "plang", "rd_fgrab", "rd_info", "rdwho", "rpcfgrec", "rpnewcfg", "rpchgcfg", "rpshowcfg",
};

// Dialog requests 300 to 311 and the dialog result packet 312.
const char *const dlg_names[] = {
    "dlg300", "dlg301", "dlg302", "dlg303", "dlg304", "dlg305", "dlg306",
    "dlg307", "dlg308", "dlg309", "dlg310", "dlg311", "dlg312",
};

static_assert(std::size(ds_names) == 114 && std::size(rd_low_names) == 16 &&
              std::size(rd_high_names) == 8 && std::size(dlg_names) == 13);

int parse_opcode_number(std::string_view text) {
  int base = 10;
  std::string_view digits = text;
  bool negative = false;
  if (!digits.empty() && digits[0] == '-') {
    negative = true;
    digits.remove_prefix(1);
  }
  if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
    base = 16;
    digits.remove_prefix(2);
  }
  int value = 0;
  auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value, base);
  if (digits.empty() || ec != std::errc() || end != digits.data() + digits.size()) return -1;
  if (negative) value = -value;
  // The opcode travels as an i16; anything else cannot be sent.
  if (value < -32768 || value > 65535) return -1;
  return value < 0 ? value & 0xFFFF : value;
}

}  // namespace

const char *opcode_name(int opcode) {
  if (opcode >= 1 && opcode <= 113) return ds_names[opcode];
  if (opcode >= 2001 && opcode <= 2016) return rd_low_names[opcode - 2001];
  if (opcode >= 2017 && opcode <= 2054) return "pnop";
  if (opcode >= 2055 && opcode <= 2062) return rd_high_names[opcode - 2055];
  if (opcode >= 300 && opcode <= 312) return dlg_names[opcode - 300];
  return nullptr;
}

int opcode_by_name(std::string_view name) {
  if (name.empty()) return -1;
  if ((name[0] >= '0' && name[0] <= '9') || name[0] == '-') return parse_opcode_number(name);
  // Ascending order, so a shared name yields its lowest opcode.
  for (int op = 1; op <= 113; ++op)
    if (name == ds_names[op]) return op;
  for (int op = 300; op <= 312; ++op)
    if (name == dlg_names[op - 300]) return op;
  for (int op = 2001; op <= 2062; ++op)
    if (name == opcode_name(op)) return op;
  return -1;
}

}  // namespace adiclient

// The driver's text tables: built-in rows, the support files that replace
// them, and the command-name lookup of the command interpreter.
#include "base/string_tables.h"

#include <climits>
#include <cstdio>
#include <cstring>

#include "base/session.h"
#include "base/utilities.h"

namespace {

// Built-in messages, row = id - 100. Rows of the start banner are 50
// characters wide, framed by '*'.
constexpr const char *kBuiltinMessages[kMessageCount] = {
    "Command Palette",  // 100
    "Birdseye",  // 101
    "MFL",  // 102
    "Cleaning display list",  // 103
    "*    AutoCAD GX-5,                               *",  // 104
    "*    DELVAPLANE P386 ADI 4.0 DRIVER              *",  // 105
    "*    ZARN ADI 4.0 DRIVER                         *",  // 106
    "*    DELVAPLANE P386 ADI 4.1 DRIVER              *",  // 107
    "*    ZARN ADI 4.1 DRIVER                         *",  // 108
    "*    DELVAPLANE P386 ADI 4.2 DRIVER              *",  // 109
    "*    ZARN ADI 4.2 DRIVER                         *",  // 110
    "*    DELVAPLANE P386 ADI 5.0 DRIVER              *",  // 111
    "*    ZARN ADI 5.0 DRIVER                         *",  // 112
    "*    TEST DRIVER                                 *",  // 113
    "*    AutoCAD 386 Release 10,                     *",  // 114
    "*    AutoCAD 386 Release 11,                     *",  // 115
    "*    AutoCAD 386 Release 12,                     *",  // 116
    "*    AutoDesk 3D Studio Version 2.0,             *",  // 117
    "*    AutoShade 386 Version 2.0,                  *",  // 118
    "*    AutoDesk 3D Studio Version 1.0,             *",  // 119
    "*    AutoCAD ZARN Release 12,                    *",  // 120
    "*    AutoCAD ZARN Release 11,                    *",  // 121
    "*    Unknown ADI client,                         *",  // 122
    "*    with continuous color rendering,            *",  // 123
    "*    with 256 color rendering,                   *",  // 124
    "*    for Microchannel Machines                   *",  // 125
    "*    for ISA Bus Machines                        *",  // 126
    "*    for Local Bus Machines                      *",  // 127
    "*    for VME Bus Machines                        *",  // 128
    "*    for NEC PC-98/H-98 Bus Machines             *",  // 129
    "*    for Kova GL Server                          *",  // 130
    "*    Version %04s                                *",  // 131
    "*    Software rendering, any X display           *",  // 132
    "",  // 133
    "*    KovaGL Zarn ADI DRIVER                      *",  // 134
    "**************************************************",  // 135
    "Assist  Draw  Modify  Display  Settings  Options  Utility  File    ",  // 136
    "Save       ",  // 137
    "End        ",  // 138
    "Quit       ",  // 139
    "-----------",  // 140
    "Files      ",  // 141
    "Plot       ",  // 142
    "Print      ",  // 143
    "-----------",  // 144
    "EXCHANGE  >",  // 145
    "A configuration option has been changed",  // 146
    "that requires AutoCAD to be restarted. ",  // 147
    "Please SAVE your drawing now and return",  // 148
    "to the operating system before resuming.",  // 149
    "NOT USED",  // 150
    "   OK   ",  // 151
    " By layer",  // 152
    " Cancel ",  // 153
    " Color",  // 154
    " GENERIC",  // 155
    " Layer name ",  // 156
    " Linetype ",  // 157
    " Height: ",  // 158
    " Width : ",  // 159
    " pixels.",  // 160
    " text font.",  // 161
    " Text style",  // 162
    "1 prompt line",  // 163
    "2 prompt lines",  // 164
    "3 prompt lines",  // 165
    "4 prompt lines",  // 166
    "5 prompt lines",  // 167
    "Alert box background               ",  // 168
    "Alert box border                   ",  // 169
    "Alert box foreground               ",  // 170
    "16-bit Display List:       ON",  // 171
    "32-bit Display List:       ON",  // 172
    "AUI colors ...                          >",  // 173
    "AUI COLORS",  // 174
    "NOT USED",  // 175
    "NOT USED",  // 176
    "NOT USED",  // 177
    "Border line                        ",  // 178
    "NOT USED",  // 179
    "Dlist status message               ",  // 180
    "NOT USED",  // 181
    "NOT USED",  // 182
    "NOT USED",  // 183
    "Color palette editor ...                >",  // 184
    "Command Palette ICONIFIES after use",  // 185
    "Command Palette CLOSES    after use",  // 186
    "Command Palette REMAINS   after use",  // 187
    "Configuration file not found, using default settings.",  // 188
    "Coordinate text                    ",  // 189
    "NOT USED",  // 190
    "Current",  // 191
    "Cursor, Grid, Icons, Blips (XOR)   ",  // 192
    "Default screen mode:       ON",  // 193
    "Dialogue box background            ",  // 194
    "Dialogue box border                ",  // 195
    "Dialogue box foreground            ",  // 196
    "Display list cleaning message      ",  // 197
    "NOT USED",  // 198
    "NOT USED",  // 199
    "NOT USED",  // 200
    "NOT USED",  // 201
    "Display list page size ...              >",  // 202
    "Display list page size: ",  // 203
    "Double buffer mode:        OFF",  // 204
    "Double buffer mode:        ON",  // 205
    "Dual screen mode:          ON",  // 206
    "Graphics background                ",  // 207
    "Grid dot                           ",  // 208
    "Hardware",  // 209
    "*    for Pell/Morrow^2/QA                        *",  // 210
    "DISPLAY DRIVER CONFIGURATION",  // 211
    "KovaGL Display for Zarn 5 - by Marrowfield Labs",  // 212
    "NOT USED",  // 213
    "Dialogue box lines                 ",  // 214
    "Menu bar background                ",  // 215
    "Menu bar border                    ",  // 216
    "Menu bar foreground                ",  // 217
    "Menu and cursor colors:",  // 218
    "Menu text                          ",  // 219
    "*    for Kova QB/QC/Brio/Maxim                   *",  // 220
    "Number of prompt lines ...              >",  // 221
    "PROMPT LINES",  // 222
    "Prompt text                        ",  // 223
    "Pull-down menu background          ",  // 224
    "Pull-down menu border              ",  // 225
    "Pull-down menu foreground          ",  // 226
    "Screen colors ...                       >",  // 227
    "SCREEN COLORS",  // 228
    "Screen menu text                   ",  // 229
    "Screen prompt area text            ",  // 230
    "Select new text font by number",  // 231
    "Single buffer mode:        ON",  // 232
    "Single screen mode:        ON",  // 233
    "Status line coordinate text        ",  // 234
    "Status line layer text             ",  // 235
    "Status line, prompt area, and menu background",  // 236
    "Text background                    ",  // 237
    "Text                               ",  // 238
    "Text fonts ...                          >",  // 239
    "TEXT FONTS",  // 240
    " The current text font is ",  // 241
    "NOT USED",  // 242
    "the hardware font",  // 243
    "This is a sample Alert box",  // 244
    "This is a sample Dialog Box",  // 245
    " This is a sample of the ",  // 246
    "*    for Verity Forge                            *",  // 247
    "Would you like to change any of the AUI colors",  // 248
    "Would you like to change any of these colors",  // 249
    "Would you like to change any of these values",  // 250
    "Would you like to change the text font",  // 251
    " ROMANS",  // 252
    "Y",  // 253
    "N",  // 254
    "Do you want continuous color rendering",  // 255
    "Note: The <Save Image> function limited to 1000 pixels in AutoShade.",  // 256
    "Are you configuring for AutoShade right now",  // 257
    "Are you configuring for 3D Studio right now",  // 258
    " Error loading font file ",  // 259
    " Using default font instead.",  // 260
    "*    for Personal Kova                           *",  // 261
    "*    for QMX                                     *",  // 262
    "*    for QT                                      *",  // 263
    "*    for Kova Morrow                             *",  // 264
    "VGA BIOS",  // 265
    "Driver options ...                      >",  // 266
    "DRIVER OPTIONS",  // 267
    "Spy Glass:                 NONE",  // 268
    "Spy Glass:                 PICKBOX",  // 269
    "Spy Glass:                 APERTURE",  // 270
    "Display List:              OFF",  // 271
    "Display List:              ON",  // 272
    "Refresh Display List:      OFF",  // 273
    "Refresh Display List:      ON",  // 274
    "AutoCAD indicates this viewport may not be zoomable.",  // 275
    "AutoCAD digitizer is not responding.",  // 276
    "Value is out of range: ",  // 277
    "Display list is not enabled.",  // 278
    "Sidebar menu area required.",  // 279
    "Nonstop redraws:           ON",  // 280
    "Interruptable redraws:     ON",  // 281
    "You have selected the Close or Quit menu item.",  // 282
    "These functions are not supported by AutoCAD.",  // 283
    "Please exit AutoCAD in the usual fashion:",  // 284
    "END to save changes or QUIT to discard changes.",  // 285
    "courb10.snf",  // 286
    "courb12.snf",  // 287
    "courb14.snf",  // 288
    "dos6x13.snf",  // 289
    "dos8x14.snf",  // 290
    "lutrs10.snf",  // 291
    "lutrs12.snf",  // 292
    "lutrs14.snf",  // 293
    "term14.snf",  // 294
    "12x24.snf",  // 295
    "Display list dragging:     OFF",  // 296
    "Display list dragging:     ON",  // 297
    "Do you want hardware alpha blending enabled",  // 298
    "Note: The <Save Image> function limited to 750 pixels in AutoShade.",  // 299
    "AutoCAD Text Window ",  // 300
    "AutoCAD -- KovaGL Graphics ",  // 301
    "AcadG",  // 302
    "AcadT",  // 303
    "Always allow Birdseye:     ON",  // 304
    "Birdseye when zoomable:    ON",  // 305
    "NOT USED",  // 306
    "Display List:              RT Clean",  // 307
    "On",  // 308
    "Off",  // 309
};

// Driver command names; the row order is the interpreter's command numbering.
constexpr const char *kBuiltinCommands[kCommandCount] = {
    "MFL_PAGESIZE", "CONFIGURE", "PALETTE", "'PALETTE", "RTON", "'RTON", "RTOFF", "'RTOFF",
    "BIRDSEYE", "'BIRDSEYE", "RTBIRD", "'RTBIRD", "CLEAN", "'CLEAN", "ZOOMVX", "'ZOOMVX", "PANRH",
    "'PANRH", "PANLH", "'PANLH", "PANUH", "'PANUH", "PANDH", "'PANDH", "PANRF", "'PANRF", "PANLF",
    "'PANLF", "PANUF", "'PANUF", "PANDF", "'PANDF", "STATISTICS", "'STATISTICS", "CP_OFF",
    "'CP_OFF", "CP_ON", "'CP_ON", "CP_ICON", "'CP_ICON", "HOTPAN_ON", "'HOTPAN_ON", "HOTPAN_OFF",
    "'HOTPAN_OFF", "PICK_SPY", "'PICK_SPY", "APER_SPY", "'APER_SPY", "SPY_OFF", "'SPY_OFF",
    "WRITE_CONFIG", "CLEAN_ON", "CLEAN_OFF", "SINGLE_SCREEN", "DUAL_SCREEN", "DEFAULT_SCREEN",
    "REFRESH_ON", "REFRESH_OFF", "DLIST_ON", "DLIST_OFF", "RTCLEAN_ON", "RTCLEAN_OFF", "GLSHELL",
    "LOGFILEON", "LOGFILEOFF", "MFL_PROMPTLINE", "MFL_MENUCHAR", "MFL_LAST", "MFL_REDRAW",
    "MFL_CLEANLIST", "MFL_CLEAN", "MFL_WAYOUT", "MFL_WAYIN", "MFL_ZOOMD", "'MFL_ZOOMD", "MFL_SPOT",
    "MFL_EXIT", "MFL_ZOOM", "MFL_LEFT", "MFL_RIGHT", "MFL_UP", "MFL_DOWN", "MFL_INFO", "TOGGLE",
    "HOLDTIME", "FRAMERATE", "TUMBLE", "MFL_OUTLINE", "RMODE", "DMODE", "RTDVIEW", "BUFFER",
    "TOOLS",
};

// Command strings the driver types into the client.
constexpr const char *kBuiltinAcadStrings[kAcadStringCount] = {
    "'REDRAW", "'ZOOM", "'GRAPHSCR", "'_TEXTSCR", "_SHELL", "_DVIEW", "_CA", "_TA", "_D", "_PO",
    "_PA", "_Z", "_TW", "_CLF", "_CLFON", "_CLFOFF", "_CLB", "_CLBON", "_CLBOFF", "_O", "_X",
    "'_BACKZ", "'_FRONTZ", "'_LENSLENGTH", "'_TARGET", "'_VIEWCTR", "'_VIEWDIR", "'_VIEWSIZE",
    "'_VIEWTWIST", "'_VIEWMODE", "'_UCSORG", "'_UCSXDIR", "'_UCSYDIR", "'_WORLDUCS", "'_WORLDVIEW",
    "'_EXTMAX", "'_EXTMIN", "'_VSMAX", "'_VSMIN", "_VPOINT",
};

template <int N, int W>
struct TextRows {
  char row[N][W];
};

// Fixed-width rows from a list of texts, each cut to W - 1 characters.
template <int N, int W>
constexpr TextRows<N, W> MakeRows(const char *const (&texts)[N]) {
  TextRows<N, W> r{};
  for (int i = 0; i < N; ++i)
    for (int j = 0; texts[i][j] != '\0' && j < W - 1; ++j) r.row[i][j] = texts[i][j];
  return r;
}

TextRows<kMessageCount, kMessageRowSize> message_rows =
    MakeRows<kMessageCount, kMessageRowSize>(kBuiltinMessages);
TextRows<kCommandCount, kCommandRowSize> command_rows =
    MakeRows<kCommandCount, kCommandRowSize>(kBuiltinCommands);
TextRows<kAcadStringCount, kAcadStringRowSize> acad_rows =
    MakeRows<kAcadStringCount, kAcadStringRowSize>(kBuiltinAcadStrings);

int messages_loaded;  // the message file is read once per process

constexpr int kLineSize = 256;  // table lines are at most 255 characters

// Opens a support file as named, else the first readable one along ACAD.
FILE *OpenSupportFile(const char *name) {
  if (name == nullptr || name[0] == '\0') return nullptr;
  if (FILE *fp = std::fopen(name, "r")) return fp;
  char path[PATH_MAX];
  _searchenv(name, "ACAD", path);
  return path[0] != '\0' ? std::fopen(path, "r") : nullptr;
}

// Reads the next line of a table file into line (kLineSize bytes) without its
// line end ("\n" or "\r\n"). The rest of an over-long line is skipped.
// Returns 0 at the end of the file and at a line whose first byte is NUL,
// which ends every table file.
int ReadTableLine(FILE *fp, char *line) {
  if (std::fgets(line, kLineSize, fp) == nullptr || line[0] == '\0') return 0;
  std::size_t n = std::strlen(line);
  if (n > 0 && line[n - 1] == '\n') {
    line[--n] = '\0';
  } else if (n == kLineSize - 1) {
    int c;
    while ((c = std::fgetc(fp)) != EOF && c != '\n') {
    }
  }
  if (n > 0 && line[n - 1] == '\r') line[--n] = '\0';
  return 1;
}

// A message line: a number of up to three characters (after blanks, sign
// included), one separator character of any kind, then the text up to a '#'
// or the line's end, cut to 79 characters. A line without text gives an
// empty text. Returns 0 when the line does not start with a number.
int ParseMessageLine(const char *line, int *id, char *text) {
  const char *p = line;
  while (*p == ' ' || (*p >= '\t' && *p <= '\r')) ++p;
  int width = 0, negative = 0, value = 0, digits = 0;
  if (*p == '+' || *p == '-') {
    negative = *p == '-';
    ++p;
    ++width;
  }
  for (; width < 3 && *p >= '0' && *p <= '9'; ++p, ++width, ++digits) value = value * 10 + (*p - '0');
  if (digits == 0) return 0;
  *id = negative ? -value : value;
  if (*p != '\0') ++p;  // the separator
  int n = 0;
  for (; *p != '\0' && *p != '#' && *p != '\n' && n < kMessageRowSize - 1; ++p) text[n++] = *p;
  text[n] = '\0';
  return 1;
}

// Argument kinds of the conversions in a printf format, in order. Returns
// their number, or -1 when the format holds a conversion that is refused
// (%n, positional arguments, anything unknown or unfinished) or more than
// cap of them.
int ConversionKinds(const char *f, int *kinds, int cap) {
  int count = 0;
  auto add = [&](int kind) {
    if (count == cap) return false;
    kinds[count++] = kind;
    return true;
  };
  for (const char *p = f; *p != '\0'; ++p) {
    if (*p != '%') continue;
    ++p;
    if (*p == '%') continue;
    while (*p != '\0' && std::strchr("-+ #0'", *p) != nullptr) ++p;
    if (*p == '*') {
      if (!add('*')) return -1;
      ++p;
    } else {
      while (*p >= '0' && *p <= '9') ++p;
      if (*p == '$') return -1;
    }
    if (*p == '.') {
      ++p;
      if (*p == '*') {
        if (!add('*')) return -1;
        ++p;
      } else {
        while (*p >= '0' && *p <= '9') ++p;
      }
    }
    int length = 0;  // length modifier, up to two characters
    while (*p != '\0' && std::strchr("hlLqjzt", *p) != nullptr) {
      if (length > 0xff) return -1;
      length = length << 8 | *p++;
    }
    int conv;
    switch (*p) {
      case 'd': case 'i': conv = 'd'; break;
      case 'o': case 'u': case 'x': case 'X': conv = 'u'; break;
      case 'e': case 'E': case 'f': case 'F': case 'g': case 'G': case 'a': case 'A': conv = 'f'; break;
      case 'c': conv = 'c'; break;
      case 's': conv = 's'; break;
      case 'p': conv = 'p'; break;
      default: return -1;  // %n, an unknown conversion or the text's end
    }
    if (!add(length << 8 | conv)) return -1;
  }
  return count;
}

// Fills rows from index 0 with the names of a command-style table file:
// comment lines ("#") skipped, each name cut at its first blank and its first
// tab and to the row's width. Stops after count names.
template <int N, int W>
void LoadNameRows(FILE *fp, TextRows<N, W> &rows) {
  char line[kLineSize];
  int n = 0;
  while (n < N && ReadTableLine(fp, line)) {
    if (line[0] == '#') continue;
    std::size_t len = std::strcspn(line, " \t");
    if (len > W - 1) len = W - 1;
    std::memcpy(rows.row[n], line, len);
    std::memset(rows.row[n] + len, 0, W - len);
    ++n;
  }
}

}  // namespace

const char *GetString(int id) {
  if (id < kFirstMessageId || id > kLastMessageId) return nullptr;
  return message_rows.row[id - kFirstMessageId];
}

const char *GetCmdString(int index) {
  if (index < 0 || index >= kCommandCount) return nullptr;
  return command_rows.row[index];
}

const char *GetAcadString(int index) {
  if (index < 0 || index >= kAcadStringCount) return nullptr;
  return acad_rows.row[index];
}

int FindCmdIndex(const char *text) {
  if (text == nullptr) return kCommandCount;
  for (int i = 0; i < kCommandCount; ++i) {
    const char *name = command_rows.row[i];
    if (name[0] == '\0') continue;  // an empty name matches nothing
    int j = 0;
    for (; name[j] != '\0'; ++j) {
      char a = text[j], b = name[j];
      if (a >= 'a' && a <= 'z') a = static_cast<char>(a - 'a' + 'A');
      if (b >= 'a' && b <= 'z') b = static_cast<char>(b - 'a' + 'A');
      if (a != b) break;  // also stops at the text's end
    }
    if (name[j] == '\0') return i;
  }
  return kCommandCount;
}

int SameConversions(const char *model, const char *text) {
  constexpr int kMaxConversions = 16;
  int want[kMaxConversions], got[kMaxConversions];
  int nwant = ConversionKinds(model, want, kMaxConversions);
  int ngot = ConversionKinds(text, got, kMaxConversions);
  if (nwant < 0 || ngot != nwant) return 0;
  for (int i = 0; i < ngot; ++i)
    if (got[i] != want[i]) return 0;
  return 1;
}

void LoadInternalStrings(const char *file) {
  if (!Initialized || messages_loaded) return;
  messages_loaded = 1;
  FILE *fp = OpenSupportFile(file);
  if (fp == nullptr) return;
  char line[kLineSize];
  while (ReadTableLine(fp, line)) {
    if (line[0] == '#') continue;
    char text[kMessageRowSize] = {};
    int id;
    if (!ParseMessageLine(line, &id, text)) continue;
    if (id < kFirstMessageId || id > kLastMessageId) continue;
    // The row may be used as a printf format: a text whose conversions differ
    // from the built-in one would read arguments that are not there.
    if (!SameConversions(kBuiltinMessages[id - kFirstMessageId], text)) continue;
    std::memcpy(message_rows.row[id - kFirstMessageId], text, sizeof text);
  }
  std::fclose(fp);
}

void LoadInternalCommands(const char *file) {
  FILE *fp = OpenSupportFile(file);
  if (fp == nullptr) return;
  LoadNameRows(fp, command_rows);
  std::fclose(fp);
  LoadAcadStrings("gl_acad12.txt");
}

void LoadAcadStrings(const char *file) {
  FILE *fp = OpenSupportFile(file);
  if (fp == nullptr) return;
  LoadNameRows(fp, acad_rows);
  std::fclose(fp);
}

void ResetStringTables() {
  message_rows = MakeRows<kMessageCount, kMessageRowSize>(kBuiltinMessages);
  command_rows = MakeRows<kCommandCount, kCommandRowSize>(kBuiltinCommands);
  acad_rows = MakeRows<kAcadStringCount, kAcadStringRowSize>(kBuiltinAcadStrings);
  messages_loaded = 0;
}

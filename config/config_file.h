// The configuration file: the record stored field by field in
// "<config_path>/<USER or gl_adi>.cnf", 524 bytes, integers big-endian.
#pragma once

class Packet;

#include <cstddef>
#include <cstdint>
#include <string>

#include "base/config_record.h"
#include "base/tool_state.h"  // NewConfig

inline constexpr int kConfigFileSize = kConfigRecordSize;

// Flags of the configuration screen and the command layer.
extern int WriteConfig;    // leave the configuration screen and write the file
extern int NoWriteConfig;  // leave it without writing
extern int quit_warning;   // the Close/Quit warning box is up

// Set once ReadConfigFile has run for a real directory. Until then the
// settings in memory were never checked against the user's file, and
// WriteConfigFile refuses to replace that file with them.
extern int config_loaded;

// Writes newcfr to the file (through a temporary file beside it, renamed over
// it; a file that is a symbolic link is rewritten where the link leads and the
// link kept; a device or FIFO is written in place) and then makes it live
// (cfr = newcfr). 1 when written; 0 when not, with errno saying why and a
// WARNING line that names the file and the reason: the old file is then kept
// and cfr left as it was. An empty path, or no read yet, writes nothing.
int WriteConfigFile(const char *path);
// Reads the file into tempcfr and adopts it when its signature is right;
// a missing or short file gives the defaults. Either way the file is then
// written back. An empty path does nothing at all.
void ReadConfigFile(const char *path);
// Always 1.
int getcfg();

// The file's name in directory path: 1 and the name, or 0 when path is empty
// or the name would not fit in PATH_MAX. A USER that holds a "/" or ".." is
// taken as unset, so the name never leads out of the directory.
int ConfigFileName(const char *path, std::string &name);

// The 524 bytes of the file for record r.
void EncodeConfigRecord(const ConfigRecord &r, std::uint8_t (&bytes)[kConfigFileSize]);
// Takes the 524 bytes of a file into r, field by field, and mends only what
// would be unsafe to use: character arrays are NUL-terminated, an empty font
// name becomes "Screen-Bold", colour words outside 0..255 become 7, a
// display-list mode of 3 or more becomes 2, and the page size, prompt lines
// (1 to 5) and time slice (at least 1) are kept in range. Every other word is
// taken as read. The prompt-line word is taken only when take_prompt_lines is
// nonzero; otherwise r keeps its own.
void DecodeConfigRecord(const std::uint8_t (&bytes)[kConfigFileSize], ConfigRecord &r,
                        int take_prompt_lines);
// 1 when r carries the configuration file signature.
int HasConfigSignature(const ConfigRecord &r);

int pcfgrec(Packet &p);
int pnewcfg(Packet &p);
int pchgcfg(Packet &p);
int pshowcfg(Packet &p);

// The rendering client's: its configuration is read from the rendering
// directory (set_path(1)), with the string table, whenever one of its
// configuration packets comes and when a rendering-only client starts.
void ReadRenderingConfiguration();
int rpcfgrec(Packet &p);
int rpnewcfg(Packet &p);
int rpchgcfg(Packet &p);
int rpshowcfg(Packet &p);

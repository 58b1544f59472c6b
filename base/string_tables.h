// The driver's three text tables: numbered messages, the names of the
// driver's own commands and the command strings it types into the client.
// Each starts with built-in English rows; support files found in the working
// directory or along ACAD ("gl_strs.txt", "gl_cmds.txt", "gl_acad12.txt")
// may replace them, so a translated text set needs no rebuild.
#pragma once

inline constexpr int kFirstMessageId = 100;
inline constexpr int kLastMessageId = 309;
inline constexpr int kMessageCount = kLastMessageId - kFirstMessageId + 1;  // 210
inline constexpr int kMessageRowSize = 80;   // 79 characters and the NUL
inline constexpr int kCommandCount = 93;     // FindCmdIndex's "no match"
inline constexpr int kCommandRowSize = 16;   // 15 characters and the NUL
inline constexpr int kAcadStringCount = 40;
inline constexpr int kAcadStringRowSize = 16;

// The message of id 100 to 309; nullptr for any other id.
const char *GetString(int id);
// Command name 0 to 92; nullptr otherwise.
const char *GetCmdString(int index);
// Client command string 0 to 39; nullptr otherwise.
const char *GetAcadString(int index);

// Index of the first command name that begins the text, compared without
// regard to case over the name's length (so "HOLDTIME10" finds HOLDTIME and
// "CLEAN_ON" finds CLEAN, the earlier row). kCommandCount (93) when none
// matches.
int FindCmdIndex(const char *text);

// Replaces message rows from a message file. Runs once per process, and only
// once the graphics state is set up (Initialized). A replacement is taken only
// when its printf conversions are those of the built-in text.
void LoadInternalStrings(const char *file);
// Replaces command names from a command file, then loads "gl_acad12.txt".
// Nothing at all when the command file cannot be opened.
void LoadInternalCommands(const char *file);
// Replaces client command strings from a file.
void LoadAcadStrings(const char *file);

// Nonzero when text's printf conversions are, in order, those of model (and
// none of them writes through a pointer). Exposed for the message loader's
// tests.
int SameConversions(const char *model, const char *text);

// Puts back the built-in rows of all three tables and forgets that the
// message file was loaded.
void ResetStringTables();

// The end of a DVIEW step with a result: the step's command written into an
// AutoLISP file in the temporary directory, which the string request then
// has the client load, so that the client itself carries the view out.
#pragma once

#include <string>

class Packet;

// 1 once "gl_dview.lsp" was written and its loading is pending; the string
// request counts the requests it waits in it and clears it.
extern int DviewCmd;

// The text of "gl_dview.lsp" around a command.
std::string DviewLispText(const char *command);
// Writes "gl_dview.lsp" with the command into the temporary directory: 1 when
// written; else 0, the old file kept and a WARNING line saying why.
int WriteDviewLisp(const char *command);

int dview_pstring(Packet &p);

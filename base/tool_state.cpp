#include "base/tool_state.h"

int bview;
int tumble;
int dview;
int NewConfig;
int PstringNeeded;
int RedrawSelect;

// The configuration menus as the rest of the driver reaches them, until they
// land: they never run.
#include "base/packet.h"
#include "config/config_menus.h"

int ReloadPalette;
void InitializeConfigMenus() {}
void DoConfig() {}
void ResetConfigMenus() {}
void RedrawTextAreas() {}
int ConfigMainMenu(Packet &) { return 0; }
int ConfigWarningBox(Packet &) { return 0; }
int ConfigOptionsMenu(Packet &) { return 0; }
int ConfigPromptMenu(Packet &) { return 0; }
int ConfigPageMenu(Packet &) { return 0; }
int ConfigAUIMenu(Packet &) { return 0; }

#include "display/hooks.h"

DisplayHooks display_hooks;

// The hooks the lower floors declare, filled by the top at start-up: what
// the drawing layers tell the subsystems above them, and the writers through
// which every subsystem says something to the user.
#pragma once

// Fills every hook with the subsystem that listens. main calls it first; a
// test that wants the whole driver's answers calls it too.
void InstallHooks();

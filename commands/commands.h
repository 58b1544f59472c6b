// The driver's command interpreter: the commands the client hands over in
// the command packet, looked up in the driver's command table.
#pragma once

class Packet;

#include <cstdint>
#include <cstdio>

extern int local_cmd;  // what the last driver command asked for: 1, 2 Birdseye, 4 palette (never set)
extern FILE *log_fd;   // the log file, nullptr when none is open
// A ZOOM the string request sends: 1 to the view extents, 2 out, 3 in (0 none).
extern int ZoomRequest;
// The command arrived while the text screen was up: its window opens when the
// graphics screen comes back.
extern int TextScreenConfig;

// Settings of the 3D commands. The DVIEW and TUMBLE settings the commands
// set (DegenMode, TargetPoint, CameraPoint, tumble_speed) are DVIEW's own
// (render3d/dview.h, render3d/tumble.h).
extern std::uint32_t RenderMode;    // render mode of the face list
extern int BufferState;             // 0 both buffers, 1 back buffer, 2 swapped

int pcommand(Packet &p);

// Runs one command text as the command packet does: 1 when it was one of
// the driver's commands.
int RunDriverCommand(const char *text);

// Opens what a command deferred while the text screen was up (the
// configuration screen, the palette, the Birdseye window); called when the
// graphics screen comes back.
void OpenDeferredWindows();

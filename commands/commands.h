// The driver's command interpreter: the commands the client hands over in
// the command packet, looked up in the driver's command table.
#pragma once

class Packet;

#include <cstddef>
#include <cstdint>
#include <cstdio>

extern int local_cmd;  // what the last driver command asked for: 1, 2 Birdseye, 4 palette (never set)
extern FILE *log_fd;   // the log file, nullptr when none is open
// A ZOOM the string request sends: 1 to the view extents, 2 out, 3 in (0 none).
extern int ZoomRequest;
// The command arrived while the text screen was up: its window opens when the
// graphics screen comes back.
extern int TextScreenConfig;

// The settings the 3D commands set are kept where they are used: the render
// mode of the face list (RenderMode) with the 3D primitives
// (render3d/primitives.h), the DVIEW and TUMBLE settings (DegenMode,
// TargetPoint, CameraPoint, tumble_speed) with DVIEW (render3d/dview.h,
// render3d/tumble.h), and the buffers drawn into (BufferState) with the
// drawing wrappers (display/wrappers.h).

int pcommand(Packet &p);

// Writes bytes to the log and out to its file. A write that fails is said
// once, with the file and the reason, and closes the log; the driver goes on.
void write_log(const char *bytes, std::size_t count);
// Closes the log; a failure to write what it still held is said.
void close_log();

// Runs one command text as the command packet does: 1 when it was one of
// the driver's commands.
int RunDriverCommand(const char *text);

// Opens what a command deferred while the text screen was up (the
// configuration screen, the palette, the Birdseye window); called when the
// graphics screen comes back.
void OpenDeferredWindows();

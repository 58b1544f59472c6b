// Every packet handler of the dispatch tables, one per packet, named after it.
// A handler reads its parameters from the packet, writes its results back into
// it and returns nonzero when the packet is to be echoed as the reply. Each
// subsystem declares its own in its headers; the core's are here.
#pragma once

#include "adi/sample_routing.h"
#include "adi/screen_mode.h"
#include "base/packet.h"
#include "commands/commands.h"
#include "commands/prompt.h"
#include "commands/string_input.h"
#include "config/config_file.h"
#include "display/blits.h"
#include "display/cursor.h"
#include "display/digitizer.h"
#include "display/drag.h"
#include "display/redraw.h"
#include "display/vectors.h"
#include "display/viewports.h"
#include "image/snapshots.h"
#include "render3d/lights.h"
#include "render3d/primitives.h"
#include "render3d/projection.h"
#include "render3d/rendering.h"
#include "render3d/segments.h"

// The session packets.
int pinit(Packet &);
int preinit(Packet &);
int pterm(Packet &);
int pdinfo(Packet &);
int pwho(Packet &);
int rdwho(Packet &);
int rdinit(Packet &);
int plang(Packet &);
int pkzoom(Packet &);
int pkbzoom(Packet &);
int pxpcomd(Packet &);
int pbshell(Packet &);
int pashell(Packet &);

// Packets the core answers itself: menus and message boxes handed to the
// window, the no-op, the kill packet and the rest.
int pnop(Packet &);
int pkill(Packet &);
int pboxsize(Packet &);
int pmsgbox(Packet &);
int pmenufcn(Packet &);
int pmenushow(Packet &);
int pmenuset(Packet &);
int pmenuget(Packet &);
int pdlfname(Packet &);
int pdldir(Packet &);
int pnotify(Packet &);
int pevent(Packet &);
int pmodemsg(Packet &);
int pwincfg(Packet &);
int pextents(Packet &);
int rdresize(Packet &);
int rd_fgrab(Packet &);

// Projection state of the 3D packets.
#pragma once

extern int ProjSet;  // a projection was set
extern int ViewSet;  // a view was set

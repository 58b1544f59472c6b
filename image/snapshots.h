// Snapshots and quick plots of the screen as RGB image files.
#pragma once

class Packet;

int pqplot(Packet &p);

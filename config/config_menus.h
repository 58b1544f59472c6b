// The configuration menus.
#pragma once

// Draws the driver's text areas in the graphics window again.
void RedrawTextAreas();

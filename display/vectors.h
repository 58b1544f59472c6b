// 2D vector and polygon packets and the lines drawn around the drawing area.
#pragma once

// The lines between the graphics area, prompt area and screen menu.
void DrawBorders();

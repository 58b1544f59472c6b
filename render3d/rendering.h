// Rendering set-up and the z-buffer.
#pragma once

void init_zbuffer();

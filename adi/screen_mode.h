// Graphics and text screens.
#pragma once

extern int textmode;  // 1 while the text screen is the current one

void SetScreenMode(int graphics);
int GetScreenMode();

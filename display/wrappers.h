// The drawing wrappers every subsystem draws through.
#pragma once

extern int CurrentMatrixNumber;

void Clear_UI(int what);
void Restore_UI();

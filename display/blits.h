// Screen blits and saved boxes.
#pragma once

inline constexpr int kBlitSlots = 100;

void free_blit(int slot);

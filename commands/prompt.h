// Text output and the prompt area.
#pragma once

void PromptCursor(int on);
void wrsplit(int ch);

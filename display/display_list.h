// Display-list pages and the refresh list of each viewport.
#pragma once

// Drop the display list (the refresh list) of viewport index.
void EraseDisplayList(int index);
void EraseRefreshDisplayList(int index);

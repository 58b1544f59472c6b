// Drag vector lists.
#pragma once

// Empties the vector list of viewport index; release nonzero also gives up
// its first page.
void empty_vlist(int index, int release);

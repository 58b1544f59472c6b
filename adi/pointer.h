// Pointer polling: the samples graph_handler takes from the drawing window.
#pragma once

// Handles a pointer sample of device (kDev... of base/events.h) with value.
void poll_pointer(int device, int value);

// Forgets the pointer and event state between sessions and in tests.
void reset_pointer_state();

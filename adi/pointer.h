// Pointer polling: the samples graph_handler takes from the drawing window.
#pragma once

// Handles a pointer sample of device (kDev... of base/events.h) with value.
void poll_pointer(int device, int value);

// While one of the driver's own tools holds the pointer, Return sets
// action_key and Escape cancel_key for it: true, and the key is not the
// client's. Any other key, or no tool: false.
bool take_tool_key(unsigned long keysym);

// Forgets the pointer and event state between sessions and in tests.
void reset_pointer_state();

// The X binding of the graphics library: which visual and colormap each layer
// of a drawing window uses, and which X windows a rendering context draws into.
#pragma once

#include <X11/Xlib.h>

// Layers (the buffer field of a configuration triple).
enum : int {
  GLX_NORMAL = 4096,
  GLX_OVERLAY = 8192,
  GLX_POPUP = 12288,
  GLX_UNDERLAY = 16384,
};

// Modes (the mode field of a configuration triple).
enum : int {
  GLX_RGB = 1,       // argument nonzero: RGB mode, else colour-map mode
  GLX_DOUBLE = 2,    // argument nonzero: double buffered
  GLX_VISUAL = 7,    // X visual id, filled in by GLXgetconfig
  GLX_COLORMAP = 8,  // colormap, filled in by GLXgetconfig
  GLX_WINDOW = 9,    // X window id, filled in by the caller before GLXlink
};

// Results of GLXlink and GLXwinset (0 or a negative error number).
enum : int {
  GLWS_NOERROR = 0,
  GLWS_NOCONTEXT = -1,
  GLWS_NODISPLAY = -2,
  GLWS_NOWINDOW = -3,
  GLWS_NOGRAPHICS = -4,
  GLWS_NOTTOP = -5,
  GLWS_NOVISUAL = -6,
  GLWS_BUFSIZE = -7,
  GLWS_BADWINDOW = -8,
};

// One triple of a configuration list; a buffer of 0 ends the list.
struct GLXconfig {
  int buffer;
  int mode;
  unsigned long arg;
};

// Completes a configuration list for a screen: the caller's triples with the
// visual id and colormap of every layer asked for. Returns a list the caller
// frees with free(), or nullptr when the request cannot be met.
GLXconfig *GLXgetconfig(Display *dpy, int screen, GLXconfig *desc);

// Binds a rendering context to the windows named by the GLX_WINDOW triples of
// the list (the normal window and the child windows of the other layers).
int GLXlink(Display *dpy, GLXconfig *conf);

// Makes a linked window (normal or a layer's child) the target of later calls.
int GLXwinset(Display *dpy, Window win);

// Ends the binding of a window and frees its framebuffers.
int GLXunlink(Display *dpy, Window win);

// Window bookkeeping of the drawing widget and the main loop.

// The window (normal or a layer's child) changed size: the framebuffers of its
// context are reallocated at the new size, keeping the overlapping pixels.
void kgl_window_resized(Display *dpy, Window win, int width, int height);

// Part of the window must be shown again: the area is put on the screen from
// the framebuffers at the next presentation.
void kgl_window_exposed(Display *dpy, Window win, int x, int y, int width, int height);

// Whether the window's pictures go to the server through shared memory
// (MIT-SHM) rather than XPutImage. Setting KGL_NO_SHM in the environment
// before GLXlink forces XPutImage.
bool kgl_window_uses_shm(Display *dpy, Window win);

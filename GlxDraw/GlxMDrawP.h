// GlxMDraw's class and instance records (for the widget's own code only).
#pragma once

#include <Xm/PrimitiveP.h>
#include <X11/Xutil.h>

#include "GlxDraw/GlxMDraw.h"

// Layers, indexed so that the buffer number of layer k is (k + 1) * 4096.
enum : int {
  kGlxLayerNormal = 0,
  kGlxLayerOverlay = 1,
  kGlxLayerPopup = 2,
  kGlxLayerUnderlay = 3,
  kGlxLayerCount = 4,
};

inline constexpr int glx_layer_buffer(int layer) { return (layer + 1) * GLX_NORMAL; }

// The resources and state of one layer. For the normal layer, in_use is
// always set; its window, visual and expose callbacks are the mainWindow,
// visualInfo and exposeCallback resources.
struct GlxLayer {
  Boolean in_use;
  Window window;  // the window shown for this layer
  Colormap colormap;
  int depth;
  XVisualInfo *visual;
  XtCallbackList expose_callback;
};

struct GlxMDrawPart {
  // Resources.
  GLXconfig *config;
  XtCallbackList ginit_callback;
  XtCallbackList input_callback;
  XtCallbackList resize_callback;
  Boolean override_colormap;
  GlxLayer layer[kGlxLayerCount];
  Boolean provide_single_buffer;
  Boolean single_buffer;
  Boolean provide_stereo_buffer;
  Boolean stereo_buffer;
  Colormap alt_colormap;

  // Private state.
  Boolean rgb_mode;         // the normal layer is in RGB mode
  Boolean main_is_double;   // the main window's configuration is double buffered
  Boolean has_children;     // layer child windows were made
  Boolean alt_shown;        // the alternate window is the one shown
  Boolean own_main_colormap;
  GLXconfig *alt_config;    // completed configuration of the alternate window
  XVisualInfo *alt_visual;
  Window main_set[kGlxLayerCount];  // the main window and its layer children
  Window alt_set[kGlxLayerCount];   // the alternate window and its layer children
  Colormap own_colormap[kGlxLayerCount];  // colormaps made here, freed at destroy
  Colormap alt_own_colormap;
};

struct GlxMDrawClassPart {
  int unused;
};

struct GlxMDrawClassRec {
  CoreClassPart core_class;
  XmPrimitiveClassPart primitive_class;
  GlxMDrawClassPart glx_class;
};

struct GlxMDrawRec {
  CorePart core;
  XmPrimitivePart primitive;
  GlxMDrawPart glx;
};

using GlxMDrawWidget = GlxMDrawRec *;

extern GlxMDrawClassRec glxMDrawClassRec;

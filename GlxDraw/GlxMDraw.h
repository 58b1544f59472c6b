// GlxMDraw: a Motif primitive widget that binds a KovaGL rendering context to
// its X window. Optional overlay, underlay and pop-up layers get child windows
// of the widget's size; an optional alternate window (the other of single and
// double buffering) can be shown in place of the main one.
#pragma once

#include <X11/Intrinsic.h>
#include <X11/Xlib.h>

#include "kovagl/glx.h"

// Resource names, classes and types. The casts let them stand where Xt takes
// a String.
#define GlxNglxConfig ((String) "glxConfig")
#define GlxCGlxConfig ((String) "GlxConfig")
#define GlxRGlxConfig ((String) "GlxConfig")
#define GlxNginitCallback ((String) "ginitCallback")
#define GlxNinputCallback ((String) "inputCallback")
#define GlxNresizeCallback ((String) "resizeCallback")
#define GlxNexposeCallback ((String) "exposeCallback")
#define GlxNvisualInfo ((String) "visualInfo")
#define GlxCVisualInfo ((String) "VisualInfo")
#define GlxRVisualInfo ((String) "VisualInfo")
#define GlxNoverrideColormap ((String) "overrideColormap")
#define GlxCOverrideColormap ((String) "OverrideColormap")

#define GlxNuseOverlay ((String) "useOverlay")
#define GlxCUseOverlay ((String) "UseOverlay")
#define GlxNoverlayWindow ((String) "overlayWindow")
#define GlxNoverlayColormap ((String) "overlayColormap")
#define GlxNoverlayDepth ((String) "overlayDepth")
#define GlxNoverlayVisual ((String) "overlayVisual")
#define GlxNoverlayExposeCallback ((String) "overlayExposeCallback")

#define GlxNuseUnderlay ((String) "useUnderlay")
#define GlxCUseUnderlay ((String) "UseUnderlay")
#define GlxNunderlayWindow ((String) "underlayWindow")
#define GlxNunderlayColormap ((String) "underlayColormap")
#define GlxNunderlayDepth ((String) "underlayDepth")
#define GlxNunderlayVisual ((String) "underlayVisual")
#define GlxNunderlayExposeCallback ((String) "underlayExposeCallback")

#define GlxNusePopup ((String) "usePopup")
#define GlxCUsePopup ((String) "UsePopup")
#define GlxNpopupWindow ((String) "popupWindow")
#define GlxNpopupColormap ((String) "popupColormap")
#define GlxNpopupDepth ((String) "popupDepth")
#define GlxNpopupVisual ((String) "popupVisual")
#define GlxNpopupExposeCallback ((String) "popupExposeCallback")

#define GlxCWindow ((String) "Window")
#define GlxCColormap ((String) "Colormap")
#define GlxCDepth ((String) "Depth")

#define GlxNmainWindow ((String) "mainWindow")
#define GlxNprovideSingleBuffer ((String) "provideSingleBuffer")
#define GlxCProvideSingleBuffer ((String) "ProvideSingleBuffer")
#define GlxNsingleBuffer ((String) "singleBuffer")
#define GlxCSingleBuffer ((String) "SingleBuffer")
#define GlxNprovideStereoBuffer ((String) "provideStereoBuffer")
#define GlxCProvideStereoBuffer ((String) "ProvideStereoBuffer")
#define GlxNstereoBuffer ((String) "stereoBuffer")
#define GlxCStereoBuffer ((String) "StereoBuffer")
#define GlxNaltColormap ((String) "altColormap")

// Callback reasons.
enum : int {
  GlxCR_GINIT = 32135,  // the widget was realized and linked
  GlxCR_EXPOSE = 38,
  GlxCR_RESIZE = 39,
  GlxCR_INPUT = 40,
};

// What every callback of the widget receives as its call data.
struct GlxDrawCallbackStruct {
  int reason;
  XEvent *event;  // the X event (input, expose), else null
  Window window;  // the window concerned (for expose: the window exposed)
  int buffer;     // GLX_NORMAL, or for expose the layer of the window exposed
  int width, height;  // the widget's size
};

extern WidgetClass glxMDrawWidgetClass;

Widget GlxCreateMDraw(Widget parent, const char *name, ArgList args, Cardinal count);

// The completed configuration of the alternate window (the other buffering of
// the main one), or null when the widget provides none.
const GLXconfig *GlxMDrawAlternateConfig(Widget w);

// GlxMDraw: binds a KovaGL rendering context to the widget's X window.
//
// The overlay, pop-up and underlay layers get child windows with an empty
// bounding and input shape: they exist as ids for the library, which
// composites every layer in memory and puts the result into the main window,
// so they neither hide the drawing nor take its input. The alternate window
// (the other of single and double buffering) is a child of the main window
// with an empty input shape: shown, it covers the picture while every input
// event still reaches the main window and the widget's translations.
#include "GlxDraw/GlxMDrawP.h"

#include <X11/Shell.h>
#include <X11/StringDefs.h>
#include <X11/extensions/shape.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

#include "kovagl/gl.h"
#include "kovagl/glx.h"

namespace {

#define OFFSET(field) static_cast<Cardinal>(XtOffsetOf(GlxMDrawRec, glx.field))

GLXconfig empty_config[1] = {{0, 0, 0}};

// Boolean resource defaults given immediately.
const XtPointer kImmediateTrue = reinterpret_cast<XtPointer>(static_cast<XtArgVal>(True));
const XtPointer kImmediateFalse = nullptr;

// Indexed by the negated result of GLXlink.
const char *const link_errors[] = {
    "No error",   "No context", "No display",            "No window",  "No graphics",
    "Not top",    "No visual",  "Buffer size too small", "Bad window",
};

const char *const expose_callback_names[kGlxLayerCount] = {
    "exposeCallback", "overlayExposeCallback", "popupExposeCallback", "underlayExposeCallback"};

// The largest configuration list the widget duplicates for the alternate window.
constexpr int kMaxConfigTriples = 128;

#define LAYER_RESOURCES(k, use_name, use_class, win_name, cmap_name, depth_name, vis_name, cb_name) \
  {use_name, use_class, (String)XtRBoolean, sizeof(Boolean), OFFSET(layer[k].in_use),               \
   (String)XtRImmediate, kImmediateFalse},                                                            \
      {win_name, GlxCWindow, (String)XtRWindow, sizeof(Window), OFFSET(layer[k].window),               \
       (String)XtRImmediate, (XtPointer)0},                                                            \
      {cmap_name, GlxCColormap, (String)XtRColormap, sizeof(Colormap), OFFSET(layer[k].colormap),      \
       (String)XtRImmediate, (XtPointer)0},                                                            \
      {depth_name, GlxCDepth, (String)XtRInt, sizeof(int), OFFSET(layer[k].depth),                     \
       (String)XtRImmediate, (XtPointer)0},                                                            \
      {vis_name, GlxCVisualInfo, GlxRVisualInfo, sizeof(XVisualInfo *), OFFSET(layer[k].visual),       \
       (String)XtRImmediate, (XtPointer) nullptr},                                                     \
      {cb_name, (String)XtCCallback, (String)XtRCallback, sizeof(XtCallbackList),                      \
       OFFSET(layer[k].expose_callback), (String)XtRImmediate, (XtPointer) nullptr}

XtResource resources[] = {
    {GlxNglxConfig, GlxCGlxConfig, GlxRGlxConfig, sizeof(GLXconfig *), OFFSET(config), (String)XtRImmediate,
     (XtPointer)empty_config},
    {GlxNginitCallback, (String)XtCCallback, (String)XtRCallback, sizeof(XtCallbackList), OFFSET(ginit_callback),
     (String)XtRImmediate, (XtPointer) nullptr},
    {GlxNinputCallback, (String)XtCCallback, (String)XtRCallback, sizeof(XtCallbackList), OFFSET(input_callback),
     (String)XtRImmediate, (XtPointer) nullptr},
    {GlxNresizeCallback, (String)XtCCallback, (String)XtRCallback, sizeof(XtCallbackList),
     OFFSET(resize_callback), (String)XtRImmediate, (XtPointer) nullptr},
    {GlxNexposeCallback, (String)XtCCallback, (String)XtRCallback, sizeof(XtCallbackList),
     OFFSET(layer[kGlxLayerNormal].expose_callback), (String)XtRImmediate, (XtPointer) nullptr},
    {GlxNvisualInfo, GlxCVisualInfo, GlxRVisualInfo, sizeof(XVisualInfo *), OFFSET(layer[kGlxLayerNormal].visual),
     (String)XtRImmediate, (XtPointer) nullptr},
    {GlxNoverrideColormap, GlxCOverrideColormap, (String)XtRBoolean, sizeof(Boolean), OFFSET(override_colormap),
     (String)XtRImmediate, kImmediateTrue},
    LAYER_RESOURCES(kGlxLayerOverlay, GlxNuseOverlay, GlxCUseOverlay, GlxNoverlayWindow, GlxNoverlayColormap,
                    GlxNoverlayDepth, GlxNoverlayVisual, GlxNoverlayExposeCallback),
    LAYER_RESOURCES(kGlxLayerUnderlay, GlxNuseUnderlay, GlxCUseUnderlay, GlxNunderlayWindow, GlxNunderlayColormap,
                    GlxNunderlayDepth, GlxNunderlayVisual, GlxNunderlayExposeCallback),
    LAYER_RESOURCES(kGlxLayerPopup, GlxNusePopup, GlxCUsePopup, GlxNpopupWindow, GlxNpopupColormap,
                    GlxNpopupDepth, GlxNpopupVisual, GlxNpopupExposeCallback),
    {GlxNmainWindow, GlxCWindow, (String)XtRWindow, sizeof(Window), OFFSET(layer[kGlxLayerNormal].window),
     (String)XtRImmediate, (XtPointer)0},
    {GlxNprovideSingleBuffer, GlxCProvideSingleBuffer, (String)XtRBoolean, sizeof(Boolean),
     OFFSET(provide_single_buffer), (String)XtRImmediate, kImmediateFalse},
    {GlxNsingleBuffer, GlxCSingleBuffer, (String)XtRBoolean, sizeof(Boolean), OFFSET(single_buffer),
     (String)XtRImmediate, kImmediateFalse},
    {GlxNprovideStereoBuffer, GlxCProvideStereoBuffer, (String)XtRBoolean, sizeof(Boolean),
     OFFSET(provide_stereo_buffer), (String)XtRImmediate, kImmediateFalse},
    {GlxNstereoBuffer, GlxCStereoBuffer, (String)XtRBoolean, sizeof(Boolean), OFFSET(stereo_buffer),
     (String)XtRImmediate, kImmediateFalse},
    {GlxNaltColormap, GlxCColormap, (String)XtRColormap, sizeof(Colormap), OFFSET(alt_colormap),
     (String)XtRImmediate, (XtPointer)0},
    // Primitive resources with new defaults: no highlight or shadow around
    // the picture. traversalOn stays True so that the widget can take the
    // keyboard focus.
    {(String)XmNhighlightThickness, (String)XmCHighlightThickness, (String)XmRHorizontalDimension,
     sizeof(Dimension), static_cast<Cardinal>(XtOffsetOf(GlxMDrawRec, primitive.highlight_thickness)),
     (String)XtRImmediate, (XtPointer)0},
    {(String)XmNshadowThickness, (String)XmCShadowThickness, (String)XmRHorizontalDimension, sizeof(Dimension),
     static_cast<Cardinal>(XtOffsetOf(GlxMDrawRec, primitive.shadow_thickness)), (String)XtRImmediate,
     (XtPointer)0},
    {(String)XmNhighlightOnEnter, (String)XmCHighlightOnEnter, (String)XtRBoolean, sizeof(Boolean),
     static_cast<Cardinal>(XtOffsetOf(GlxMDrawRec, primitive.highlight_on_enter)), (String)XtRImmediate,
     kImmediateFalse},
};

#undef LAYER_RESOURCES

void glx_input(Widget w, XEvent *event, String *, Cardinal *);

XtActionsRec actions[] = {{(String) "glxInput", glx_input}};

char default_translations[] =
    "<KeyDown>:\tglxInput() \n     <KeyUp>:\tglxInput() \n     <BtnDown>: glxInput() \n     <BtnUp>:   "
    "glxInput() \n     <BtnMotion>: glxInput() ";

GlxMDrawWidget as_glx(Widget w) { return reinterpret_cast<GlxMDrawWidget>(w); }

// Fatal errors and warnings, all in the form "GlxMDraw: %s\n".
[[noreturn]] void glx_error(Widget w, const char *text) {
  char message[256];
  std::snprintf(message, sizeof message, "GlxMDraw: %s\n", text);
  XtAppError(XtWidgetToApplicationContext(w), message);
  std::abort();  // XtAppError does not return; a handler that does must not go on
}

void glx_warning(Widget w, const char *text) {
  char message[256];
  std::snprintf(message, sizeof message, "GlxMDraw: %s\n", text);
  XtAppWarning(XtWidgetToApplicationContext(w), message);
}

int layer_of_buffer(int buffer) {
  switch (buffer) {
    case GLX_NORMAL: return kGlxLayerNormal;
    case GLX_OVERLAY: return kGlxLayerOverlay;
    case GLX_POPUP: return kGlxLayerPopup;
    case GLX_UNDERLAY: return kGlxLayerUnderlay;
    default: return -1;
  }
}

int count_triples(const GLXconfig *conf) {
  int n = 0;
  while (conf[n].buffer != 0) ++n;
  return n;
}

XVisualInfo *lookup_visual(Display *dpy, int scr, VisualID id) {
  XVisualInfo tmpl{};
  tmpl.visualid = id;
  tmpl.screen = scr;
  int n = 0;
  return XGetVisualInfo(dpy, VisualIDMask | VisualScreenMask, &tmpl, &n);
}

// The visual of the nearest shell above w (whose colormap w inherits).
VisualID inherited_visual(Widget w) {
  Widget shell = XtParent(w);
  while (shell != nullptr && !XtIsShell(shell)) shell = XtParent(shell);
  Visual *visual = nullptr;
  if (shell != nullptr) XtVaGetValues(shell, XtNvisual, &visual, nullptr);
  if (visual == nullptr) visual = DefaultVisualOfScreen(XtScreen(w));
  return XVisualIDFromVisual(visual);
}

// A colormap for a window of the given visual: the one asked for, else the
// widget's own when the visuals agree, else a new one (made here, freed at
// destroy).
Colormap colormap_for(GlxMDrawWidget w, XVisualInfo *vi, Colormap asked, Colormap *made) {
  if (asked != 0) return asked;
  if (vi == nullptr || vi->visualid == w->glx.layer[kGlxLayerNormal].visual->visualid) return w->core.colormap;
  Display *dpy = XtDisplay(reinterpret_cast<Widget>(w));
  *made = XCreateColormap(dpy, RootWindowOfScreen(XtScreen(reinterpret_cast<Widget>(w))), vi->visual, AllocNone);
  return *made;
}

// The normal layer's mode-2 argument becomes value; the triple is added
// when the list has none. dst holds kMaxConfigTriples triples.
void copy_with_buffering(GLXconfig *dst, const GLXconfig *src, int n, bool dbl) {
  bool found = false;
  for (int i = 0; i < n; ++i) {
    dst[i] = src[i];
    if (dst[i].buffer == GLX_NORMAL && dst[i].mode == GLX_DOUBLE) {
      dst[i].arg = dbl ? 1 : 0;
      found = true;
    }
  }
  if (!found) dst[n++] = GLXconfig{GLX_NORMAL, GLX_DOUBLE, dbl ? 1ul : 0ul};
  dst[n] = GLXconfig{0, 0, 0};
}

GLXconfig *alloc_config() {
  return static_cast<GLXconfig *>(std::calloc(kMaxConfigTriples, sizeof(GLXconfig)));
}

// Puts the window ids of a set (main window and layer children) into the
// mode-9 triples; a layer in use without such a triple gets one.
void put_windows(GLXconfig *&conf, const GlxMDrawPart &g, const Window set[kGlxLayerCount]) {
  bool named[kGlxLayerCount] = {};
  int n = 0;
  for (; conf[n].buffer != 0; ++n) {
    int k = layer_of_buffer(conf[n].buffer);
    if (k < 0 || conf[n].mode != GLX_WINDOW) continue;
    conf[n].arg = (k == kGlxLayerNormal || g.layer[k].in_use) ? set[k] : 0;
    named[k] = true;
  }
  int missing = 0;
  for (int k = 0; k < kGlxLayerCount; ++k)
    if ((k == kGlxLayerNormal || g.layer[k].in_use) && !named[k]) ++missing;
  if (missing == 0) return;
  auto *grown = static_cast<GLXconfig *>(std::realloc(conf, sizeof(GLXconfig) * (n + missing + 1)));
  if (grown == nullptr) return;
  conf = grown;
  for (int k = 0; k < kGlxLayerCount; ++k)
    if ((k == kGlxLayerNormal || g.layer[k].in_use) && !named[k])
      conf[n++] = GLXconfig{glx_layer_buffer(k), GLX_WINDOW, set[k]};
  conf[n] = GLXconfig{0, 0, 0};
}

// The X Shape extension with input shapes (1.1) is there.
bool shape_input_supported(Display *dpy) {
  int event_base = 0, error_base = 0, major = 0, minor = 0;
  if (!XShapeQueryExtension(dpy, &event_base, &error_base)) return false;
  if (!XShapeQueryVersion(dpy, &major, &minor)) return false;
  return major > 1 || (major == 1 && minor >= 1);
}

// A layer window: the size of the widget, at (0, 0), with the layer's depth,
// visual and colormap and an empty bounding and input shape.
Window make_layer_window(GlxMDrawWidget w, Window parent, int k) {
  Widget wid = reinterpret_cast<Widget>(w);
  Display *dpy = XtDisplay(wid);
  GlxLayer &layer = w->glx.layer[k];
  XVisualInfo *vi = layer.visual != nullptr ? layer.visual : w->glx.layer[kGlxLayerNormal].visual;
  XSetWindowAttributes attrs{};
  attrs.border_pixel = 0;
  attrs.colormap = layer.colormap != 0 ? layer.colormap : w->core.colormap;
  Window child = XCreateWindow(dpy, parent, 0, 0, w->core.width, w->core.height, 0, vi->depth, InputOutput,
                               vi->visual, CWBorderPixel | CWColormap, &attrs);
  int event_base = 0, error_base = 0;
  if (XShapeQueryExtension(dpy, &event_base, &error_base)) {
    XShapeCombineRectangles(dpy, child, ShapeBounding, 0, 0, nullptr, 0, ShapeSet, Unsorted);
    if (shape_input_supported(dpy))
      XShapeCombineRectangles(dpy, child, ShapeInput, 0, 0, nullptr, 0, ShapeSet, Unsorted);
    XMapWindow(dpy, child);
  }
  // Without the Shape extension the child stays unmapped: it must not cover
  // the picture the library puts into the main window.
  XSelectInput(dpy, child, ExposureMask);
  XtRegisterDrawable(dpy, child, wid);
  return child;
}

// The windows of the set shown become the window resources.
void publish_shown_set(GlxMDrawPart &g) {
  const Window *set = g.alt_shown ? g.alt_set : g.main_set;
  for (int k = 0; k < kGlxLayerCount; ++k) g.layer[k].window = set[k];
}

bool wants_alternate(const GlxMDrawPart &g) {
  if (g.alt_config == nullptr) return false;
  if (g.provide_single_buffer && (g.single_buffer != 0) == (g.main_is_double != 0)) return true;
  return g.provide_stereo_buffer && g.stereo_buffer;
}

void call_callbacks(Widget w, const char *name, int reason, XEvent *event, Window window, int buffer) {
  GlxDrawCallbackStruct cb{reason, event, window, buffer, w->core.width, w->core.height};
  XtCallCallbacks(w, const_cast<String>(name), &cb);
}

// A layer child (or the alternate window) was destroyed: forget it.
void forget_destroyed_child(Widget wid, XtPointer, XEvent *event, Boolean *) {
  if (event->type != DestroyNotify) return;
  GlxMDrawPart &g = as_glx(wid)->glx;
  Window gone = event->xdestroywindow.window;
  Display *dpy = XtDisplay(wid);
  for (Window *set : {g.main_set, g.alt_set}) {
    for (int k = 0; k < kGlxLayerCount; ++k) {
      if (set[k] != gone || (set == g.main_set && k == kGlxLayerNormal)) continue;
      XtUnregisterDrawable(dpy, gone);
      set[k] = 0;
      if (k != kGlxLayerNormal && g.main_set[k] == 0 && g.alt_set[k] == 0) g.layer[k].in_use = False;
      if (set == g.alt_set && k == kGlxLayerNormal) g.alt_shown = False;
    }
  }
  publish_shown_set(g);
}

// ---- class methods ----------------------------------------------------------

void class_initialize() {}

void initialize(Widget, Widget nw, ArgList, Cardinal *) {
  GlxMDrawWidget w = as_glx(nw);
  GlxMDrawPart &g = w->glx;
  Display *dpy = XtDisplay(nw);
  int scr = XScreenNumberOfScreen(XtScreen(nw));

  if (w->core.width == 0) w->core.width = 100;
  if (w->core.height == 0) w->core.height = 100;

  g.rgb_mode = False;
  g.main_is_double = False;
  g.has_children = False;
  g.alt_shown = False;
  g.own_main_colormap = False;
  g.alt_config = nullptr;
  g.alt_visual = nullptr;
  for (int k = 0; k < kGlxLayerCount; ++k) {
    g.main_set[k] = g.alt_set[k] = 0;
    g.own_colormap[k] = 0;
    g.layer[k].window = 0;
    g.layer[k].visual = nullptr;  // looked up from the configuration below
  }
  g.alt_own_colormap = 0;
  g.layer[kGlxLayerNormal].in_use = True;

  const GLXconfig *request = g.config != nullptr ? g.config : empty_config;
  GLXconfig *conf = GLXgetconfig(dpy, scr, const_cast<GLXconfig *>(request));
  if (conf == nullptr) glx_error(nw, "requested visual not supported");
  g.config = conf;

  Colormap config_cmap[kGlxLayerCount] = {};
  for (const GLXconfig *t = conf; t->buffer != 0; ++t) {
    int k = layer_of_buffer(t->buffer);
    if (k < 0 || !g.layer[k].in_use) continue;
    switch (t->mode) {
      case GLX_RGB:
        if (k == kGlxLayerNormal) g.rgb_mode = t->arg != 0;
        break;
      case GLX_DOUBLE:
        if (k == kGlxLayerNormal) g.main_is_double = t->arg != 0;
        break;
      case GLX_VISUAL: {
        XVisualInfo *vi = lookup_visual(dpy, scr, static_cast<VisualID>(t->arg));
        if (vi == nullptr) glx_error(nw, "Couldn't get visual");
        if (g.layer[k].visual != nullptr) XFree(g.layer[k].visual);
        g.layer[k].visual = vi;
        g.layer[k].depth = vi->depth;
        break;
      }
      case GLX_COLORMAP:
        if (config_cmap[k] == 0) config_cmap[k] = static_cast<Colormap>(t->arg);
        break;
      default:
        break;
    }
  }
  if (g.layer[kGlxLayerNormal].visual == nullptr) glx_error(nw, "Couldn't get visual");

  // The widget's visual and depth are the normal layer's; its colormap the
  // configuration's (overrideColormap), else the inherited one when the
  // visuals agree, else a new one.
  XVisualInfo *normal = g.layer[kGlxLayerNormal].visual;
  w->core.depth = static_cast<Cardinal>(normal->depth);
  if (g.override_colormap && config_cmap[kGlxLayerNormal] != 0) {
    w->core.colormap = config_cmap[kGlxLayerNormal];
  } else if (normal->visualid != inherited_visual(nw)) {
    w->core.colormap = XCreateColormap(dpy, RootWindowOfScreen(XtScreen(nw)), normal->visual, AllocNone);
    g.own_main_colormap = True;
  }
  for (int k = 1; k < kGlxLayerCount; ++k) {
    if (!g.layer[k].in_use) continue;
    Colormap asked = g.layer[k].colormap != 0 ? g.layer[k].colormap : config_cmap[k];
    g.layer[k].colormap = colormap_for(w, g.layer[k].visual, asked, &g.own_colormap[k]);
    if (g.layer[k].visual == nullptr) g.layer[k].depth = normal->depth;
  }

  // The other buffering for the alternate window.
  if (g.provide_single_buffer || g.provide_stereo_buffer) {
    int n = count_triples(conf);
    if (n + 2 > kMaxConfigTriples) glx_error(nw, "GLXconfig to large to duplicate");
    GLXconfig *main_copy = alloc_config();
    GLXconfig *other = alloc_config();
    if (main_copy == nullptr || other == nullptr) glx_error(nw, "GLXconfig to large to duplicate");
    copy_with_buffering(main_copy, conf, n, g.main_is_double);
    int rn = count_triples(request);
    if (rn + 2 > kMaxConfigTriples) glx_error(nw, "GLXconfig to large to duplicate");
    copy_with_buffering(other, request, rn, !g.main_is_double);
    std::free(conf);
    g.config = main_copy;
    g.alt_config = GLXgetconfig(dpy, scr, other);
    std::free(other);
    if (g.alt_config == nullptr) glx_error(nw, "Unable to get second visual");
    Colormap alt_cmap = 0;
    for (const GLXconfig *t = g.alt_config; t->buffer != 0; ++t) {
      if (t->buffer != GLX_NORMAL) continue;
      if (t->mode == GLX_VISUAL && g.alt_visual == nullptr)
        g.alt_visual = lookup_visual(dpy, scr, static_cast<VisualID>(t->arg));
      if (t->mode == GLX_COLORMAP && alt_cmap == 0) alt_cmap = static_cast<Colormap>(t->arg);
    }
    if (g.alt_visual == nullptr) glx_error(nw, "Unable to get second visual");
    if (g.alt_colormap == 0)
      g.alt_colormap = colormap_for(w, g.alt_visual, alt_cmap, &g.alt_own_colormap);
    if (g.provide_single_buffer) g.single_buffer = !g.main_is_double;
    g.stereo_buffer = False;
  }
}

void realize(Widget wid, XtValueMask *mask, XSetWindowAttributes *attrs) {
  GlxMDrawWidget w = as_glx(wid);
  GlxMDrawPart &g = w->glx;
  Display *dpy = XtDisplay(wid);

  // No background: the library puts every pixel, and the server clearing
  // exposed areas first would only make them flash.
  *mask &= ~(CWBackPixel | CWBorderPixmap);
  *mask |= CWBackPixmap | CWBorderPixel | CWColormap;
  attrs->background_pixmap = None;
  attrs->border_pixel = 0;
  attrs->colormap = w->core.colormap;
  XtCreateWindow(wid, InputOutput, g.layer[kGlxLayerNormal].visual->visual, *mask, attrs);
  Window main = XtWindow(wid);
  g.main_set[kGlxLayerNormal] = main;

  for (int k = 1; k < kGlxLayerCount; ++k) {
    if (!g.layer[k].in_use) continue;
    g.main_set[k] = make_layer_window(w, main, k);
    g.has_children = True;
  }

  put_windows(g.config, g, g.main_set);
  int r = GLXlink(dpy, g.config);
  if (r < 0) glx_error(wid, -r < static_cast<int>(XtNumber(link_errors)) ? link_errors[-r] : "Bad window");

  if (g.alt_config != nullptr) {
    if (g.alt_visual->depth > static_cast<int>(w->core.depth))
      glx_error(wid, "Fatal error: Child depth greater than parent\n");
    XSetWindowAttributes a{};
    a.border_pixel = 0;
    a.colormap = g.alt_colormap;
    a.background_pixmap = None;
    Window alt = XCreateWindow(dpy, main, 0, 0, w->core.width, w->core.height, 0, g.alt_visual->depth,
                               InputOutput, g.alt_visual->visual, CWBorderPixel | CWColormap | CWBackPixmap, &a);
    // Input goes through to the main window underneath.
    if (shape_input_supported(dpy)) XShapeCombineRectangles(dpy, alt, ShapeInput, 0, 0, nullptr, 0, ShapeSet, Unsorted);
    XSelectInput(dpy, alt, ExposureMask | SubstructureNotifyMask);
    XtRegisterDrawable(dpy, alt, wid);
    g.alt_set[kGlxLayerNormal] = alt;

    Widget shell = wid;
    while (shell != nullptr && !XtIsShell(shell)) shell = XtParent(shell);
    Window cmap_windows[2] = {alt, main};
    if (shell == nullptr || !XtIsRealized(shell) || !XSetWMColormapWindows(dpy, XtWindow(shell), cmap_windows, 2))
      glx_warning(wid, "XSetWMColormapWindows failed\n");

    for (int k = 1; k < kGlxLayerCount; ++k) {
      if (!g.layer[k].in_use) continue;
      g.alt_set[k] = make_layer_window(w, alt, k);
      g.has_children = True;
    }
    put_windows(g.alt_config, g, g.alt_set);
    r = GLXlink(dpy, g.alt_config);
    if (r < 0) glx_error(wid, -r < static_cast<int>(XtNumber(link_errors)) ? link_errors[-r] : "Bad window");
    if (wants_alternate(g)) {
      XMapRaised(dpy, alt);
      g.alt_shown = True;
    }
  }
  publish_shown_set(g);

  GLXwinset(dpy, g.layer[kGlxLayerNormal].window);
  if (g.rgb_mode)
    cpack(0);
  else
    color(0);
  clear();

  if (g.has_children || g.alt_config != nullptr)
    XtAddEventHandler(wid, SubstructureNotifyMask, False, forget_destroyed_child, nullptr);

  call_callbacks(wid, "ginitCallback", GlxCR_GINIT, nullptr, g.layer[kGlxLayerNormal].window, GLX_NORMAL);
}

void expose(Widget wid, XEvent *event, Region) {
  if (event->type != Expose) return;
  GlxMDrawPart &g = as_glx(wid)->glx;
  Window win = event->xexpose.window;
  int layer = kGlxLayerNormal;
  for (int k = 0; k < kGlxLayerCount; ++k)
    if (win != 0 && (g.main_set[k] == win || g.alt_set[k] == win)) layer = k;
  // The library puts the exposed part of the picture back at its next
  // presentation; the callbacks then draw whatever they want on top.
  if (layer == kGlxLayerNormal)
    kgl_window_exposed(XtDisplay(wid), win, event->xexpose.x, event->xexpose.y, event->xexpose.width,
                       event->xexpose.height);
  call_callbacks(wid, expose_callback_names[layer], GlxCR_EXPOSE, event, win, glx_layer_buffer(layer));
}

void resize(Widget wid) {
  GlxMDrawWidget w = as_glx(wid);
  GlxMDrawPart &g = w->glx;
  if (XtIsRealized(wid)) {
    Display *dpy = XtDisplay(wid);
    for (int k = 0; k < kGlxLayerCount; ++k) {
      if (k != kGlxLayerNormal && g.main_set[k] != 0) XResizeWindow(dpy, g.main_set[k], w->core.width, w->core.height);
      if (g.alt_set[k] != 0) XResizeWindow(dpy, g.alt_set[k], w->core.width, w->core.height);
    }
    XSync(dpy, False);
    kgl_window_resized(dpy, g.main_set[kGlxLayerNormal], w->core.width, w->core.height);
    if (g.alt_set[kGlxLayerNormal] != 0)
      kgl_window_resized(dpy, g.alt_set[kGlxLayerNormal], w->core.width, w->core.height);
  }
  call_callbacks(wid, "resizeCallback", GlxCR_RESIZE, nullptr, g.layer[kGlxLayerNormal].window, GLX_NORMAL);
}

void glx_input(Widget wid, XEvent *event, String *, Cardinal *) {
  GlxMDrawPart &g = as_glx(wid)->glx;
  call_callbacks(wid, "inputCallback", GlxCR_INPUT, event, g.layer[kGlxLayerNormal].window, GLX_NORMAL);
}

// The rendering state carried from one shown window to the other.
struct CarriedState {
  Int32 matrix_mode;
  Matrix single, projection, viewing, texture;
  Int32 display_mode;
  Int32 back_face;
  bool colour_map_mode;
  Int32 colour, map, one_map;
  Int16 cursor;
  Uint16 cursor_colour, cursor_mask;
  Int32 cursor_visible;
  Int32 depth_cue, font_number, ls_backup, ls_repeat, line_style, pattern;
  Int32 mask_l, mask_r, mask_b, mask_t;
  Int32 shade_model, write_mask;
};

void read_state(CarriedState &s) {
  s.matrix_mode = getmmode();
  if (s.matrix_mode == KGL_MSINGLE) {
    getmatrix(s.single);
  } else {
    mmode(KGL_MPROJECTION);
    getmatrix(s.projection);
    mmode(KGL_MVIEWING);
    getmatrix(s.viewing);
    mmode(KGL_MTEXTURE);
    getmatrix(s.texture);
    mmode(static_cast<Int16>(s.matrix_mode));
  }
  s.display_mode = getdisplaymode();
  s.back_face = getbackface();
  s.colour_map_mode = s.display_mode == KGL_DMSINGLE || s.display_mode == KGL_DMDOUBLE;
  if (s.colour_map_mode) {
    s.colour = getcolor();
    s.map = getmap();
    s.one_map = getcmmode();
  }
  getcursor(&s.cursor, &s.cursor_colour, &s.cursor_mask, &s.cursor_visible);
  s.depth_cue = getdcm();
  s.font_number = getfont();
  s.ls_backup = getlsbackup();
  s.ls_repeat = getlsrepeat();
  s.line_style = getlstyle();
  s.pattern = getpattern();
  getscrmask(&s.mask_l, &s.mask_r, &s.mask_b, &s.mask_t);
  s.shade_model = getsm();
  s.write_mask = getwritemask();
}

void load_state(const CarriedState &s) {
  if (s.matrix_mode == KGL_MSINGLE) {
    mmode(KGL_MSINGLE);
    loadmatrix(s.single);
  } else {
    mmode(KGL_MPROJECTION);
    loadmatrix(s.projection);
    mmode(KGL_MVIEWING);
    loadmatrix(s.viewing);
    mmode(KGL_MTEXTURE);
    loadmatrix(s.texture);
    mmode(static_cast<Int16>(s.matrix_mode));
  }
  backface(s.back_face);
  setcursor(s.cursor, s.cursor_colour, s.cursor_mask);
  if (s.colour_map_mode) {
    if (s.one_map)
      onemap();
    else
      multimap();
    setmap(static_cast<Int16>(s.map));
    color(static_cast<Uint16>(s.colour));
    writemask(static_cast<Uint16>(s.write_mask));
  } else {
    wmpack(static_cast<Uint32>(s.write_mask));
  }
  depthcue(s.depth_cue);
  font(static_cast<Int16>(s.font_number));
  lsbackup(s.ls_backup);
  lsrepeat(s.ls_repeat);
  setlinestyle(s.line_style);
  setpattern(s.pattern);
  shademodel(s.shade_model);
}

// Shows the alternate window (to_alt) or the main one, carrying the rendering
// state across.
void set_new_window(Widget wid, bool to_alt) {
  GlxMDrawPart &g = as_glx(wid)->glx;
  Display *dpy = XtDisplay(wid);
  Window old_win = g.alt_shown ? g.alt_set[kGlxLayerNormal] : g.main_set[kGlxLayerNormal];
  Window new_win = to_alt ? g.alt_set[kGlxLayerNormal] : g.main_set[kGlxLayerNormal];
  if (old_win == 0 || new_win == 0) return;

  static CarriedState state;
  GLXwinset(dpy, old_win);
  read_state(state);
  Window root = 0;
  int x = 0, y = 0;
  unsigned int width = 0, height = 0, border = 0, depth = 0;
  if (!XGetGeometry(dpy, old_win, &root, &x, &y, &width, &height, &border, &depth))
    glx_error(wid, "SetNewWindow : XGetGeometry failed");

  if (to_alt) {
    XMapRaised(dpy, new_win);
    XResizeWindow(dpy, new_win, width, height);
  } else {
    XUnmapWindow(dpy, g.alt_set[kGlxLayerNormal]);
  }
  GLXwinset(dpy, new_win);
  kgl_window_resized(dpy, new_win, static_cast<int>(width), static_cast<int>(height));
  viewport(0, static_cast<Int32>(width) - 1, 0, static_cast<Int32>(height) - 1);
  load_state(state);
  g.alt_shown = to_alt;
  publish_shown_set(g);
}

Boolean set_values(Widget cw, Widget, Widget nw, ArgList, Cardinal *) {
  GlxMDrawWidget cur = as_glx(cw);
  GlxMDrawWidget neu = as_glx(nw);
  GlxMDrawPart &g = neu->glx;
  const GlxMDrawPart &old = cur->glx;

  // Fixed once the widget exists: the configuration and the layers.
  g.config = old.config;
  g.override_colormap = old.override_colormap;
  g.provide_single_buffer = old.provide_single_buffer;
  g.provide_stereo_buffer = old.provide_stereo_buffer;
  for (int k = 0; k < kGlxLayerCount; ++k) {
    g.layer[k].in_use = old.layer[k].in_use;
    g.layer[k].window = old.layer[k].window;
    g.layer[k].colormap = old.layer[k].colormap;
    g.layer[k].depth = old.layer[k].depth;
    g.layer[k].visual = old.layer[k].visual;
  }

  if (XtIsRealized(nw)) {
    Display *dpy = XtDisplay(nw);
    if (g.alt_colormap != old.alt_colormap && g.alt_colormap != 0 && g.alt_set[kGlxLayerNormal] != 0)
      XSetWindowColormap(dpy, g.alt_set[kGlxLayerNormal], g.alt_colormap);
    if (neu->core.colormap != cur->core.colormap && neu->core.colormap != 0)
      XSetWindowColormap(dpy, XtWindow(nw), neu->core.colormap);
  }

  if (g.alt_config == nullptr) {
    // Nothing to switch to.
    g.single_buffer = old.single_buffer;
    g.stereo_buffer = old.stereo_buffer;
  } else if (XtIsRealized(nw) && g.alt_set[kGlxLayerNormal] != 0) {
    bool to_alt = wants_alternate(g);
    if (to_alt != (g.alt_shown != 0)) set_new_window(nw, to_alt);
  }
  return False;
}

void destroy(Widget wid) {
  GlxMDrawPart &g = as_glx(wid)->glx;
  Display *dpy = XtDisplay(wid);
  for (int k = 0; k < kGlxLayerCount; ++k) {
    if (k != kGlxLayerNormal && g.main_set[k] != 0) XtUnregisterDrawable(dpy, g.main_set[k]);
    if (g.alt_set[k] != 0) XtUnregisterDrawable(dpy, g.alt_set[k]);
  }
  if (g.alt_set[kGlxLayerNormal] != 0) GLXunlink(dpy, g.alt_set[kGlxLayerNormal]);
  if (g.main_set[kGlxLayerNormal] != 0) GLXunlink(dpy, g.main_set[kGlxLayerNormal]);
  if (g.config != empty_config) std::free(g.config);
  std::free(g.alt_config);
  g.config = nullptr;
  g.alt_config = nullptr;
  for (int k = 0; k < kGlxLayerCount; ++k) {
    if (g.layer[k].visual != nullptr) XFree(g.layer[k].visual);
    g.layer[k].visual = nullptr;
    if (g.own_colormap[k] != 0) XFreeColormap(dpy, g.own_colormap[k]);
  }
  if (g.alt_visual != nullptr) XFree(g.alt_visual);
  g.alt_visual = nullptr;
  if (g.alt_own_colormap != 0) XFreeColormap(dpy, g.alt_own_colormap);
  if (g.own_main_colormap) XFreeColormap(dpy, as_glx(wid)->core.colormap);
}

#undef OFFSET

}  // namespace

GlxMDrawClassRec glxMDrawClassRec = {
    {
        // core
        reinterpret_cast<WidgetClass>(&xmPrimitiveClassRec),  // superclass
        (String) "GlxMDraw",                                  // class_name
        sizeof(GlxMDrawRec),                                  // widget_size
        class_initialize,                                     // class_initialize
        nullptr,                                              // class_part_initialize
        False,                                                // class_inited
        initialize,                                           // initialize
        nullptr,                                              // initialize_hook
        realize,                                              // realize
        actions,                                              // actions
        XtNumber(actions),                                    // num_actions
        resources,                                            // resources
        XtNumber(resources),                                  // num_resources
        NULLQUARK,                                            // xrm_class
        True,                                                 // compress_motion
        XtExposeCompressSeries,                               // compress_exposure
        True,                                                 // compress_enterleave
        True,                                                 // visible_interest
        destroy,                                              // destroy
        resize,                                               // resize
        expose,                                               // expose
        set_values,                                           // set_values
        nullptr,                                              // set_values_hook
        XtInheritSetValuesAlmost,                             // set_values_almost
        nullptr,                                              // get_values_hook
        nullptr,                                              // accept_focus
        XtVersion,                                            // version
        nullptr,                                              // callback_private
        default_translations,                                 // tm_table
        XtInheritQueryGeometry,                               // query_geometry
        XtInheritDisplayAccelerator,                          // display_accelerator
        nullptr,                                              // extension
    },
    {
        // primitive
        XmInheritBorderHighlight,    // border_highlight
        XmInheritBorderUnhighlight,  // border_unhighlight
        nullptr,                     // translations: keys belong to the application
        nullptr,                     // arm_and_activate
        nullptr,                     // syn_resources
        0,                           // num_syn_resources
        nullptr,                     // extension
    },
    {0},
};

WidgetClass glxMDrawWidgetClass = reinterpret_cast<WidgetClass>(&glxMDrawClassRec);

Widget GlxCreateMDraw(Widget parent, const char *name, ArgList args, Cardinal count) {
  return XtCreateWidget(name, glxMDrawWidgetClass, parent, args, count);
}

const GLXconfig *GlxMDrawAlternateConfig(Widget w) {
  if (w == nullptr || !XtIsSubclass(w, glxMDrawWidgetClass)) return nullptr;
  return as_glx(w)->glx.alt_config;
}

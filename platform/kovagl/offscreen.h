// Off-screen contexts: the whole library without an X display, for tests of
// the library and of the drawing code above it. A context has every layer
// (normal front and back buffers, overlay, pop-up, z-buffer) and starts as a
// fresh window does: RGB mode, single buffered (doublebuffer() and gconfig()
// switch), viewport and mask over the whole context, and a single matrix
// that maps units to pixels.
#pragma once

#include <cstdint>

struct KglContext;

KglContext *kgl_offscreen_create(int width, int height);
void kgl_offscreen_make_current(KglContext *ctx);   // nullptr: no current context
void kgl_offscreen_destroy(KglContext *ctx);        // also unbinds it when current
KglContext *kgl_current_context();
// Off: both buffers selected write both every time, as when the environment
// sets KGL_EAGER_BACK=1; on (the default): a back buffer that mirrors the
// front after a clear is copied only when it is used alone.
void kgl_offscreen_set_lazy_back(KglContext *ctx, bool on);

// Plane readers, window coordinates (y up). Outside the window they answer 0.
std::uint32_t kgl_read_normal(int x, int y);        // front buffer, stored value
std::uint32_t kgl_read_back(int x, int y);          // back buffer, stored value
std::uint32_t kgl_read_overlay(int x, int y);       // index 0..3
std::uint32_t kgl_read_popup(int x, int y);         // index 0..3
std::uint32_t kgl_read_zbuffer(int x, int y);
// What the screen shows at (x, y) as 0xRRGGBB: the overlay where its index is
// non-zero, else the pop-up planes where non-zero, else the front buffer (an
// index resolved through the normal colour map in colour-map mode).
std::uint32_t kgl_read_composited(int x, int y);

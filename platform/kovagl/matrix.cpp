// Matrices (row vectors, v' = v M), the viewport and the screen mask.
#include "matrix.h"

#include "objects.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

const KglMatrix identity = {{{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}}};

// r = a b
void multiply(KglMatrix &r, const KglMatrix &a, const KglMatrix &b) {
  KglMatrix t;
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j)
      t.m[i][j] = a.m[i][0] * b.m[0][j] + a.m[i][1] * b.m[1][j] + a.m[i][2] * b.m[2][j] + a.m[i][3] * b.m[3][j];
  r = t;
}

// The matrix that loadmatrix, getmatrix and the pre-multiplying calls act on.
KglMatrix *top(KglContext *c) {
  switch (c->matrix_mode) {
    case KGL_MPROJECTION: return &c->projection;
    case KGL_MVIEWING: return &c->viewing[c->viewing_top];
    case KGL_MTEXTURE: return &c->texture;
    default: return &c->single[c->single_top];
  }
}

// Projections go to the projection matrix in the projection and viewing modes
// and replace the single matrix in single-matrix mode.
void load_projection(KglContext *c, const KglMatrix &p) {
  if (c->matrix_mode == KGL_MPROJECTION || c->matrix_mode == KGL_MVIEWING)
    c->projection = p;
  else if (c->matrix_mode == KGL_MTEXTURE)
    c->texture = p;
  else
    c->single[c->single_top] = p;
  kgl_update_xform(c);
}

void premultiply(const KglMatrix &m) {
  KglContext *c = kgl_ctx;
  if (!c) return;
  if (c->open_object) return kgl_record_matrix(KGL_OBJ_MULTMATRIX, m.m);
  KglMatrix *t = top(c);
  multiply(*t, m, *t);
  kgl_update_xform(c);
}

KglMatrix ortho_matrix(float l, float r, float b, float t, float n, float f) {
  KglMatrix m = identity;
  m.m[0][0] = 2.0f / (r - l);
  m.m[1][1] = 2.0f / (t - b);
  m.m[2][2] = -2.0f / (f - n);
  m.m[3][0] = -(r + l) / (r - l);
  m.m[3][1] = -(t + b) / (t - b);
  m.m[3][2] = -(f + n) / (f - n);
  return m;
}

}  // namespace

void kgl_matrix_reset(KglContext *c) {
  c->matrix_mode = KGL_MSINGLE;
  c->single_top = c->viewing_top = 0;
  c->viewing[0] = c->projection = c->texture = identity;
  c->vp_l = 0;
  c->vp_r = c->width - 1;
  c->vp_b = 0;
  c->vp_t = c->height - 1;
  c->sm_l = c->vp_l;
  c->sm_r = c->vp_r;
  c->sm_b = c->vp_b;
  c->sm_t = c->vp_t;
  kgl_update_clip(c);
  c->single[0] = ortho_matrix(-0.5f, c->width - 0.5f, -0.5f, c->height - 0.5f, -1.0f, 1.0f);
  kgl_update_xform(c);
}

void kgl_update_line_map(KglContext *c) {
  const auto &m = c->xform.m;
  KglLineMap &l = c->line_map;
  bool finite = true;
  for (const auto &row : m)
    for (float v : row) finite = finite && std::isfinite(v);
  l.ok = finite && m[0][3] == 0.0f && m[1][3] == 0.0f && m[3][3] == 1.0f && m[0][2] == 0.0f && m[1][2] == 0.0f &&
         std::fabs(m[3][2]) <= 1.0f;
  l.xx = m[0][0], l.xy = m[1][0], l.xc = m[3][0];
  l.yx = m[0][1], l.yy = m[1][1], l.yc = m[3][1];
  l.z = m[3][2];
  l.wx0 = c->vp_l - 0.5;
  l.wxs = 0.5 * (c->vp_r - c->vp_l + 1);
  l.wy0 = c->vp_b - 0.5;
  l.wys = 0.5 * (c->vp_t - c->vp_b + 1);
  // Window coordinates stay within a quarter of the guard band (far from
  // the window, which is at most 32767 wide) for |x|, |y| up to the bound.
  auto bound = [](double along, double across, double shift, double w0, double ws) {
    const double room = KGL_GUARD / 4 - std::fabs(w0) - (std::fabs(shift) + 1) * std::fabs(ws);
    const double per_unit = (std::fabs(along) + std::fabs(across)) * std::fabs(ws);
    return room <= 0 ? 0.0 : per_unit > 0 ? room / per_unit : 2147483647.0;
  };
  l.raw_bound = l.ok ? static_cast<std::int64_t>(std::min(
                           {bound(l.xx, l.xy, l.xc, l.wx0, l.wxs), bound(l.yx, l.yy, l.yc, l.wy0, l.wys), 2147483647.0}))
                     : 0;
  l.pixels_per_unit = std::max({std::fabs(l.xx), std::fabs(l.xy), std::fabs(l.yx), std::fabs(l.yy)}) *
                      std::max(std::fabs(l.wxs), std::fabs(l.wys));
  ++c->clip_serial;
}

void kgl_update_xform(KglContext *c) {
  if (c->matrix_mode == KGL_MSINGLE)
    c->xform = c->single[c->single_top];
  else
    multiply(c->xform, c->viewing[c->viewing_top], c->projection);
  kgl_update_line_map(c);
}

void mmode(Int16 mode) {
  KglContext *c = kgl_ctx;
  if (!c || mode < KGL_MSINGLE || mode > KGL_MTEXTURE) return;
  c->matrix_mode = mode;
  kgl_update_xform(c);
}

Int32 getmmode() { return kgl_ctx ? kgl_ctx->matrix_mode : 0; }

void loadmatrix(const Matrix m) {
  KglContext *c = kgl_ctx;
  if (!c) return;
  if (c->open_object) return kgl_record_matrix(KGL_OBJ_LOADMATRIX, m);
  std::memcpy(top(c)->m, m, sizeof(KglMatrix));
  kgl_update_xform(c);
}

void multmatrix(const Matrix m) {
  KglMatrix t;
  std::memcpy(t.m, m, sizeof t);
  premultiply(t);
}

void getmatrix(Matrix m) {
  KglContext *c = kgl_ctx;
  if (!c) {
    std::memcpy(m, identity.m, sizeof(KglMatrix));
    return;
  }
  std::memcpy(m, top(c)->m, sizeof(KglMatrix));
}

void pushmatrix() {
  KglContext *c = kgl_ctx;
  if (!c) return;
  if (c->open_object) return kgl_record(KGL_OBJ_PUSHMATRIX);
  if (c->matrix_mode == KGL_MVIEWING) {
    if (c->viewing_top + 1 < KGL_STACK_DEPTH) {
      c->viewing[c->viewing_top + 1] = c->viewing[c->viewing_top];
      ++c->viewing_top;
    }
  } else if (c->matrix_mode == KGL_MSINGLE) {
    if (c->single_top + 1 < KGL_STACK_DEPTH) {
      c->single[c->single_top + 1] = c->single[c->single_top];
      ++c->single_top;
    }
  }
}

void popmatrix() {
  KglContext *c = kgl_ctx;
  if (!c) return;
  if (c->open_object) return kgl_record(KGL_OBJ_POPMATRIX);
  if (c->matrix_mode == KGL_MVIEWING && c->viewing_top > 0)
    --c->viewing_top;
  else if (c->matrix_mode == KGL_MSINGLE && c->single_top > 0)
    --c->single_top;
  kgl_update_xform(c);
}

void translate(float x, float y, float z) {
  KglMatrix t = identity;
  t.m[3][0] = x;
  t.m[3][1] = y;
  t.m[3][2] = z;
  premultiply(t);
}

void rot(float degrees, char axis) {
  const double a = degrees * (3.14159265358979323846 / 180.0);
  const float s = static_cast<float>(std::sin(a)), co = static_cast<float>(std::cos(a));
  KglMatrix r = identity;
  switch (axis) {
    case 'x': case 'X':
      r.m[1][1] = co; r.m[1][2] = s; r.m[2][1] = -s; r.m[2][2] = co;
      break;
    case 'y': case 'Y':
      r.m[0][0] = co; r.m[0][2] = -s; r.m[2][0] = s; r.m[2][2] = co;
      break;
    case 'z': case 'Z':
      r.m[0][0] = co; r.m[0][1] = s; r.m[1][0] = -s; r.m[1][1] = co;
      break;
    default:
      return;
  }
  premultiply(r);
}

void rotate(Int32 tenths, char axis) { rot(static_cast<float>(tenths) / 10.0f, axis); }

void scale(float x, float y, float z) {
  KglMatrix t = identity;
  t.m[0][0] = x;
  t.m[1][1] = y;
  t.m[2][2] = z;
  premultiply(t);
}

void ortho(float left, float right, float bottom, float top_, float znear, float zfar) {
  if (!kgl_ctx || left == right || bottom == top_ || znear == zfar) return;
  load_projection(kgl_ctx, ortho_matrix(left, right, bottom, top_, znear, zfar));
}

void ortho2(float left, float right, float bottom, float top_) {
  if (!kgl_ctx || left == right || bottom == top_) return;
  load_projection(kgl_ctx, ortho_matrix(left, right, bottom, top_, -1.0f, 1.0f));
}

void perspective(Int32 fovy_tenths, float aspect, float znear, float zfar) {
  if (!kgl_ctx || fovy_tenths <= 1 || fovy_tenths >= 1800 || aspect == 0.0f || znear == zfar) return;
  const double half = fovy_tenths * (3.14159265358979323846 / 3600.0);
  const float f = static_cast<float>(std::cos(half) / std::sin(half));
  KglMatrix p = {};
  p.m[0][0] = f / aspect;
  p.m[1][1] = f;
  p.m[2][2] = -(zfar + znear) / (zfar - znear);
  p.m[2][3] = -1.0f;
  p.m[3][2] = -2.0f * zfar * znear / (zfar - znear);
  load_projection(kgl_ctx, p);
}

void viewport(Int32 left, Int32 right, Int32 bottom, Int32 top_) {
  KglContext *c = kgl_ctx;
  if (!c || right < left || top_ < bottom) return;
  c->vp_l = left;
  c->vp_r = right;
  c->vp_b = bottom;
  c->vp_t = top_;
  c->sm_l = left;
  c->sm_r = right;
  c->sm_b = bottom;
  c->sm_t = top_;
  kgl_update_clip(c);
  kgl_update_line_map(c);
}

void getviewport(Int32 *left, Int32 *right, Int32 *bottom, Int32 *top_) {
  const KglContext *c = kgl_ctx;
  *left = c ? c->vp_l : 0;
  *right = c ? c->vp_r : 0;
  *bottom = c ? c->vp_b : 0;
  *top_ = c ? c->vp_t : 0;
}

// The mask is kept inside the viewport. Answers 0 when set, -1 when refused.
Int32 scrmask(Int32 left, Int32 right, Int32 bottom, Int32 top_) {
  KglContext *c = kgl_ctx;
  if (!c || right < left || top_ < bottom) return -1;
  c->sm_l = std::max(left, c->vp_l);
  c->sm_r = std::min(right, c->vp_r);
  c->sm_b = std::max(bottom, c->vp_b);
  c->sm_t = std::min(top_, c->vp_t);
  kgl_update_clip(c);
  return 0;
}

void getscrmask(Int32 *left, Int32 *right, Int32 *bottom, Int32 *top_) {
  const KglContext *c = kgl_ctx;
  *left = c ? c->sm_l : 0;
  *right = c ? c->sm_r : 0;
  *bottom = c ? c->sm_b : 0;
  *top_ = c ? c->sm_t : 0;
}

void getsize(Int32 *width, Int32 *height) {
  *width = kgl_ctx ? kgl_ctx->width : 0;
  *height = kgl_ctx ? kgl_ctx->height : 0;
}

// Lighting: the current normal, the material, light and lighting-model
// tables (shared by every context), binding them into a context, and the lit
// colour of a vertex, worked out in eye space.
#include "vertex3d.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <unordered_map>

namespace {

std::unordered_map<Int32, KglMaterial> materials;
std::unordered_map<Int32, KglLight> lights;
std::unordered_map<Int32, KglLightModel> models;

// Values each property code takes, for the kind it belongs to; 0 unknown.
int property_size(Int32 kind, Int32 code) {
  switch (kind) {
    case KGL_DEFMATERIAL:
      switch (code) {
        case KGL_AMBIENT: case KGL_DIFFUSE: case KGL_SPECULAR: case KGL_EMISSION: return 3;
        case KGL_SHININESS: case KGL_ALPHA: return 1;
        default: return 0;
      }
    case KGL_DEFLIGHT:
      switch (code) {
        case KGL_LCOLOR: case KGL_SPOTDIRECTION: return 3;
        case KGL_POSITION: return 4;
        case KGL_SPOTLIGHT: return 2;
        default: return 0;
      }
    case KGL_DEFLMODEL:
      switch (code) {
        case KGL_AMBIENT: return 3;
        case KGL_LOCALVIEWER: case KGL_ATTENUATION2: return 1;
        case KGL_ATTENUATION: return 2;
        default: return 0;
      }
    default:
      return 0;
  }
}

void take(float *dst, const float *src, int n) { std::copy(src, src + n, dst); }

void set_property(KglMaterial &m, Int32 code, const float *v) {
  switch (code) {
    case KGL_AMBIENT: take(m.ambient, v, 3); break;
    case KGL_DIFFUSE: take(m.diffuse, v, 3); break;
    case KGL_SPECULAR: take(m.specular, v, 3); break;
    case KGL_EMISSION: take(m.emission, v, 3); break;
    case KGL_SHININESS: m.shininess = v[0]; break;
    case KGL_ALPHA: m.alpha = v[0]; break;
    default: break;
  }
}

void set_property(KglLight &l, Int32 code, const float *v) {
  switch (code) {
    case KGL_LCOLOR: take(l.colour, v, 3); break;
    case KGL_POSITION: take(l.position, v, 4); break;
    case KGL_SPOTDIRECTION: take(l.spot_direction, v, 3); break;
    case KGL_SPOTLIGHT: l.spot_exponent = v[0], l.spot_cutoff = v[1]; break;
    default: break;
  }
}

void set_property(KglLightModel &m, Int32 code, const float *v) {
  switch (code) {
    case KGL_AMBIENT: take(m.ambient, v, 3); break;
    case KGL_LOCALVIEWER: m.local_viewer = v[0]; break;
    case KGL_ATTENUATION: m.k0 = v[0], m.k1 = v[1]; break;
    case KGL_ATTENUATION2: m.k2 = v[0]; break;
    default: break;
  }
}

// A definition from defaults and the list.
template <typename Def>
Def define(Int32 kind, Int32 count, const float *list) {
  Def d;
  Int32 i = 0;
  while (list && i < count) {
    const float code_value = list[i];
    if (!(code_value >= 0 && code_value < 1000)) break;
    const Int32 code = static_cast<Int32>(code_value);
    const int n = property_size(kind, code);
    if (code == KGL_LMNULL || n == 0 || n > count - i - 1) break;
    set_property(d, code, list + i + 1);
    i += 1 + n;
  }
  return d;
}

double length3(const double v[3]) { return std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]); }

void normalise(double v[3]) {
  const double l = length3(v);
  if (l > 0)
    for (int i = 0; i < 3; ++i) v[i] /= l;
}

const KglMatrix &viewing_of(const KglContext *c) { return c->viewing[c->viewing_top]; }

// v (a row vector of four, or of three with w 0) through the matrix.
void through(const KglMatrix &matrix, const double in[4], double out[4]) {
  const auto &m = matrix.m;
  for (int j = 0; j < 4; ++j) out[j] = in[0] * m[0][j] + in[1] * m[1][j] + in[2] * m[2][j] + in[3] * m[3][j];
}

void through_viewing(const KglContext *c, const double in[4], double out[4]) { through(viewing_of(c), in, out); }

void bind_light(KglContext *c, int slot, const KglLight &l) {
  KglEyeLight &e = c->s3d.light[slot];
  for (int i = 0; i < 3; ++i) e.colour[i] = l.colour[i];
  const double pos[4] = {l.position[0], l.position[1], l.position[2], l.position[3]};
  double eye[4];
  through_viewing(c, pos, eye);
  if (pos[3] == 0) {
    e.position[3] = 0;
    for (int i = 0; i < 3; ++i) e.position[i] = eye[i];
    normalise(e.position);
  } else {
    const double w = eye[3] != 0 ? eye[3] : 1.0;
    for (int i = 0; i < 3; ++i) e.position[i] = eye[i] / w;
    e.position[3] = 1;
  }
  const double dir[4] = {l.spot_direction[0], l.spot_direction[1], l.spot_direction[2], 0};
  double eye_dir[4];
  through_viewing(c, dir, eye_dir);
  for (int i = 0; i < 3; ++i) e.spot[i] = eye_dir[i];
  normalise(e.spot);
  e.spot_exponent = l.spot_exponent;
  e.spot_on = l.spot_cutoff >= 0 && l.spot_cutoff < 180;
  e.spot_cos = std::cos(static_cast<double>(l.spot_cutoff) * (3.14159265358979323846 / 180.0));
}

void pack_lights(KglState3D &s) {
  s.nlights = 0;
  for (int i = 0; i < KGL_LIGHTS; ++i)
    if (s.light_index[i]) s.active[s.nlights++] = i;
}

// The inverse transpose of the viewing matrix's upper 3 x 3 (the cofactors
// over the determinant; the cofactors alone when it is singular).
void update_normal_matrix(KglContext *c) {
  KglState3D &s = c->s3d;
  if (s.normal_serial == c->clip_serial) return;
  const auto &m = viewing_of(c).m;
  double cof[3][3];
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) {
      const int i1 = (i + 1) % 3, i2 = (i + 2) % 3, j1 = (j + 1) % 3, j2 = (j + 2) % 3;
      cof[i][j] = static_cast<double>(m[i1][j1]) * m[i2][j2] - static_cast<double>(m[i1][j2]) * m[i2][j1];
    }
  const double det = m[0][0] * cof[0][0] + m[0][1] * cof[0][1] + m[0][2] * cof[0][2];
  const double scale = det != 0 && std::isfinite(det) ? 1.0 / det : 1.0;
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) s.normal_matrix[i][j] = cof[i][j] * scale;
  s.normal_serial = c->clip_serial;
}

float unit(double v) { return v > 0 ? (v < 1 ? static_cast<float>(v) : 1.0f) : 0.0f; }   // NaN gives 0

}  // namespace

void n3f(const float normal[3]) {
  KglContext *c = kgl_ctx;
  if (!c) return;
  if (c->open_object) {
    kgl_record_xyz(KGL_OBJ_N3F, normal[0], normal[1], normal[2]);
    return;
  }
  // Element by element: a copy of three floats is not worth a call.
  float *n = c->s3d.normal;
  n[0] = normal[0], n[1] = normal[1], n[2] = normal[2];
}

void nmode(Int32 mode) {
  if (kgl_ctx) kgl_ctx->s3d.normal_mode = mode == 1 ? 1 : 0;
}

void lmdef(Int32 kind, Int32 index, Int32 count, const float *properties) {
  if (index <= 0) return;
  switch (kind) {
    case KGL_DEFMATERIAL: materials[index] = define<KglMaterial>(kind, count, properties); break;
    case KGL_DEFLIGHT: lights[index] = define<KglLight>(kind, count, properties); break;
    case KGL_DEFLMODEL: models[index] = define<KglLightModel>(kind, count, properties); break;
    default: return;
  }
  // A definition bound in the current context is bound again.
  KglContext *c = kgl_ctx;
  if (!c || c->open_object) return;
  KglState3D &s = c->s3d;
  if (kind == KGL_DEFMATERIAL && s.material_index == index) lmbind(KGL_MATERIAL, index);
  if (kind == KGL_DEFLMODEL && s.model_index == index) lmbind(KGL_LMODEL, index);
  if (kind == KGL_DEFLIGHT)
    for (int i = 0; i < KGL_LIGHTS; ++i)
      if (s.light_index[i] == index) lmbind(KGL_LIGHT0 + i, index);
}

void lmbind(Int32 target, Int32 index) {
  KglContext *c = kgl_ctx;
  if (!c) return;
  if (c->open_object) {
    kgl_record(KGL_OBJ_LMBIND, target, index);
    return;
  }
  // Vertices of the polygon being built are lit by what was bound when they came.
  kgl_light_pending();
  KglState3D &s = c->s3d;
  if (target == KGL_MATERIAL) {
    if (index == 0) {
      s.material_index = 0;
    } else {
      const auto it = materials.find(index);
      if (it == materials.end()) return;
      s.material = it->second;
      s.material_index = index;
    }
    kgl_update_path3d(c);
  } else if (target == KGL_LMODEL) {
    if (index == 0) {
      s.model_index = 0;
      s.model = KglLightModel{};
    } else {
      const auto it = models.find(index);
      if (it == models.end()) return;
      s.model = it->second;
      s.model_index = index;
    }
  } else if (target >= KGL_LIGHT0 && target < KGL_LIGHT0 + KGL_LIGHTS) {
    const int slot = target - KGL_LIGHT0;
    if (index == 0) {
      s.light_index[slot] = 0;
    } else {
      const auto it = lights.find(index);
      if (it == lights.end()) return;
      bind_light(c, slot, it->second);
      s.light_index[slot] = index;
    }
    pack_lights(s);
  }
}

bool kgl_lighting_on(const KglContext *c) {
  return c->s3d.material_index != 0 && c->matrix_mode == KGL_MVIEWING && c->rgb;
}

void kgl_eye_frame(KglContext *c, KglEyeFrame &f) {
  update_normal_matrix(c);
  f.ctx = c;
  f.serial = c->clip_serial;
  f.viewing = viewing_of(c);
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) f.normal_matrix[i][j] = c->s3d.normal_matrix[i][j];
  f.normal_mode = c->s3d.normal_mode;
}

bool kgl_eye_frame_changed(const KglContext *c, const KglEyeFrame &f) {
  return std::memcmp(&f.viewing, &viewing_of(c), sizeof f.viewing) != 0;
}

void kgl_eye_vertex(const KglEyeFrame &f, double x, double y, double z, const float normal[3], KglEyeVertex &e) {
  const double p[4] = {x, y, z, 1};
  double v[4];
  through(f.viewing, p, v);
  if (v[3] != 0 && v[3] != 1)
    for (int i = 0; i < 3; ++i) v[i] /= v[3];
  for (int i = 0; i < 3; ++i) e.v[i] = v[i];
  const auto &nm = f.normal_matrix;
  for (int j = 0; j < 3; ++j) e.n[j] = normal[0] * nm[0][j] + normal[1] * nm[1][j] + normal[2] * nm[2][j];
  if (f.normal_mode == 1) normalise(e.n);
}

void kgl_shade_vertex(const KglContext *c, const KglEyeVertex &e, float rgb[3]) {
  const KglState3D &s = c->s3d;
  const KglMaterial &mat = s.material;
  const KglLightModel &model = s.model;
  const double *const v = e.v, *const n = e.n;
  double eye[3] = {0, 0, 1};
  if (model.local_viewer != 0) {
    eye[0] = -v[0], eye[1] = -v[1], eye[2] = -v[2];
    normalise(eye);
  }

  double out[3];
  for (int i = 0; i < 3; ++i) out[i] = mat.emission[i] + static_cast<double>(mat.ambient[i]) * model.ambient[i];
  const bool specular = mat.specular[0] != 0 || mat.specular[1] != 0 || mat.specular[2] != 0;
  for (int k = 0; k < s.nlights; ++k) {
    const KglEyeLight &l = s.light[s.active[k]];
    double to[3], att = 1, spot = 1;
    if (l.position[3] == 0) {
      for (int i = 0; i < 3; ++i) to[i] = l.position[i];
    } else {
      for (int i = 0; i < 3; ++i) to[i] = l.position[i] - v[i];
      const double d = length3(to);
      if (d > 0)
        for (int i = 0; i < 3; ++i) to[i] /= d;
      const double denom = model.k0 + model.k1 * d + model.k2 * d * d;
      att = 1.0 / std::max(denom, 1e-20);
      if (l.spot_on) {
        const double cos_a = -(to[0] * l.spot[0] + to[1] * l.spot[1] + to[2] * l.spot[2]);
        spot = cos_a < l.spot_cos ? 0.0 : l.spot_exponent != 0 ? std::pow(std::max(cos_a, 0.0), l.spot_exponent) : 1.0;
      }
    }
    const double nl = n[0] * to[0] + n[1] * to[1] + n[2] * to[2];
    if (!(nl > 0) || spot == 0) continue;
    double shine = 0;
    if (specular) {
      double h[3] = {to[0] + eye[0], to[1] + eye[1], to[2] + eye[2]};
      normalise(h);
      const double nh = std::max(n[0] * h[0] + n[1] * h[1] + n[2] * h[2], 0.0);
      shine = std::pow(nh, static_cast<double>(mat.shininess));
    }
    const double f = att * spot;
    for (int i = 0; i < 3; ++i)
      out[i] += f * (static_cast<double>(mat.diffuse[i]) * l.colour[i] * nl +
                     static_cast<double>(mat.specular[i]) * l.colour[i] * shine);
  }
  for (int i = 0; i < 3; ++i) rgb[i] = unit(out[i]);
}

void kgl_light_vertex(KglContext *c, double x, double y, double z, float rgb[3]) {
  KglEyeFrame f;
  kgl_eye_frame(c, f);
  KglEyeVertex e;
  kgl_eye_vertex(f, x, y, z, c->s3d.normal, e);
  kgl_shade_vertex(c, e, rgb);
}

// The vector and matrix library (see vecmath.h).
#include "render3d/vecmath.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <vector>

namespace {

constexpr double kTolerance = 1e-05;
constexpr double kRadians = 0.017453292519943295;

void identity(Matrix m) {
  std::memset(m, 0, sizeof(Matrix));
  for (int i = 0; i < 4; ++i) m[i][i] = 1.0f;
}

void sine_cosine(float degrees, float &s, float &c) {
  const double a = degrees * kRadians;
  s = static_cast<float>(std::sin(a));
  c = static_cast<float>(std::cos(a));
}

}  // namespace

// ---- vectors ------------------------------------------------------------------

Vector *vnew() { return new Vector; }

Vector *vclone(const Vector &v) {
  Vector *c = vnew();
  *c = v;
  return c;
}

void vcopy(const Vector &v, Vector &out) { out = v; }
void vcopy4(const Vector4 &v, Vector4 &out) { out = v; }
void vset(Vector &v, float x, float y, float z) { v = {x, y, z}; }
void vzero(Vector &v) { v = {0, 0, 0}; }
void vunit_x(Vector &v) { v = {1, 0, 0}; }
void vunit_y(Vector &v) { v = {0, 1, 0}; }
void vunit_z(Vector &v) { v = {0, 0, 1}; }
void vnegate(const Vector &v, Vector &out) { out = {-v.x, -v.y, -v.z}; }

void vscale(Vector &v, float s) {
  v.x *= s;
  v.y *= s;
  v.z *= s;
}

float vlength(const Vector &v) { return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z); }

void vnormal(Vector &v) { vscale(v, 1.0f / vlength(v)); }

void vdirection(const Vector &v, Vector &out) {
  out = v;
  vnormal(out);
}

void vadd(const Vector &a, const Vector &b, Vector &out) { out = {a.x + b.x, a.y + b.y, a.z + b.z}; }
void vsub(const Vector &a, const Vector &b, Vector &out) { out = {a.x - b.x, a.y - b.y, a.z - b.z}; }
void vmult(const Vector &a, const Vector &b, Vector &out) { out = {a.x * b.x, a.y * b.y, a.z * b.z}; }
float vdot(const Vector &a, const Vector &b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

void vcross(const Vector &a, const Vector &b, Vector &out) {
  const Vector t = {a.y * b.z - b.y * a.z, a.z * b.x - b.z * a.x, a.x * b.y - b.x * a.y};
  out = t;
}

int vcompare(const Vector &a, const Vector &b) {
  return std::fabs(a.x - b.x) < kTolerance && std::fabs(a.y - b.y) < kTolerance && std::fabs(a.z - b.z) < kTolerance
             ? 1
             : 0;
}

void vhalf(const Vector &a, const Vector &b, Vector &out) {
  Vector t;
  vadd(a, b, t);
  if (vlength(t) > kTolerance) {
    vnormal(t);
    out = t;
  } else {
    out = a;
  }
}

void vreflect(const Vector &v, const Vector &n, Vector &out) {
  const float k = 2.0f * vdot(n, v);
  out = {k * n.x - v.x, k * n.y - v.y, k * n.z - v.z};
}

int vintersect(const Vector &p, const Vector &d, const Vector4 &plane, Vector &out, float *t) {
  const Vector normal = {plane.x, plane.y, plane.z};
  const float denom = vdot(d, normal);
  if (std::fabs(denom) < kTolerance) return 0;
  const float s = (plane.w - vdot(p, normal)) / denom;
  *t = s;
  out = {p.x + s * d.x, p.y + s * d.y, p.z + s * d.z};
  return 1;
}

void vreflection(const Vector &p, const Vector4 &plane, Vector &out) {
  const Vector normal = {plane.x, plane.y, plane.z};
  Vector on;
  float t;
  if (!vintersect(p, normal, plane, on, &t)) {
    vnegate(p, out);
    return;
  }
  out = {p.x + 2.0f * t * normal.x, p.y + 2.0f * t * normal.y, p.z + 2.0f * t * normal.z};
}

void vplane_eqn(const Vector &p0, const Vector &p1, const Vector &p2, Vector4 &out) {
  Vector a, b, n;
  vsub(p1, p0, a);
  vsub(p2, p1, b);
  vcross(a, b, n);
  out = {n.x, n.y, n.z, vdot(n, p0)};
}

void vtransform(const Vector &v, const Matrix m, Vector &out) {
  Vector4 t;
  vtransform4(v, m, t);
  out = {t.x, t.y, t.z};
}

void vtransform4(const Vector &v, const Matrix m, Vector4 &out) {
  float r[4];
  for (int j = 0; j < 4; ++j) r[j] = v.x * m[0][j] + v.y * m[1][j] + v.z * m[2][j] + m[3][j];
  out = {r[0], r[1], r[2], r[3]};
}

void vprint(const Vector &v) { std::printf("x: %f y: %f z: %f\n", v.x, v.y, v.z); }
void vprint4(const Vector4 &v) { std::printf("x: %f y: %f z: %f w: %f\n", v.x, v.y, v.z, v.w); }

// ---- matrices -----------------------------------------------------------------

void midentity(Matrix m) { identity(m); }
void mcopy(const Matrix src, Matrix dst) { std::memmove(dst, src, sizeof(Matrix)); }
void mcopy3(const Matrix3 src, Matrix3 dst) { std::memmove(dst, src, sizeof(Matrix3)); }

void mtranspose(const Matrix m, Matrix out) {
  Matrix t;
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) t[j][i] = m[i][j];
  mcopy(t, out);
}

void vmultmatrix(const Matrix a, const Matrix b, Matrix out) {
  Matrix t;
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) t[i][j] = a[i][0] * b[0][j] + a[i][1] * b[1][j] + a[i][2] * b[2][j] + a[i][3] * b[3][j];
  mcopy(t, out);
}

void mmultiply(Matrix m, float s) {
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) m[i][j] *= s;
}

void msubmatrix(int row, int col, const Matrix m, Matrix3 out) {
  for (int i = 0, oi = 0; i < 4; ++i) {
    if (i == row) continue;
    for (int j = 0, oj = 0; j < 4; ++j) {
      if (j == col) continue;
      out[oi][oj++] = m[i][j];
    }
    ++oi;
  }
}

float mdeterminant3(const Matrix3 m) {
  return m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) - m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
         m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
}

float mdeterminant(const Matrix m) {
  float d = 0;
  for (int j = 0; j < 4; ++j) {
    Matrix3 minor;
    msubmatrix(0, j, m, minor);
    const float term = m[0][j] * mdeterminant3(minor);
    d = (j & 1) ? d - term : d + term;
  }
  return d;
}

void mcofactor(const Matrix m, Matrix out) {
  Matrix t;
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) {
      Matrix3 minor;
      msubmatrix(i, j, m, minor);
      const float d = mdeterminant3(minor);
      t[i][j] = ((i + j) & 1) ? -d : d;
    }
  mcopy(t, out);
}

void madjoint(const Matrix m, Matrix out) {
  Matrix t;
  mcofactor(m, t);
  mtranspose(t, out);
}

void madjoint3(const Matrix3 m, Matrix3 out) {
  Matrix3 t;
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) {
      const int i1 = (i + 1) % 3, i2 = (i + 2) % 3, j1 = (j + 1) % 3, j2 = (j + 2) % 3;
      t[j][i] = m[i1][j1] * m[i2][j2] - m[i2][j1] * m[i1][j2];
    }
  mcopy3(t, out);
}

void mtranslate(float x, float y, float z, Matrix m) {
  identity(m);
  m[3][0] = x;
  m[3][1] = y;
  m[3][2] = z;
}

void mscale(float x, float y, float z, Matrix m) {
  identity(m);
  m[0][0] = x;
  m[1][1] = y;
  m[2][2] = z;
}

void mrotate_x(float degrees, Matrix m) {
  float s, c;
  sine_cosine(degrees, s, c);
  identity(m);
  m[1][1] = c;
  m[1][2] = s;
  m[2][1] = -s;
  m[2][2] = c;
}

void mrotate_y(float degrees, Matrix m) {
  float s, c;
  sine_cosine(degrees, s, c);
  identity(m);
  m[0][0] = c;
  m[0][2] = -s;
  m[2][0] = s;
  m[2][2] = c;
}

void mrotate_z(float degrees, Matrix m) {
  float s, c;
  sine_cosine(degrees, s, c);
  identity(m);
  m[0][0] = c;
  m[0][1] = s;
  m[1][0] = -s;
  m[1][1] = c;
}

void mucs2mat(Matrix m, const Vector &xaxis, const Vector &yaxis, const Vector &zaxis, const Vector &origin) {
  identity(m);
  const float xs[3] = {xaxis.x, xaxis.y, xaxis.z}, ys[3] = {yaxis.x, yaxis.y, yaxis.z};
  const float zs[3] = {zaxis.x, zaxis.y, zaxis.z}, os[3] = {origin.x, origin.y, origin.z};
  for (int i = 0; i < 3; ++i) {
    m[i][0] = xs[i];
    m[i][1] = ys[i];
    m[i][2] = zs[i];
    m[i][3] = os[i];
  }
}

void marbaxis(Vector &out, const Vector &n) {
  constexpr float kNear = 0.015625f;   // 1/64
  Vector axis;
  if (std::fabs(n.x) < kNear && std::fabs(n.y) < kNear)
    vunit_y(axis);
  else
    vunit_z(axis);
  vcross(axis, n, out);
  vnormal(out);
}

void mucs2wcs(Matrix m, const Vector &n) {
  if (n.x == 0 && n.y == 0 && n.z > 0) {
    identity(m);
    return;
  }
  Vector x, y, z, origin;
  vdirection(n, z);
  marbaxis(x, z);
  vcross(z, x, y);
  vnormal(y);
  vzero(origin);
  mucs2mat(m, x, y, z, origin);
}

void mupat(const Vector &eye, const Vector &at, const Vector &up) {
  Vector f, s, u;
  vsub(at, eye, f);
  vnormal(f);
  vcross(f, up, s);
  vnormal(s);
  vcross(s, f, u);
  const Matrix look = {{s.x, u.x, -f.x, 0}, {s.y, u.y, -f.y, 0}, {s.z, u.z, -f.z, 0}, {0, 0, 0, 1}};
  multmatrix(look);
  translate(-eye.x, -eye.y, -eye.z);
}

void vgetmatrix(Matrix m) {
  const Int32 mode = getmmode();
  if (mode == KGL_MSINGLE) {
    getmatrix(m);
    return;
  }
  Matrix projection, viewing;
  mmode(KGL_MPROJECTION);
  getmatrix(projection);
  mmode(KGL_MVIEWING);
  getmatrix(viewing);
  pushmatrix();
  loadmatrix(projection);
  multmatrix(viewing);
  getmatrix(m);
  popmatrix();
  mmode(static_cast<Int16>(mode));
}

void minvert(const Matrix m, Matrix out) {
  identity(out);
  double a[4][8];
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) {
      a[i][j] = m[i][j];
      a[i][4 + j] = out[i][j];
    }
  for (int i = 0; i < 4; ++i) {
    int j = i;
    while (j < 4 && a[j][i] == 0.0) ++j;
    if (j == 4) {
      std::fputs("error: cannot do inverse matrix\n", stderr);
      std::exit(2);
    }
    if (j != i)
      for (int c = 0; c < 8; ++c) std::swap(a[i][c], a[j][c]);
    // The pivot itself is divided last.
    for (int c = 7; c >= i; --c) a[i][c] /= a[i][i];
    for (int r = 0; r < 4; ++r) {
      if (r == i) continue;
      for (int c = 7; c >= i; --c) a[r][c] -= a[r][i] * a[i][c];
    }
  }
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) out[i][j] = static_cast<float>(a[i][4 + j]);
}

void mprint3(const Matrix3 m) {
  std::printf("m =\t[ %g, %g, %g]\n\t[ %g, %g, %g]\n\t[ %g, %g, %g]\n", m[0][0], m[0][1], m[0][2], m[1][0], m[1][1],
              m[1][2], m[2][0], m[2][1], m[2][2]);
}

void mprint(const Matrix m) {
  std::printf("m =\t[ %g, %g, %g, %g]\n\t[ %g, %g, %g, %g]\n\t[ %g, %g, %g, %g]\n\t[ %g, %g, %g, %g]\n", m[0][0],
              m[0][1], m[0][2], m[0][3], m[1][0], m[1][1], m[1][2], m[1][3], m[2][0], m[2][1], m[2][2], m[2][3],
              m[3][0], m[3][1], m[3][2], m[3][3]);
}

void linsolve(float *const *rows, int n, float *x) {
  if (n <= 0) return;
  const std::size_t width = static_cast<std::size_t>(n) + 1;
  std::vector<float> copies(static_cast<std::size_t>(n) * width);
  std::vector<float *> row(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) {
    row[i] = copies.data() + static_cast<std::size_t>(i) * width;
    std::memcpy(row[i], rows[i], width * sizeof(float));
  }
  const auto no_unique = [](const char *message) {
    std::fputs(message, stdout);
    std::exit(1);
  };
  for (int i = 0; i + 1 < n; ++i) {
    int j = i;
    while (j < n && row[j][i] == 0.0f) ++j;
    if (j == n) no_unique("linsolv:  No unique solution exists.\n");
    std::swap(row[i], row[j]);
    for (int r = i + 1; r < n; ++r) {
      const float k = row[r][i] / row[i][i];
      for (int c = i + 1; c <= n; ++c) row[r][c] -= k * row[i][c];
    }
  }
  // One equation gets the same test as the last of many.
  if (row[n - 1][n - 1] == 0.0f) no_unique("linsolv: No unique solution exists.\n");
  x[n - 1] = row[n - 1][n] / row[n - 1][n - 1];
  for (int i = n - 2; i >= 0; --i) {
    float sum = 0;
    for (int c = i + 1; c < n; ++c) sum += row[i][c] * x[c];
    x[i] = (row[i][n] - sum) / row[i][i];
  }
}

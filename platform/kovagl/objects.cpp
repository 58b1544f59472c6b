// Display objects: the table of defined objects shared by every context. An
// object is compiled between makeobj and closeobj into its list of recorded
// calls (objects.h names them); callobj carries them out again in order.
#include "objects.h"

#include "vertex3d.h"

#include <algorithm>
#include <map>
#include <vector>

namespace {

struct Command {
  KglObjOp op;
  Int32 a, b;
  double v[3];
};

struct KglObject {
  std::vector<Command> commands;
  std::vector<KglMatrix> matrices;
};

std::map<Int32, KglObject> objects;

constexpr int KGL_MAX_CALL_DEPTH = 32;

KglObject *open_object() {
  const auto it = objects.find(kgl_ctx->open_object);
  return it == objects.end() ? nullptr : &it->second;
}

void add(const Command &cmd) {
  if (KglObject *o = open_object()) o->commands.push_back(cmd);
}

void begin(int kind) {
  switch (kind) {
    case KGL_PRIM_POINT: bgnpoint(); break;
    case KGL_PRIM_LINE: bgnline(); break;
    case KGL_PRIM_CLOSEDLINE: bgnclosedline(); break;
    case KGL_PRIM_POLYGON: bgnpolygon(); break;
    default: break;
  }
}

void end(int kind) {
  switch (kind) {
    case KGL_PRIM_POINT: endpoint(); break;
    case KGL_PRIM_LINE: endline(); break;
    case KGL_PRIM_CLOSEDLINE: endclosedline(); break;
    case KGL_PRIM_POLYGON: endpolygon(); break;
    default: break;
  }
}

void replay(const KglObject &o) {
  for (const Command &cmd : o.commands) {
    const float f[3] = {static_cast<float>(cmd.v[0]), static_cast<float>(cmd.v[1]), static_cast<float>(cmd.v[2])};
    switch (cmd.op) {
      case KGL_OBJ_BGN: begin(cmd.a); break;
      case KGL_OBJ_END: end(cmd.a); break;
      case KGL_OBJ_VERTEX: kgl_vertex(cmd.v[0], cmd.v[1], cmd.v[2]); break;
      case KGL_OBJ_C3F: c3f(f); break;
      case KGL_OBJ_CPACK: cpack(static_cast<Uint32>(cmd.a)); break;
      case KGL_OBJ_COLOR: color(static_cast<Uint16>(cmd.a)); break;
      case KGL_OBJ_N3F: n3f(f); break;
      case KGL_OBJ_LMBIND: lmbind(cmd.a, cmd.b); break;
      case KGL_OBJ_CALLOBJ: callobj(cmd.a); break;
      case KGL_OBJ_LOADMATRIX: loadmatrix(o.matrices[static_cast<std::size_t>(cmd.a)].m); break;
      case KGL_OBJ_MULTMATRIX: multmatrix(o.matrices[static_cast<std::size_t>(cmd.a)].m); break;
      case KGL_OBJ_PUSHMATRIX: pushmatrix(); break;
      case KGL_OBJ_POPMATRIX: popmatrix(); break;
    }
  }
}

}  // namespace

void kgl_record(KglObjOp op, Int32 a, Int32 b) { add({op, a, b, {0, 0, 0}}); }

void kgl_record_primitive(int kind, bool begin) { add({begin ? KGL_OBJ_BGN : KGL_OBJ_END, kind, 0, {0, 0, 0}}); }

void kgl_record_xyz(KglObjOp op, double x, double y, double z) { add({op, 0, 0, {x, y, z}}); }

void kgl_record_matrix(KglObjOp op, const float m[4][4]) {
  KglObject *o = open_object();
  if (!o) return;
  KglMatrix copy;
  std::copy(&m[0][0], &m[0][0] + 16, &copy.m[0][0]);
  o->matrices.push_back(copy);
  o->commands.push_back({op, static_cast<Int32>(o->matrices.size() - 1), 0, {0, 0, 0}});
}

Int32 genobj() {
  Int32 id = 1;
  for (const auto &entry : objects) {   // in ascending order
    if (entry.first > id) break;
    if (entry.first == id) ++id;
  }
  return id;
}

void makeobj(Int32 object) {
  KglContext *c = kgl_ctx;
  if (!c || object <= 0) return;
  KglObject &o = objects[object];
  o.commands.clear();
  o.matrices.clear();
  c->open_object = object;
  kgl_update_path3d(c);
}

void closeobj() {
  if (!kgl_ctx) return;
  kgl_ctx->open_object = 0;
  kgl_update_path3d(kgl_ctx);
}

void callobj(Int32 object) {
  KglContext *c = kgl_ctx;
  if (!c) return;
  if (c->open_object) {
    kgl_record(KGL_OBJ_CALLOBJ, object);
    return;
  }
  const auto it = objects.find(object);
  if (it == objects.end() || c->s3d.call_depth >= KGL_MAX_CALL_DEPTH) return;
  ++c->s3d.call_depth;
  replay(it->second);
  --c->s3d.call_depth;
}

Int32 isobj(Int32 object) { return object > 0 && objects.count(object) ? 1 : 0; }

// Deleting the object being compiled ends its compilation.
void delobj(Int32 object) {
  const auto it = objects.find(object);
  if (it == objects.end()) return;
  if (kgl_ctx && kgl_ctx->open_object == object) closeobj();
  objects.erase(it);
}

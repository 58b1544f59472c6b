// Display objects: the calls recorded between makeobj and closeobj. The calls
// that may be recorded ask kgl_recording() first and, when it is true, hand
// themselves to a recorder below instead of acting.
#pragma once

#include "context.h"

enum KglObjOp : int {
  KGL_OBJ_BGN,          // a = primitive kind
  KGL_OBJ_END,          // a = primitive kind
  KGL_OBJ_VERTEX,       // x y z
  KGL_OBJ_C3F,          // r g b
  KGL_OBJ_CPACK,        // a
  KGL_OBJ_COLOR,        // a
  KGL_OBJ_N3F,          // x y z
  KGL_OBJ_LMBIND,       // a = target, b = index
  KGL_OBJ_CALLOBJ,      // a
  KGL_OBJ_LOADMATRIX,   // a = the matrix's place among the object's matrices
  KGL_OBJ_MULTMATRIX,   // likewise
  KGL_OBJ_PUSHMATRIX,
  KGL_OBJ_POPMATRIX,
};

inline bool kgl_recording() { return kgl_ctx && kgl_ctx->open_object != 0; }
void kgl_record(KglObjOp op, Int32 a = 0, Int32 b = 0);
void kgl_record_primitive(int kind, bool begin);
void kgl_record_xyz(KglObjOp op, double x, double y, double z);
void kgl_record_matrix(KglObjOp op, const float m[4][4]);

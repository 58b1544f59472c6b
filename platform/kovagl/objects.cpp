// Display objects: the table of defined objects shared by every context. An
// object is compiled between makeobj and closeobj into its command list; the
// list and the calls that fill and replay it come with the 3D segments.
#include "context.h"

#include <algorithm>
#include <vector>

struct KglObject {
  Int32 id;
};

namespace {
std::vector<KglObject> objects;

std::vector<KglObject>::iterator find_object(Int32 id) {
  return std::find_if(objects.begin(), objects.end(), [id](const KglObject &o) { return o.id == id; });
}
}  // namespace

void closeobj() {
  if (kgl_ctx) kgl_ctx->open_object = 0;
}

Int32 isobj(Int32 object) { return object != 0 && find_object(object) != objects.end() ? 1 : 0; }

// Deleting the object being compiled ends its compilation.
void delobj(Int32 object) {
  auto it = find_object(object);
  if (it == objects.end()) return;
  if (kgl_ctx && kgl_ctx->open_object == object) kgl_ctx->open_object = 0;
  objects.erase(it);
}

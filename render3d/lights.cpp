// Lights, materials and the colour of new faces.
//
// A colour given by index is the client's loaded colour (RenderMap, 0..255)
// over 255; an index outside the map counts as white, as any other colour
// kind does.
#include "render3d/lights.h"

#include <algorithm>
#include <cmath>

#include "base/build.h"
#include "base/packet.h"
#include "base/utilities.h"
#include "kovagl/gl.h"
#include "render3d/rendering.h"
#include "render3d/segments.h"

namespace {

constexpr LightSlot free_slot(int row) {
  return {0, -1, 0, row < kModelSlot ? KGL_LIGHT0 + row : KGL_LMODEL};
}

}  // namespace

LightSlot light_slots[kLightSlots] = {free_slot(0), free_slot(1), free_slot(2), free_slot(3), free_slot(4),
                                      free_slot(5), free_slot(6), free_slot(7), free_slot(8)};
float LightModel[kLightModelValues] = {KGL_AMBIENT, 0, 0, 0, KGL_ATTENUATION, 1, 0, KGL_ATTENUATION2, 0,
                                       KGL_LOCALVIEWER, 1, KGL_LMNULL};
int MatlIndex;
float cur_color[3] = {1, 1, 1};

namespace {

// Where the lighting model's values sit in LightModel.
enum { kModelAmbient = 1, kModelK0 = 5, kModelK1 = 6, kModelK2 = 8 };

// A value of the packet; one that is not finite as a float counts as 0.
float value_at(const Packet &p, std::size_t off) {
  const float v = static_cast<float>(p.f64(off));
  return std::isfinite(v) ? v : 0.0f;
}

// The absolute value, at most 1.
float unit_abs(float v) { return std::min(std::fabs(v), 1.0f); }

// A colour of the packet: kind 0 the three values at off, kind 1 the loaded
// colour of the index at off, any other kind white. abs takes the absolute
// values of given ones.
void colour_at(const Packet &p, int kind, std::size_t off, bool abs, float out[3]) {
  if (kind == 0) {
    for (int i = 0; i < 3; ++i) {
      out[i] = value_at(p, off + 8 * static_cast<std::size_t>(i));
      if (abs) out[i] = std::fabs(out[i]);
    }
    return;
  }
  const std::int32_t index = p.i32(off);
  if (kind == 1 && index >= 0 && index < 256) {
    for (int i = 0; i < 3; ++i) out[i] = RenderMap[index][i] / 255.0f;
    return;
  }
  out[0] = out[1] = out[2] = 1.0f;
}

// Runs the body in matrix mode 2, the mode before restored after it.
template <typename Body>
void in_viewing_mode(Body body) {
  const Int32 mode = getmmode();
  mmode(KGL_MVIEWING);
  body();
  mmode(static_cast<Int16>(mode));
}

void bind_model() {
  lmdef(KGL_DEFLMODEL, kLightDefinition + kModelSlot, kLightModelValues, LightModel);
  lmbind(KGL_LMODEL, kLightDefinition + kModelSlot);
}

}  // namespace

int ChooseLightSlot(int id, int kind) {
  if (id >= kModelSlot) return -1;
  if (kind == 0) {
    light_slots[kModelSlot] = {1, id, 0, KGL_LMODEL};
    return kModelSlot;
  }
  int start = 0;
  while (start < kModelSlot && light_slots[start].id != id) ++start;
  if (start == kModelSlot) start = 0;
  for (int row = start; row < kModelSlot; ++row) {
    if (light_slots[row].used) continue;
    light_slots[row].used = 1;
    light_slots[row].id = id;
    light_slots[row].kind = kind;
    return row;
  }
  return -1;
}

// Intensity scales the colour of a directional light; a point or spot light
// divides its attenuation by it instead, and sets the lighting model's
// attenuation. The colour given to an ambient light is not used.
int plight(Packet &p) {
  const int id = p.i16(4), kind = p.i16(6);
  const float intensity = value_at(p, 80);
  if (id < 0 || id > 7 || std::fabs(intensity) < 0.00001f) return 0;
  if (kind < 0 || kind > 3) return 0;   // a kind of light that does not exist takes no slot
  const int row = ChooseLightSlot(id, kind);
  if (row < 0) return 0;

  float rgb[3], att[3], position[3], direction[3];
  colour_at(p, p.i16(88), 96, true, rgb);
  for (int i = 0; i < 3; ++i) {
    const std::size_t k = 8 * static_cast<std::size_t>(i);
    att[i] = std::fabs(value_at(p, 120 + k));
    position[i] = value_at(p, 8 + k);
    direction[i] = -value_at(p, 32 + k);
  }
  const Int32 definition = kLightDefinition + row, target = light_slots[row].target;
  in_viewing_mode([&] {
    switch (kind) {
      case 0:
        LightModel[kModelAmbient] = LightModel[kModelAmbient + 1] = LightModel[kModelAmbient + 2] = intensity;
        lmdef(KGL_DEFLMODEL, definition, kLightModelValues, LightModel);
        lmbind(target, definition);
        return;
      case 1: {
        const float list[10] = {KGL_LCOLOR, rgb[0] * intensity, rgb[1] * intensity, rgb[2] * intensity,
                                KGL_POSITION, direction[0], direction[1], direction[2], 0.0f,
                                KGL_LMNULL};
        lmdef(KGL_DEFLIGHT, definition, 10, list);
        lmbind(target, definition);
        return;
      }
      case 2: {
        const float list[10] = {KGL_LCOLOR, rgb[0], rgb[1], rgb[2],
                                KGL_POSITION, position[0], position[1], position[2], 1.0f,
                                KGL_LMNULL};
        lmdef(KGL_DEFLIGHT, definition, 10, list);
        lmbind(target, definition);
        break;
      }
      default: {
        const float concentration = unit_abs(value_at(p, 72)) * 128.0f;
        const float cone = std::min(std::fabs(value_at(p, 56)), 90.0f);
        const float list[17] = {KGL_LCOLOR, rgb[0], rgb[1], rgb[2],
                                KGL_POSITION, position[0], position[1], position[2], 1.0f,
                                KGL_SPOTDIRECTION, direction[0], direction[1], direction[2],
                                KGL_SPOTLIGHT, concentration, cone,
                                KGL_LMNULL};
        lmdef(KGL_DEFLIGHT, definition, 17, list);
        lmbind(target, definition);
        break;
      }
    }
    LightModel[kModelK0] = att[0] / intensity;
    LightModel[kModelK1] = att[1] / intensity;
    LightModel[kModelK2] = att[2] / intensity;
    bind_model();
  });
  return 0;
}

int pdlight(Packet &p) {
  const int id = p.i16(4);
  if (id < 0 || id > 7) return 0;
  in_viewing_mode([&] {
    for (LightSlot &s : light_slots) {
      if (s.id != id) continue;
      s.used = 0;
      s.id = -1;
      s.kind = 0;
      lmbind(s.target, 0);
    }
  });
  return 0;
}

void RebindLights() {
  in_viewing_mode([] {
    nmode(1);
    for (int row = 0; row < kLightSlots; ++row)
      if (light_slots[row].used) lmbind(light_slots[row].target, kLightDefinition + row);
  });
}

// The ambient light's slot is freed with the others: kept, its definition
// would come back at the next RebindLights with the ambient of the last
// drawing.
void ResetLights() {
  in_viewing_mode([] {
    for (LightSlot &s : light_slots) {
      if (s.used) lmbind(s.target, 0);
      s.used = 0;
      s.id = -1;
      s.kind = 0;
    }
    LightModel[kModelAmbient] = LightModel[kModelAmbient + 1] = LightModel[kModelAmbient + 2] = 0.0f;
    LightModel[kModelK0] = 1.0f;
    LightModel[kModelK1] = 0.0f;
    LightModel[kModelK2] = 0.0f;
    lmbind(KGL_LMODEL, 0);
  });
}

void ResetMaterials() { MatlIndex = 0; }

int psetcolor(Packet &p) {
  colour_at(p, p.i16(8), 16, false, cur_color);
  return 0;
}

// Defines the next material: ambient, diffuse and specular factors (absolute,
// at most 1) times their colours, shininess (absolute, at most 1) as an
// exponent 0..128, and transparency as 1 - alpha. Byte 144 says whether the
// numbers ran out; the packet is not answered.
//
// The second program takes no material while a segment is open, redefines
// material 1 for a direct client (application id 0) each time, and takes the
// shininess as the exponent itself (absolute, at most 128).
int psetmatl(Packet &p) {
  if constexpr (kSecondBuild) {
    if (seg_is_open) return 0;
  }
  if (MatlIndex >= kMaterialLimit) {
    p.put_u16(144, 1);
    return 0;
  }
  float shininess = value_at(p, 32);
  if constexpr (kSecondBuild) {
    MatlIndex = WhoIsCalling->app_id == 0 ? 1 : MatlIndex + 1;
    shininess = std::min(std::fabs(shininess), 128.0f);
  } else {
    ++MatlIndex;
    // Held to 0..1 as the factors are: a negative exponent would make a
    // highlight of infinite brightness where the normal turns away.
    shininess = std::floor(unit_abs(shininess) * 128.0f);
  }
  float ambient[3], diffuse[3], specular[3];
  colour_at(p, p.i16(80), 88, false, ambient);
  colour_at(p, p.i16(112), 120, false, diffuse);
  colour_at(p, p.i16(48), 56, false, specular);
  const float fa = unit_abs(value_at(p, 8)), fd = unit_abs(value_at(p, 16)), fs = unit_abs(value_at(p, 24));
  const float list[17] = {KGL_AMBIENT, fa * ambient[0], fa * ambient[1], fa * ambient[2],
                          KGL_DIFFUSE, fd * diffuse[0], fd * diffuse[1], fd * diffuse[2],
                          KGL_SPECULAR, fs * specular[0], fs * specular[1], fs * specular[2],
                          KGL_SHININESS, shininess,
                          KGL_ALPHA, 1.0f - unit_abs(value_at(p, 40)),
                          KGL_LMNULL};
  lmdef(KGL_DEFMATERIAL, MatlIndex, 17, list);
  p.put_u16(144, 0);
  return 0;
}

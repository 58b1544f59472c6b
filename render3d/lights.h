// Lights, materials and the colour of new faces: the display client's light
// packets define lights in the graphics library's lighting model, one light
// slot each, its material packets define numbered materials, and its colour
// packet sets the colour the next faces take.
#pragma once

class Packet;

// A light slot: rows 0 to 7 are the library's lights 1100 to 1107, row 8 its
// lighting model 1200. Row r is defined and bound as 0x4000 + r.
struct LightSlot {
  int used;
  int id;      // the client's light id, -1 free
  int kind;    // 0 ambient, 1 directional, 2 point, 3 spot
  int target;  // the library's binding target
};
inline constexpr int kLightSlots = 9;
inline constexpr int kModelSlot = 8;
inline constexpr int kLightDefinition = 0x4000;
extern LightSlot light_slots[kLightSlots];
// The lighting model as defined: ambient (2) r g b, attenuation (202) k0 k1,
// second attenuation (203) k2, local viewer (201) 1, end.
inline constexpr int kLightModelValues = 12;
extern float LightModel[kLightModelValues];

// Materials are numbered 1 to kMaterialLimit; MatlIndex is the last one
// defined, 0 after ResetMaterials.
inline constexpr int kMaterialLimit = 16384;
extern int MatlIndex;
extern float cur_color[3];  // the colour of new faces

// The slot a light of this id and kind takes (marked used), -1 for none: an
// ambient light takes row 8; another the first free row from the first row
// already holding the id (from row 0 when none does).
int ChooseLightSlot(int id, int kind);

// Binds every used light slot again (matrix mode 2, normals normalised).
void RebindLights();
// Frees every light slot and unbinds the lighting model.
void ResetLights();
void ResetMaterials();

int plight(Packet &p);
int pdlight(Packet &p);
int psetcolor(Packet &p);
int psetmatl(Packet &p);

// Lights and materials.
#pragma once

class Packet;

extern int MatlIndex;
extern float cur_color[3];  // the colour of new faces

// Binds every used light slot again (matrix mode 2, normals normalised).
void RebindLights();

void ResetLights();
void ResetMaterials();

int plight(Packet &p);
int pdlight(Packet &p);
int psetcolor(Packet &p);
int psetmatl(Packet &p);
int pmodel(Packet &p);

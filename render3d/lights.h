// Lights and materials.
#pragma once

class Packet;

extern int MatlIndex;

void ResetLights();
void ResetMaterials();

int plight(Packet &p);
int pdlight(Packet &p);
int psetcolor(Packet &p);
int psetmatl(Packet &p);
int pmodel(Packet &p);

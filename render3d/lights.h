// Lights and materials.
#pragma once

extern int MatlIndex;

void ResetLights();
void ResetMaterials();

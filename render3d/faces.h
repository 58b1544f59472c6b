// The face display list.
#pragma once

void Free_FACE_List();

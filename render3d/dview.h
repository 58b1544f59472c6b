// Interactive DVIEW.
#pragma once

void reset_dview();

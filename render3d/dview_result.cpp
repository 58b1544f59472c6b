// The DVIEW result: "gl_dview.lsp" saves four of the client's settings,
// runs the step's command with angles in degrees and world coordinates, and
// puts the settings back.
#include "render3d/dview_result.h"

#include <cerrno>

#include "base/files.h"
#include "base/packet.h"
#include "base/session.h"
#include "display/cursor.h"
#include "display/digitizer.h"
#include "display/hooks.h"
#include "display/viewports.h"
#include "display/wrappers.h"
#include "render3d/dview.h"
#include "render3d/primitives.h"
#include "render3d/vecmath.h"

int DviewCmd;

std::string DviewLispText(const char *command) {
  std::string text =
      "(defun gl_dview ( / a l pt1 pt2 pt3 s w)\n"
      " (setq s (getvar \"CMDECHO\"))\n"
      " (setvar \"CMDECHO\" 0)\n"
      " (setq a (getvar \"AUNITS\"))\n"
      " (setq l (getvar \"LUNITS\"))\n"
      " (setq w (getvar \"WORLDVIEW\"))\n"
      " (setvar \"AUNITS\" 0)\n"
      " (setvar \"LUNITS\" 2)\n"
      " (setvar \"WORLDVIEW\" 1)\n"
      " ";
  text += command;
  text +=
      "\n"
      " (setvar \"WORLDVIEW\" w)\n"
      " (setvar \"AUNITS\" a)\n"
      " (setvar \"LUNITS\" l)\n"
      " (setvar \"CMDECHO\" s)\n"
      ") (gl_dview)\n";
  return text;
}

int WriteDviewLisp(const char *command) {
  const std::string path = std::string(tmpdir) + "gl_dview.lsp";
  const std::string text = DviewLispText(command);
  // Written beside the old file and renamed over it (a device or FIFO in
  // place): a failed write keeps the old file.
  if (replace_file(path.c_str(), text.data(), text.size())) return 1;
  warn_file("write", path.c_str(), errno);
  return 0;
}

int dview_pstring(Packet &p) {
  p.put_i16(2, kDigUsed);
  // A file that cannot be written sends nothing.
  if (WriteDviewLisp(DviewCommand)) {
    ++PstringNeeded;
    DviewCmd = 1;
  } else {
    DviewState = 0;
  }

  // Either way the new view stays: it becomes the viewport's view at once.
  ViewportRecord &vp = DviewViewport();
  dview = 0;
  DviewViewChanged = 0;
  CurrentPmark[kPmarkTaken] = 1;
  SetClippingRectangle(vp.x1, vp.x2, vp.y1, vp.y2, kMatrixProjection);
  loadmatrix(DviewMatrix);
  mcopy(DviewMatrix, ViewingMatrix);
  FinishDviewDraw(RenderMode);
  RestoreViewportProjection(vp);
  if (release_screen() == 0 && PdigitizeNeeded == 1) PdigitizeNeeded = 0;
  notify(display_hooks.view_changed, 1);
  return 1;
}

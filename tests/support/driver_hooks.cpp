// Linked into every test program that links the driver's core: the hooks the
// lower floors declare are filled as the driver fills them at start-up, so
// that a packet handler called in a test answers and draws as it does in the
// running driver. (A test that wants a hook empty clears it itself.)
#include "adi/hooks.h"

namespace {

const bool hooks_installed = (InstallHooks(), true);

}  // namespace

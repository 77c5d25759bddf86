// Module start-up: registers every server in the server table's order.
#include "lx_module.hpp"

namespace gORVA_Cmds_AddLightAtPolyPos {
LxResult initialize();
}

void initialize() {
    // Results are not tested: a server that fails to register is simply absent.
    gORVA_Cmds_AddLightAtPolyPos::initialize();
}

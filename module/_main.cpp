// Module start-up: registers every server with the host, in the order of the server table.
#include "lx_module.hpp"

namespace gORVA_Cmds_AddLightAtPolyPos {
LxResult initialize();
}

void initialize() {
    // Results are not tested: a server that fails to register is simply absent.
    gORVA_Cmds_AddLightAtPolyPos::initialize();
}

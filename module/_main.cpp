// Module start-up: registers every server with the host, in the order of the server table.
#include "lx_module.hpp"

namespace gORVA_Cmds_SelectbyNormal {
LxResult initialize();
}

void initialize() {
    gORVA_Cmds_SelectbyNormal::initialize();
}

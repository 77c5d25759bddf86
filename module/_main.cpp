// Module start-up: registers every server of the module with the host.
#include "lx_module.hpp"

// Registration functions, one per server, each defined in its server's own source file.
// clang-format off
namespace gORVA_Tools_Arch { LxResult initialize(); }
namespace gORVA_Tools_BBox { LxResult initialize(); }
namespace gORVA_Tools_ComponentAlignAToB { LxResult initialize(); }
namespace gORVA_Tools_MeshAlignAToB { LxResult initialize(); }
namespace gORVA_Tools_Scale { LxResult initialize(); }
namespace gORVA_Tools_Sweeper { LxResult initialize(); }
namespace gORVA_Cmds_AddLightAtPolyPos { LxResult initialize(); }
namespace gORVA_Cmds_SelectbyHeight { LxResult initialize(); }
namespace gORVA_Cmds_SelectbyNormal { LxResult initialize(); }
namespace gORVA_Cmds_SelectEdgesbyAlignment { LxResult initialize(); }
// clang-format on

/// Registers the servers once per load, tools first, then commands, in this fixed order (the host
/// lists them so). Results are not tested: a server that fails to register is simply absent.
/// A server not built yet stays commented out; enabling it is uncommenting its one call.
void initialize() {
    // 1. Arch tool
    gORVA_Tools_Arch::initialize();
    // 2. Bounding-box move and level tool
    // gORVA_Tools_BBox::initialize();
    // 3. Component align A to B tool
    // gORVA_Tools_ComponentAlignAToB::initialize();
    // 4. Mesh align A to B tool
    // gORVA_Tools_MeshAlignAToB::initialize();
    // 5. Vector scale tool
    // gORVA_Tools_Scale::initialize();
    // 6. Sweeper tool
    // gORVA_Tools_Sweeper::initialize();
    // 7. Add light at polygon position command
    gORVA_Cmds_AddLightAtPolyPos::initialize();
    // 8. Select by height command
    gORVA_Cmds_SelectbyHeight::initialize();
    // 9. Select by normal command
    gORVA_Cmds_SelectbyNormal::initialize();
    // 10. Select edges by alignment command
    gORVA_Cmds_SelectEdgesbyAlignment::initialize();
}

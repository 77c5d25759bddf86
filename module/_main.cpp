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

/// Registers the servers once per load in the fixed order the host lists them: the tools (Arch,
/// BBox, ComponentAlignAToB, MeshAlignAToB, Scale, Sweeper), then the commands (AddLightAtPolyPos,
/// SelectbyHeight, SelectbyNormal, SelectEdgesbyAlignment). Tools not built yet take their place in
/// that order when they come. Results are not tested: a server that fails to register is absent.
void initialize() {
    gORVA_Tools_Arch::initialize();
    gORVA_Tools_BBox::initialize();
    gORVA_Tools_ComponentAlignAToB::initialize();
    gORVA_Tools_MeshAlignAToB::initialize();
    gORVA_Tools_Scale::initialize();
    gORVA_Tools_Sweeper::initialize();
    gORVA_Cmds_AddLightAtPolyPos::initialize();
    gORVA_Cmds_SelectbyHeight::initialize();
    gORVA_Cmds_SelectbyNormal::initialize();
    gORVA_Cmds_SelectEdgesbyAlignment::initialize();
}

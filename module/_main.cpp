// Module start-up: registers every server of the module with the host.
#include "lx_wrap.hpp"

// Registration functions, one per server, each defined in its server's own source file.
// clang-format off
namespace gORVA_Tools_Arch { void initialize(); }
namespace gORVA_Tools_BBox { void initialize(); }
namespace gORVA_Tools_ComponentAlignAToB { void initialize(); }
namespace gORVA_Tools_MeshAlignAToB { void initialize(); }
namespace gORVA_Tools_Scale { void initialize(); }
namespace gORVA_Tools_Sweeper { void initialize(); }
namespace gORVA_Cmds_AddLightAtPolyPos { void initialize(); }
namespace gORVA_Cmds_SelectbyHeight { void initialize(); }
namespace gORVA_Cmds_SelectbyNormal { void initialize(); }
namespace gORVA_Cmds_SelectEdgesbyAlignment { void initialize(); }
// clang-format on

/// Registers the servers once per load in the fixed order the host lists them: the tools (Arch,
/// BBox, ComponentAlignAToB, MeshAlignAToB, Scale, Sweeper), then the commands (AddLightAtPolyPos,
/// SelectbyHeight, SelectbyNormal, SelectEdgesbyAlignment). Tools not built yet take their place in
/// that order when they come. The entry point the host calls is the common library's _ILxModule_Create.
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

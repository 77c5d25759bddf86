// The service table: which host object answers each service a plug-in asks for.
#include "host/bridge/services.hpp"
#include "host/tool_runtime/tool_host.hpp"
#include "lx_clock.hpp"

#include <cstdio>

namespace gorva::host {

void CopyText(const std::string &text, char *buf, unsigned len) {
    if (len == 0) return;
    std::snprintf(buf, len, "%s", text.c_str());
}

ILxUnknownID NewService(Host &host, const char *iid, ILxUnknownID scene) {
    const std::string id = iid;
    if (id == ILxMeshService::IID) return NewMeshService();
    if (id == ILxLayerService::IID) return NewLayerService(host);
    if (id == ILxSceneService::IID) return NewSceneService();
    if (id == ILxSelectionService::IID) return NewSelectionService(host, scene);
    if (id == ILxMessageService::IID) return NewMessageService(host);
    if (id == ILxStdDialogService::IID) return NewStdDialogService(host);
    if (id == ILxLogService::IID) return NewLogService(host);
    if (id == ILxPlatformService::IID) return NewPlatformService(host);
    if (id == ILxClockService::IID) return NewClockService(host);
    if (id == ILxValueService::IID) return NewValueService();
    if (id == ILxScriptSysService::IID) return NewScriptSysService(host);
    if (id == ILxPacketService::IID) return NewPacketService();
    if (id == ILxCommandService::IID) return NewCommandService(host);
    return nullptr;
}

}  // namespace gorva::host

// The service table: which host object answers each service a plug-in asks for.
#include "host/bridge/services.hpp"

#include <cstdio>

#include <lxcommand.h>
#include <lxitem.h>
#include <lxlayer.h>
#include <lxlog.h>
#include <lxmessage.h>
#include <lxnotify.h>
#include <lxscripts.h>
#include <lxselect.h>
#include <lxstddialog.h>
#include <lxvalue.h>
#include <lxvector.h>

namespace gorva::host {

void CopyText(const std::string &text, char *buf, unsigned len) {
    if (len == 0) return;
    std::snprintf(buf, len, "%s", text.c_str());
}

LXtObjectID NewService(const LXtGUID &iid) {
    struct Row {
        const char *guid;
        LXtObjectID (*make)();
    };
    static const Row kTable[] = {
        {LXu_MESHSERVICE, &NewMeshService},       {LXu_LAYERSERVICE, &NewLayerService},
        {LXu_SCENESERVICE, &NewSceneService},     {LXu_SELECTIONSERVICE, &NewSelectionService},
        {LXu_MESSAGESERVICE, &NewMessageService}, {LXu_STDDIALOGSERVICE, &NewStdDialogService},
        {LXu_LOGSERVICE, &NewLogService},         {LXu_PLATFORMSERVICE, &NewPlatformService},
        {LXu_VALUESERVICE, &NewValueService},     {LXu_PACKETSERVICE, &NewPacketService},
        {LXu_COMMANDSERVICE, &NewCommandService}, {LXu_NOTIFYSYSSERVICE, &NewNotifySysService},
    };
    for (const Row &row : kTable)
        if (SameGuid(GuidFromString(row.guid), iid)) return row.make();
    return nullptr;
}

}  // namespace gorva::host

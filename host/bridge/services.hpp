// Host objects behind the SDK's interfaces. Each holds the host and the plain data it serves.
#pragma once
#include "host/guard.hpp"

#include <memory>
#include <string>
#include <vector>

#include "host/bridge/com_base.hpp"
#include "host/bridge/glue/glue_action.hpp"
#include "host/bridge/glue/glue_com.hpp"
#include "host/bridge/glue/glue_command.hpp"
#include "host/bridge/glue/glue_draw.hpp"
#include "host/bridge/glue/glue_handles.hpp"
#include "host/bridge/glue/glue_io.hpp"
#include "host/bridge/glue/glue_item.hpp"
#include "host/bridge/glue/glue_layer.hpp"
#include "host/bridge/glue/glue_locator.hpp"
#include "host/bridge/glue/glue_log.hpp"
#include "host/bridge/glue/glue_mesh.hpp"
#include "host/bridge/glue/glue_message.hpp"
#include "host/bridge/glue/glue_notify.hpp"
#include "host/bridge/glue/glue_scripts.hpp"
#include "host/bridge/glue/glue_select.hpp"
#include "host/bridge/glue/glue_seltypes.hpp"
#include "host/bridge/glue/glue_stddialog.hpp"
#include "host/bridge/glue/glue_thread.hpp"
#include "host/bridge/glue/glue_value.hpp"
#include "host/bridge/glue/glue_vector.hpp"
#include "host/bridge/glue/glue_vmodel.hpp"
#include "host/host.hpp"

namespace gorva::host {

/// A mesh as the module sees it; geometry edits need a writable one (from an editing scan).
class MeshObj final : public IfcMesh {
public:
    MeshObj(Host &host, std::shared_ptr<MeshData> mesh, bool writable)
        : m_host(host), m_mesh(std::move(mesh)), m_writable(writable) {}
    MeshData &Data() { return *m_mesh; }
    const std::shared_ptr<MeshData> &Shared() const { return m_mesh; }
    LxResult PointCount(unsigned int *count) override;
    LxResult PolygonCount(unsigned int *count) override;
    LxResult EdgeCount(unsigned int *count) override;
    LxResult MapCount(unsigned int *count) override;
    LxResult BoundingBox(LXtMarkMode pick, LXtBBox *bbox) override;
    LxResult PointAccessor(void **ppvObj) override;
    LxResult PolygonAccessor(void **ppvObj) override;
    LxResult EdgeAccessor(void **ppvObj) override;
    LxResult MeshMapAccessor(void **ppvObj) override;

private:
    Host &m_host;
    std::shared_ptr<MeshData> m_mesh;
    bool m_writable;
};

/// The mesh object of a mesh's data, for packets and scans.
MeshObj *NewMeshObject(Host &host, MeshData &mesh, bool writable);
/// The mesh data behind a mesh object the host handed out, or null.
MeshData *MeshOf(LXtObjectID meshObj);

class ItemObj final : public IfcItem, public IfcLocator {
public:
    ItemObj(Host &host, ItemData &item) : m_host(host), m_item(item) {}
    ItemData &Data() { return m_item; }
    LXtItemType Type() override;
    LxResult TestType(LXtItemType type) override;
    LxResult PackageTest(const char *package) override;
    LxResult Ident(const char **ident) override;
    LxResult Name(const char **name) override;
    LxResult SetName(const char *name) override;
    LxResult Parent(void **ppvObj) override;
    LxResult SetParent(LXtObjectID parent) override;
    LxResult SubCount(unsigned *count) override;
    LxResult SubByIndex(unsigned index, void **ppvObj) override;
    LxResult ChannelCount(unsigned *count) override;
    LxResult ChannelLookup(const char *name, unsigned *index) override;
    LxResult ChannelName(unsigned index, const char **name) override;
    LxResult Context(void **ppvObj) override;
    LxResult WorldTransform(LXtObjectID chanRead, LXtMatrix xfrm, LXtVector pos) override;
    LxResult WorldTransform4(LXtObjectID chanRead, LXtMatrix4 xfrm4) override;
    LxResult SetPosition(LXtObjectID chanRead, LXtObjectID chanWrite, const LXtVector pos, unsigned type,
                         unsigned comp) override;
    LxResult SetRotation(LXtObjectID chanRead, LXtObjectID chanWrite, const LXtMatrix m3, unsigned type,
                         unsigned comp) override;
    LxResult SetScale(LXtObjectID chanRead, LXtObjectID chanWrite, const LXtMatrix4 m4, unsigned type,
                      unsigned comp) override;

protected:
    bool Provides(const LXtGUID &iid) const override;

private:
    Host &m_host;
    ItemData &m_item;
};

/// The item data behind an item object the host handed out, or null.
ItemData *ItemOf(LXtObjectID itemObj);

/// The host the SDK's calls reach: the one installed last (see Host::Install).
Host &CurrentHost();
/// The object a module is given as its context: services, GUIDs and threads, for the process.
LXtObjectID GlobalObject();
/// A new service object for an SDK service GUID, serving the current host; null when unknown.
LXtObjectID NewService(const LXtGUID &iid);

/// A command object for a host command.
LXtObjectID NewHostCommandObject(Host &host, const HostCommandDef &def);
/// The scene object (what the "scene" selection holds).
LXtObjectID NewSceneObject(Host &host);
/// A message object resolved against the host's message tables.
LXtObjectID NewMessageObject(Host &host);
/// A value object of an SDK type name ("integer", "float", "distance", "string", ...), or null.
LXtObjectID NewValueObject(const std::string &type);
/// An empty value array (command query results).
LXtObjectID NewValueArray();
/// Gives a message of the host a text of its own instead of a table entry (a host command's
/// failure reason); no effect on other objects.
void SetMessageRawText(LXtObjectID message, const std::string &text);
/// The text a message object of the host resolves to; empty for other objects.
std::string MessageTextOf(LXtObjectID message);
/// The result code of a message object of the host (LXe_OK for other objects).
LxResult MessageCodeOf(LXtObjectID message);

// The services, one host object each (bridge/*_objects.cpp).
LXtObjectID NewMeshService();
LXtObjectID NewLayerService();
LXtObjectID NewSceneService();
LXtObjectID NewSelectionService();
LXtObjectID NewMessageService();
LXtObjectID NewStdDialogService();
LXtObjectID NewLogService();
LXtObjectID NewPlatformService();
LXtObjectID NewValueService();
LXtObjectID NewCommandService();
LXtObjectID NewNotifySysService();
LXtObjectID NewPacketService();

/// Copies text into a caller's buffer of len bytes, cut to fit and always terminated.
void CopyText(const std::string &text, char *buf, unsigned len);

}  // namespace gorva::host

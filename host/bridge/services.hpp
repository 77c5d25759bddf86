// Host objects behind the SDK's interfaces. Each holds the host and the plain data it serves.
#pragma once
#include "host/guard.hpp"

#include <memory>
#include <string>
#include <vector>

#include "host/bridge/com_object.hpp"
#include "host/host.hpp"
#include "lx_command.hpp"
#include "lx_dialog.hpp"
#include "lx_item.hpp"
#include "lx_layer.hpp"
#include "lx_mesh.hpp"
#include "lx_scriptsys.hpp"
#include "lx_select.hpp"

namespace gorva::host {

/// A mesh as the module sees it; geometry edits need a writable one (from an editing scan).
class HostMesh final : public HostObject<HostMesh, ILxMesh> {
public:
    HostMesh(Host &host, std::shared_ptr<MeshData> mesh, bool writable)
        : m_host(host), m_mesh(std::move(mesh)), m_writable(writable) {}
    MeshData &Data() { return *m_mesh; }
    const std::shared_ptr<MeshData> &Shared() const { return m_mesh; }
    LxResult PointCount(unsigned *count) override;
    LxResult PolygonCount(unsigned *count) override;
    LxResult EdgeCount(unsigned *count) override;
    LxResult BoundingBox(LXtMarkMode mode, LXtBBox *box) override;
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
HostMesh *NewMeshObject(Host &host, MeshData &mesh, bool writable);
/// The mesh data behind a mesh object the host handed out, or null.
MeshData *MeshOf(ILxUnknownID meshObj);

class HostItem final : public HostObject<HostItem, ILxItem, ILxLocator> {
public:
    HostItem(Host &host, ItemData &item) : m_host(host), m_item(item) {}
    ItemData &Data() { return m_item; }
    LxResult Type(LXtItemType *type) override;
    LxResult TestType(LXtItemType type) override;
    LxResult IsA(LXtItemType type) override;
    LxResult PackageTest(const char *package) override;
    LxResult Ident(const char **ident) override;
    LxResult Name(const char **name) override;
    LxResult SetName(const char *name) override;
    LxResult Parent(void **ppvObj) override;
    LxResult SetParent(ILxUnknownID parent) override;
    LxResult SubCount(unsigned *count) override;
    LxResult SubByIndex(unsigned index, void **ppvObj) override;
    LxResult ChannelCount(unsigned *count) override;
    LxResult ChannelLookup(const char *name, unsigned *index) override;
    LxResult ChannelName(unsigned index, const char **name) override;
    LxResult Context(void **scene) override;
    LxResult SetPosition(ILxUnknownID, ILxUnknownID, const LXtVector pos, unsigned, unsigned) override;
    LxResult SetRotation(ILxUnknownID, ILxUnknownID, const LXtMatrix m3, unsigned, unsigned) override;
    LxResult SetScale(ILxUnknownID, ILxUnknownID, const LXtMatrix4 m4, unsigned, unsigned) override;

protected:
    bool Provides(const char *iid) const override;

private:
    Host &m_host;
    ItemData &m_item;
};

/// The item data behind an item object the host handed out, or null.
ItemData *ItemOf(ILxUnknownID itemObj);

/// Global services by interface name; null for unknown names.
ILxUnknownID NewService(Host &host, const char *iid, ILxUnknownID scene);
/// A command object for a host command.
ILxUnknownID NewHostCommandObject(Host &host, const HostCommandDef &def);
/// The scene object (what the "scene" selection holds).
ILxUnknownID NewSceneObject(Host &host);
/// A message object resolved against the host's message tables.
ILxUnknownID NewMessageObject(Host &host);
/// Gives a message of the host a text of its own instead of a table entry (a host command's
/// failure reason); no effect on other objects.
void SetMessageRawText(ILxUnknownID message, const std::string &text);

// The services, one host object each, created on every lookup (bridge/*_objects.cpp).
ILxUnknownID NewMeshService();
ILxUnknownID NewLayerService(Host &host);
ILxUnknownID NewSceneService();
ILxUnknownID NewSelectionService(Host &host, ILxUnknownID scene);
ILxUnknownID NewMessageService(Host &host);
ILxUnknownID NewStdDialogService(Host &host);
ILxUnknownID NewLogService(Host &host);
ILxUnknownID NewPlatformService(Host &host);
ILxUnknownID NewClockService(Host &host);
ILxUnknownID NewValueService();
ILxUnknownID NewScriptSysService(Host &host);
ILxUnknownID NewCommandService(Host &host);

/// Copies text into a caller's buffer of len bytes, cut to fit and always terminated.
void CopyText(const std::string &text, char *buf, unsigned len);

}  // namespace gorva::host

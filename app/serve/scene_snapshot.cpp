#include "app/serve/scene_snapshot.hpp"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

namespace gorva::host {

namespace {

/// A copy of a mesh for keeping: the selection is not part of an undo step's scene.
std::shared_ptr<const MeshData> KeptCopy(const MeshData &mesh) {
    return std::make_shared<MeshData>(mesh.DetachedCopy());
}

}  // namespace

SceneSnapshot SceneSnapshot::Capture(Host &host, const SceneSnapshot *previous) {
    SceneSnapshot snap;
    const auto &items = host.scene.Items();
    std::unordered_map<const ItemData *, int> itemIndex;
    std::unordered_map<const MeshData *, int> meshIndex;
    for (const auto &item : items) itemIndex.emplace(item.get(), int(itemIndex.size()));
    auto indexOf = [&](const ItemData *item) { return item ? itemIndex.at(item) : -1; };
    for (const auto &item : items) {
        Item kept{item->ident,
                  item->name,
                  item->type,
                  indexOf(item->parent),
                  indexOf(item->instanceOf),
                  -1,
                  item->channelNames,
                  item->channelValues,
                  host.IsActive(*item)};
        if (item->mesh) {
            auto [at, added] = meshIndex.emplace(item->mesh.get(), int(snap.m_meshes.size()));
            if (added) snap.m_meshes.push_back({item->mesh, nullptr, -1});
            kept.mesh = at->second;
            if (item->mesh->Owner() == item.get())
                snap.m_meshes[size_t(at->second)].owner = indexOf(item.get());
        }
        snap.m_items.push_back(std::move(kept));
    }
    std::unordered_map<const MeshData *, const Mesh *> before;
    if (previous)
        for (const Mesh &old : previous->m_meshes)
            if (const auto live = old.live.lock()) before.emplace(live.get(), &old);
    for (Mesh &mesh : snap.m_meshes) {
        const std::shared_ptr<MeshData> live = mesh.live.lock();
        // Compared, not told by the version: user marks change without it.
        auto old = before.find(live.get());
        const bool unchanged = old != before.end() && live->SameContent(*old->second->copy);
        mesh.copy = unchanged ? old->second->copy : KeptCopy(*live);
    }
    if (ItemData *primary = host.Primary()) snap.m_primary = indexOf(primary);
    if (ItemData *ref = host.scene.FindByIdent(host.refSystem)) snap.m_refSystem = indexOf(ref);
    return snap;
}

bool SceneSnapshot::Matches(Host &host) const {
    const auto &items = host.scene.Items();
    if (items.size() != m_items.size()) return false;
    std::unordered_map<const ItemData *, int> itemIndex;
    for (const auto &item : items) itemIndex.emplace(item.get(), int(itemIndex.size()));
    auto indexOf = [&](const ItemData *item) { return item ? itemIndex.at(item) : -1; };
    std::vector<const MeshData *> meshes(m_meshes.size(), nullptr);
    for (size_t i = 0; i < items.size(); ++i) {
        const ItemData &item = *items[i];
        const Item &kept = m_items[i];
        if (item.ident != kept.ident || item.name != kept.name || item.type != kept.type ||
            indexOf(item.parent) != kept.parent || indexOf(item.instanceOf) != kept.instanceOf ||
            item.channelNames != kept.channelNames || item.channelValues != kept.channelValues ||
            host.IsActive(item) != kept.active || (item.mesh != nullptr) != (kept.mesh >= 0))
            return false;
        if (!item.mesh) continue;
        const MeshData *&seen = meshes[size_t(kept.mesh)];
        if (seen && seen != item.mesh.get()) return false;
        seen = item.mesh.get();
    }
    for (size_t m = 0; m < m_meshes.size(); ++m)
        if (!meshes[m]->SameContent(*m_meshes[m].copy)) return false;
    const int primary = host.Primary() ? indexOf(host.Primary()) : -1;
    const ItemData *ref = host.scene.FindByIdent(host.refSystem);
    return primary == m_primary && (ref ? indexOf(ref) : -1) == m_refSystem;
}

SceneSnapshot SceneSnapshot::Restore(Host &host) const {
    // The records are the user's, not the scene's: they outlive it.
    std::vector<LogLine> log = std::move(host.log);
    std::vector<DialogRecord> dialogs = std::move(host.dialogs);
    std::vector<MonitorRecord> monitors = std::move(host.monitors);
    host.NewScene();
    host.log = std::move(log);
    host.dialogs = std::move(dialogs);
    host.monitors = std::move(monitors);

    const int lightMaterial = ItemTypeCode("lightMaterial");
    std::vector<ItemData *> made(m_items.size(), nullptr);
    ItemData *material = nullptr;  // made with the light before it, as adding a light does
    for (size_t i = 0; i < m_items.size(); ++i) {
        const Item &kept = m_items[i];
        if (kept.type == lightMaterial && material) {
            made[i] = material;
            host.scene.SetName(*made[i], kept.name);
        } else {
            made[i] = host.scene.AddItem(kept.type, kept.name);
        }
        ItemData *last = host.scene.Items().back().get();
        material = last != made[i] && last->type == lightMaterial ? last : nullptr;
        made[i]->channelNames = kept.channelNames;
        made[i]->channelValues = kept.channelValues;
    }
    for (size_t i = 0; i < m_items.size(); ++i) {
        const Item &kept = m_items[i];
        host.scene.SetParent(*made[i], kept.parent >= 0 ? made[size_t(kept.parent)] : nullptr);
        if (kept.instanceOf >= 0) {
            made[i]->instanceOf = made[size_t(kept.instanceOf)];
            ++made[size_t(kept.instanceOf)]->instances;
        }
    }
    SceneSnapshot restored = *this;
    for (size_t m = 0; m < m_meshes.size(); ++m) {
        auto live = std::make_shared<MeshData>(*m_meshes[m].copy);
        live->Attach(m_meshes[m].owner >= 0 ? made[size_t(m_meshes[m].owner)] : nullptr, &host.journal);
        restored.m_meshes[m].live = live;
        for (size_t i = 0; i < m_items.size(); ++i)
            if (m_items[i].mesh == int(m)) made[i]->mesh = live;
    }
    for (size_t i = 0; i < m_items.size(); ++i) {
        if (m_items[i].mesh < 0) made[i]->mesh = nullptr;
        if (m_items[i].active) host.SetActive(*made[i], true);
        restored.m_items[i].ident = made[i]->ident;
    }
    host.SetPrimary(m_primary >= 0 ? made[size_t(m_primary)] : nullptr);
    host.refSystem = m_refSystem >= 0 ? made[size_t(m_refSystem)]->ident : std::string();
    return restored;
}

std::vector<const MeshData *> SceneSnapshot::MeshCopies() const {
    std::vector<const MeshData *> copies;
    for (const Mesh &mesh : m_meshes) copies.push_back(mesh.copy.get());
    return copies;
}

}  // namespace gorva::host

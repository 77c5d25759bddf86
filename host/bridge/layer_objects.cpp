// Layer scans: the active, primary or marked layers as a plug-in scans them, the meshes opened for
// reading or editing, and the check at Apply that every edit was declared.
#include <sstream>
#include <string>

#include <unordered_map>

#include "host/bridge/services.hpp"

namespace gorva::host {

namespace {

/// Names of the SetMeshChange bits, for messages.
const std::pair<unsigned, const char *> kMeshEditNames[] = {{LXf_MESHEDIT_POSITION, "position"},
                                                            {LXf_MESHEDIT_POINTS, "points"},
                                                            {LXf_MESHEDIT_POLYGONS, "polygons"},
                                                            {LXf_MESHEDIT_POL_TAGS, "polygon tags"},
                                                            {LXf_MESHEDIT_MAP_UV, "UV map values"}};

std::string MeshEditWords(unsigned edits) {
    std::string words;
    for (const auto &name : kMeshEditNames) {
        if (!(edits & name.first)) continue;
        if (!words.empty()) words += ", ";
        words += name.second;
    }
    return words;
}

/// A layer's mesh as a scan found it: what was there before is edited, what came after is new.
struct MeshBaseline {
    uint32_t points = 0;
    uint32_t polygons = 0;
    uint32_t corners = 0;
};

/// The SetMeshChange bit a recorded change needs. Positions, tags and map values written on points
/// and polygons the scan added belong to those new elements, which their own bits declare.
unsigned MeshEditOf(Journal::Kind kind, uint32_t element, const MeshBaseline &base) {
    switch (kind) {
        case Journal::Kind::PointAdded:
            return LXf_MESHEDIT_POINTS;
        case Journal::Kind::PolygonAdded:
            return LXf_MESHEDIT_POLYGONS;
        case Journal::Kind::PointMoved:
            return element < base.points ? LXf_MESHEDIT_POSITION : 0u;
        case Journal::Kind::TagChanged:
            return element < base.polygons ? LXf_MESHEDIT_POL_TAGS : 0u;
        case Journal::Kind::MapValueChanged:  // the host's maps are UV maps
            return element < base.corners ? LXf_MESHEDIT_MAP_UV : 0u;
        default:
            return 0u;
    }
}

class LayerScanObj final : public IfcLayerScan {
public:
    LayerScanObj(Host &h, unsigned flags) : m_host(h), m_flags(flags) {
        if (flags & LXf_LAYERSCAN_PRIMARY) {
            if (ItemData *p = h.Primary()) m_layers.push_back(p);
        } else if (flags & (LXf_LAYERSCAN_ACTIVE | LXf_LAYERSCAN_BACKGROUND)) {
            for (const auto &item : h.scene.Items()) {
                if (!item->mesh || item->mesh->Owner() != item.get()) continue;
                bool active = h.IsActive(*item);
                if ((active && (flags & LXf_LAYERSCAN_ACTIVE)) ||
                    (!active && (flags & LXf_LAYERSCAN_BACKGROUND)))
                    m_layers.push_back(item.get());
            }
        }
        if (!Writable()) return;
        m_token = h.journal.Begin();
        m_declared.assign(m_layers.size(), 0u);
        for (ItemData *layer : m_layers) {
            const MeshData &mesh = *layer->mesh;
            m_baselines.push_back({mesh.PointCount(), mesh.PolygonCount(), mesh.CornerCount()});
        }
    }
    ~LayerScanObj() override {
        if (Writable() && !m_applied) m_host.journal.Rollback(m_token);
    }
    LxResult Count(unsigned *count) override {
        *count = unsigned(m_layers.size());
        return LXe_OK;
    }
    LxResult MeshItem(unsigned i, void **item) override {
        if (i >= m_layers.size()) return LXe_OUTOFBOUNDS;
        return HandOut(new ItemObj(m_host, *m_layers[i]), item);
    }
    LxResult MeshBase(unsigned i, void **mesh) override {
        if (i >= m_layers.size()) return LXe_OUTOFBOUNDS;
        return HandOut(new MeshObj(m_host, m_layers[i]->mesh, false), mesh);
    }
    LxResult MeshEdit(unsigned i, void **mesh) override {
        if (i >= m_layers.size()) return LXe_OUTOFBOUNDS;
        if (!Writable() || m_applied) return LXe_NOTAVAILABLE;
        return HandOut(new MeshObj(m_host, m_layers[i]->mesh, true), mesh);
    }
    LxResult SetMeshChange(unsigned i, unsigned edits) override {
        if (i >= m_layers.size()) return LXe_OUTOFBOUNDS;
        if (!Writable()) return LXe_NOTAVAILABLE;
        m_declared[i] |= edits;
        return LXe_OK;
    }
    /// Keeps the edits. An edit of a kind not declared for its layer fails the apply (the edits
    /// stay) and logs an error, since the application would not update the mesh for it.
    LxResult Apply() override {
        if (!Writable() || m_applied) {
            m_applied = true;
            return LXe_OK;
        }
        const bool declared = CheckDeclared();
        m_host.journal.Commit(m_token);
        m_applied = true;
        return declared ? LXe_OK : LXe_FAILED;
    }

private:
    bool Writable() const { return (m_flags & LXf_LAYERSCAN_WRITEMESH) != 0; }

    /// Kinds of edit made to each layer since the scan began.
    std::vector<unsigned> EditsMade() const {
        std::vector<unsigned> made(m_layers.size(), 0u);
        std::unordered_map<const MeshData *, size_t> layerOf;
        layerOf.reserve(m_layers.size());
        for (size_t i = 0; i < m_layers.size(); ++i) layerOf.emplace(m_layers[i]->mesh.get(), i);
        m_host.journal.ForEachMeshChange(m_token, [&](Journal::Kind kind, const MeshData &mesh, uint32_t element) {
            auto found = layerOf.find(&mesh);
            if (found != layerOf.end()) made[found->second] |= MeshEditOf(kind, element, m_baselines[found->second]);
        });
        return made;
    }

    /// False, with one error line per layer, when a layer was edited in a way not declared.
    bool CheckDeclared() {
        const std::vector<unsigned> made = EditsMade();
        bool ok = true;
        for (size_t i = 0; i < m_layers.size(); ++i) {
            const unsigned undeclared = made[i] & ~m_declared[i];
            if (!undeclared) continue;
            ok = false;
            const ItemData &item = *m_layers[i];
            m_host.log.push_back(
                {kLogError, "layer scan: layer " + std::to_string(i) + " (" + item.ident + " \"" + item.name +
                                "\") edited without declaring: " + MeshEditWords(undeclared)});
        }
        return ok;
    }

    /// Log level of errors.
    static constexpr unsigned kLogError = 0;

    Host &m_host;
    unsigned m_flags;
    std::vector<ItemData *> m_layers;
    Journal::Token m_token = 0;
    std::vector<unsigned> m_declared;       // SetMeshChange bits per layer
    std::vector<MeshBaseline> m_baselines;  // per layer, when the scan began
    bool m_applied = false;
};

class LayerServiceObj final : public IfcLayerService {
public:
    LxResult ScanAllocate(unsigned flags, void **scan) override {
        return HandOut(new LayerScanObj(CurrentHost(), flags), scan);
    }
};

}  // namespace

LXtObjectID NewLayerService() {
    return (new LayerServiceObj)->Hand();
}

}  // namespace gorva::host

// Scene data of the in-memory host: items with identities, types, parents, channels and meshes.
// Transforms live in channels on the item itself ("pos.X", "rot.Y" in radians, "scl.Z"); matrices
// are derived from them through the parent chain in the row-vector convention (rows 0..2 the
// axes, row 3 the translation; the local matrix is scale, then rotation X, Y, Z, then position).
#pragma once
#include "host/guard.hpp"

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "host/model/mesh_data.hpp"

namespace gorva::host {

using Matrix4 = std::array<std::array<double, 4>, 4>;

Matrix4 IdentityMatrix();
/// a * b: a applies first under the row-vector convention.
Matrix4 Multiply(const Matrix4 &a, const Matrix4 &b);
/// Row-vector transform of a point.
std::array<double, 3> TransformPoint(const Matrix4 &m, const std::array<double, 3> &p);
/// Row-vector transform of a direction: rotation and scale only.
std::array<double, 3> TransformDirection(const Matrix4 &m, const std::array<double, 3> &d);
/// The inverse of an affine transform (last column (0, 0, 0, 1)); false, `inverse` untouched, when
/// the transform is singular or not finite.
bool AffineInverse(const Matrix4 &m, Matrix4 &inverse);
/// Euler angles (X, Y, Z order, radians) of a rotation whose rows are the axes.
std::array<double, 3> EulerFromRows(const double rows[3][3]);
/// Rotation matrix (rows are axes) of X, Y, Z Euler angles in radians.
Matrix4 RotationFromEuler(const std::array<double, 3> &angles);

/// One item type the host knows, with its super type and its own channels.
struct ItemTypeInfo {
    std::string name;
    int superType;  // -1 for none
    bool locator;   // carries transform channels
    std::vector<std::pair<std::string, double>> channels;
};

/// Registry of item types; codes are indices.
const std::vector<ItemTypeInfo> &ItemTypes();
/// Code of a type name, or -1.
int ItemTypeCode(const std::string &name);
/// True when `type` is `base` or derives from it.
bool ItemTypeIsA(int type, int base);

enum class MatrixChannel { None, World, WorldPosition, WorldRotation, WorldScale, Local };

struct ItemData {
    std::string ident;
    std::string name;
    int type = -1;
    ItemData *parent = nullptr;
    std::vector<ItemData *> children;
    std::vector<std::string> channelNames;
    std::vector<double> channelValues;
    std::shared_ptr<MeshData> mesh;  // mesh items only
    ItemData *instanceOf = nullptr;
    unsigned instances = 0;  // items that are instances of this one
    uint64_t created = 0;    // creation order in its scene

    /// Channel index by name, or -1 (matrix channels follow the stored ones).
    int ChannelIndex(const std::string &channel) const;
    double Channel(const std::string &channel, double fallback = 0.0) const;
    bool SetChannel(const std::string &channel, double value);
    /// Which derived matrix a channel index names, or None for a stored channel.
    MatrixChannel MatrixOf(unsigned index) const;
    unsigned ChannelCount() const { return unsigned(channelNames.size()) + 5; }
    const char *ChannelName(unsigned index) const;

    Matrix4 LocalMatrix() const;
    /// Local matrix times the parent's world matrix (the root's local matrix applied last).
    Matrix4 WorldMatrix() const;
    /// World matrix split as scale * rotation * position (no shear assumed).
    void WorldParts(Matrix4 &scale, Matrix4 &rotation, Matrix4 &position) const;
    Matrix4 MatrixChannelValue(MatrixChannel which) const;
};

/// World matrices of many items, each item's computed once from its parent's: linear in the number
/// of items however deep the hierarchy (the items' channels must not change while it is in use).
class WorldMatrixCache {
public:
    /// The item's world matrix, equal bit for bit to ItemData::WorldMatrix.
    const Matrix4 &Of(const ItemData &item);

private:
    std::unordered_map<const ItemData *, Matrix4> m_world;
};

class Journal;

/// All items of one scene in creation order; owns them.
class Scene {
public:
    explicit Scene(Journal &journal) : m_journal(journal) {}
    /// Adds an item of a known type; a light gets its light material as a child, as the host does.
    ItemData *AddItem(int type, const std::string &name = std::string());
    ItemData *AddInstance(ItemData &source);
    /// The item of this identity, else the first item (in creation order) of this name, or null.
    ItemData *Find(const std::string &identOrName) const;
    /// The item of this identity, or null; names are not looked at.
    ItemData *FindByIdent(const std::string &ident) const;
    /// Every item of this name, in creation order; identities are not looked at.
    std::vector<ItemData *> FindByName(const std::string &name) const;
    /// The one item a user's key names: a name, or "@IDENT" for an identifier. Null with the reason
    /// in `why` for an empty key, no such item, or a name that several items share.
    ItemData *FindByKey(const std::string &key, std::string &why) const;
    /// Re-parents; a null parent puts the item at the root. Refuses cycles.
    bool SetParent(ItemData &item, ItemData *parent);
    /// Sets a stored channel; refuses a value that is not finite or lies beyond single precision.
    bool SetChannel(ItemData &item, unsigned index, double value);
    bool SetName(ItemData &item, const std::string &name);
    const std::vector<std::unique_ptr<ItemData>> &Items() const { return m_items; }
    /// Removes every item added after the first `count` (undo of adds).
    void TruncateItems(size_t count);
    void Clear();

    /// Called before an item is destroyed, so that references to it can be dropped.
    std::function<void(ItemData *)> onItemRemoved;

private:
    ItemData *NewItem(int type, const std::string &name);
    std::string NewIdent(const std::string &typeName);
    void Detach(ItemData &item);
    /// True when `item` is `other` or one of its ancestors.
    static bool IsAncestor(const ItemData &item, const ItemData &other);
    void IndexName(ItemData &item);
    void UnindexName(ItemData &item);
    void Rename(ItemData &item, const std::string &name);

    Journal &m_journal;
    std::vector<std::unique_ptr<ItemData>> m_items;
    unsigned m_identCounter = 0;
    uint64_t m_created = 0;
    std::unordered_map<std::string, ItemData *> m_byIdent;
    std::unordered_map<std::string, std::vector<ItemData *>> m_byName;  // each in creation order
};

}  // namespace gorva::host

#include "host/model/scene.hpp"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdio>

#include "host/model/journal.hpp"
#include <lxmesh.h>

namespace gorva::host {

Matrix4 IdentityMatrix() {
    Matrix4 m{};
    for (int i = 0; i < 4; ++i) m[i][i] = 1.0;
    return m;
}

Matrix4 Multiply(const Matrix4 &a, const Matrix4 &b) {
    Matrix4 r{};
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            r[i][j] = a[i][0] * b[0][j] + a[i][1] * b[1][j] + a[i][2] * b[2][j] + a[i][3] * b[3][j];
    return r;
}

std::array<double, 3> TransformPoint(const Matrix4 &m, const std::array<double, 3> &p) {
    std::array<double, 3> r;
    for (int i = 0; i < 3; ++i) r[i] = p[0] * m[0][i] + p[1] * m[1][i] + p[2] * m[2][i] + m[3][i];
    return r;
}

std::array<double, 3> TransformDirection(const Matrix4 &m, const std::array<double, 3> &d) {
    std::array<double, 3> r;
    for (int i = 0; i < 3; ++i) r[i] = d[0] * m[0][i] + d[1] * m[1][i] + d[2] * m[2][i];
    return r;
}

bool AffineInverse(const Matrix4 &m, Matrix4 &inverse) {
    // Cofactors of the upper-left block; the translation row follows from it.
    double c[3][3];
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) {
            int i1 = (i + 1) % 3, i2 = (i + 2) % 3, j1 = (j + 1) % 3, j2 = (j + 2) % 3;
            c[i][j] = m[i1][j1] * m[i2][j2] - m[i1][j2] * m[i2][j1];
        }
    double det = m[0][0] * c[0][0] + m[0][1] * c[0][1] + m[0][2] * c[0][2];
    if (!std::isfinite(det) || std::fabs(det) < 1e-300) return false;
    Matrix4 r = IdentityMatrix();
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) r[i][j] = c[j][i] / det;
    for (int j = 0; j < 3; ++j) r[3][j] = -(m[3][0] * r[0][j] + m[3][1] * r[1][j] + m[3][2] * r[2][j]);
    for (const auto &row : r)
        for (double v : row)
            if (!std::isfinite(v)) return false;
    inverse = r;
    return true;
}

Matrix4 RotationFromEuler(const std::array<double, 3> &a) {
    // Each factor turns points counter-clockwise about its axis; X applies first.
    Matrix4 rx = IdentityMatrix(), ry = IdentityMatrix(), rz = IdentityMatrix();
    double cx = std::cos(a[0]), sx = std::sin(a[0]);
    double cy = std::cos(a[1]), sy = std::sin(a[1]);
    double cz = std::cos(a[2]), sz = std::sin(a[2]);
    rx[1][1] = cx, rx[1][2] = sx, rx[2][1] = -sx, rx[2][2] = cx;
    ry[0][0] = cy, ry[0][2] = -sy, ry[2][0] = sy, ry[2][2] = cy;
    rz[0][0] = cz, rz[0][1] = sz, rz[1][0] = -sz, rz[1][1] = cz;
    return Multiply(Multiply(rx, ry), rz);
}

std::array<double, 3> EulerFromRows(const double r[3][3]) {
    double sy = std::clamp(-r[0][2], -1.0, 1.0);
    double cy = std::hypot(r[0][0], r[0][1]);
    if (cy > 1e-12) return {std::atan2(r[1][2], r[2][2]), std::atan2(sy, cy), std::atan2(r[0][1], r[0][0])};
    // Gimbal lock: Z folds into X.
    return {std::atan2(-r[2][1], r[1][1]), std::atan2(sy, cy), 0.0};
}

namespace {

const std::vector<std::pair<std::string, double>> kTransformChannels = {
    {"pos.X", 0.0}, {"pos.Y", 0.0}, {"pos.Z", 0.0}, {"rot.X", 0.0}, {"rot.Y", 0.0},
    {"rot.Z", 0.0}, {"scl.X", 1.0}, {"scl.Y", 1.0}, {"scl.Z", 1.0}};

const char *const kMatrixChannels[5] = {"worldMatrix", "wposMatrix", "wrotMatrix", "wsclMatrix",
                                        "localMatrix"};

}  // namespace

const std::vector<ItemTypeInfo> &ItemTypes() {
    static const std::vector<ItemTypeInfo> types = {
        {"locator", -1, true, {}},
        {"mesh", 0, true, {}},
        {"groupLocator", 0, true, {}},
        {"light", 0, true, {}},
        {"areaLight", 3, true, {{"radiance", 3.0}, {"width", 1.0}, {"height", 1.0}}},
        {"pointLight", 3, true, {{"radiance", 3.0}}},
        {"spotLight", 3, true, {{"radiance", 3.0}, {"cone", 0.7853981633974483}}},
        {"photometryLight", 3, true, {{"radiance", 3.0}}},
        {"portal", 3, true, {{"width", 1.0}, {"height", 1.0}}},
        {"lightMaterial", -1, false, {{"lightCol.R", 1.0}, {"lightCol.G", 1.0}, {"lightCol.B", 1.0}}},
        {"sunLight", 3, true, {{"radiance", 3.0}}},  // directional: only its orientation matters
    };
    return types;
}

int ItemTypeCode(const std::string &name) {
    const auto &types = ItemTypes();
    for (size_t i = 0; i < types.size(); ++i)
        if (types[i].name == name) return int(i);
    return -1;
}

bool ItemTypeIsA(int type, int base) {
    for (int t = type; t >= 0; t = ItemTypes()[size_t(t)].superType)
        if (t == base) return true;
    return false;
}

int ItemData::ChannelIndex(const std::string &channel) const {
    for (size_t i = 0; i < channelNames.size(); ++i)
        if (channelNames[i] == channel) return int(i);
    if (type >= 0 && ItemTypes()[size_t(type)].locator)
        for (int k = 0; k < 5; ++k)
            if (channel == kMatrixChannels[k]) return int(channelNames.size()) + k;
    return -1;
}

double ItemData::Channel(const std::string &channel, double fallback) const {
    int i = ChannelIndex(channel);
    return i >= 0 && size_t(i) < channelValues.size() ? channelValues[size_t(i)] : fallback;
}

bool ItemData::SetChannel(const std::string &channel, double value) {
    int i = ChannelIndex(channel);
    if (i < 0 || size_t(i) >= channelValues.size()) return false;
    channelValues[size_t(i)] = value;
    return true;
}

MatrixChannel ItemData::MatrixOf(unsigned index) const {
    if (index < channelNames.size() || type < 0 || !ItemTypes()[size_t(type)].locator)
        return MatrixChannel::None;
    switch (index - channelNames.size()) {
        case 0:
            return MatrixChannel::World;
        case 1:
            return MatrixChannel::WorldPosition;
        case 2:
            return MatrixChannel::WorldRotation;
        case 3:
            return MatrixChannel::WorldScale;
        case 4:
            return MatrixChannel::Local;
        default:
            return MatrixChannel::None;
    }
}

const char *ItemData::ChannelName(unsigned index) const {
    if (index < channelNames.size()) return channelNames[index].c_str();
    if (MatrixOf(index) == MatrixChannel::None) return nullptr;
    return kMatrixChannels[index - channelNames.size()];
}

Matrix4 ItemData::LocalMatrix() const {
    if (type < 0 || !ItemTypes()[size_t(type)].locator) return IdentityMatrix();
    Matrix4 scale = IdentityMatrix();
    scale[0][0] = Channel("scl.X", 1.0);
    scale[1][1] = Channel("scl.Y", 1.0);
    scale[2][2] = Channel("scl.Z", 1.0);
    Matrix4 rot = RotationFromEuler({Channel("rot.X"), Channel("rot.Y"), Channel("rot.Z")});
    Matrix4 m = Multiply(scale, rot);
    m[3][0] = Channel("pos.X");
    m[3][1] = Channel("pos.Y");
    m[3][2] = Channel("pos.Z");
    return m;
}

Matrix4 ItemData::WorldMatrix() const {
    std::vector<const ItemData *> chain;
    for (const ItemData *p = this; p; p = p->parent) chain.push_back(p);
    Matrix4 m = chain.back()->LocalMatrix();
    for (size_t i = chain.size() - 1; i-- > 0;) m = Multiply(chain[i]->LocalMatrix(), m);
    return m;
}

const Matrix4 &WorldMatrixCache::Of(const ItemData &item) {
    auto found = m_world.find(&item);
    if (found != m_world.end()) return found->second;
    // Up to the nearest ancestor already known, then down again, so that a deep chain costs one
    // product per item.
    std::vector<const ItemData *> chain;
    const Matrix4 *above = nullptr;
    for (const ItemData *p = &item; p; p = p->parent) {
        auto known = m_world.find(p);
        if (known != m_world.end()) {
            above = &known->second;
            break;
        }
        chain.push_back(p);
    }
    Matrix4 m = above ? Multiply(chain.back()->LocalMatrix(), *above) : chain.back()->LocalMatrix();
    const Matrix4 *last = &m_world.emplace(chain.back(), m).first->second;
    for (size_t i = chain.size() - 1; i-- > 0;)
        last = &m_world.emplace(chain[i], Multiply(chain[i]->LocalMatrix(), *last)).first->second;
    return *last;
}

void ItemData::WorldParts(Matrix4 &scale, Matrix4 &rotation, Matrix4 &position) const {
    Matrix4 w = WorldMatrix();
    scale = rotation = position = IdentityMatrix();
    for (int i = 0; i < 3; ++i) position[3][i] = w[3][i];
    double det = w[0][0] * (w[1][1] * w[2][2] - w[1][2] * w[2][1]) -
                 w[0][1] * (w[1][0] * w[2][2] - w[1][2] * w[2][0]) +
                 w[0][2] * (w[1][0] * w[2][1] - w[1][1] * w[2][0]);
    for (int i = 0; i < 3; ++i) {
        double len = std::sqrt(w[i][0] * w[i][0] + w[i][1] * w[i][1] + w[i][2] * w[i][2]);
        // A mirrored transform keeps a proper rotation and carries the mirror in the X scale.
        double s = (i == 0 && det < 0.0) ? -len : len;
        scale[i][i] = s;
        for (int j = 0; j < 3; ++j) rotation[i][j] = s != 0.0 ? w[i][j] / s : (i == j ? 1.0 : 0.0);
    }
}

Matrix4 ItemData::MatrixChannelValue(MatrixChannel which) const {
    Matrix4 s, r, p;
    switch (which) {
        case MatrixChannel::World:
            return WorldMatrix();
        case MatrixChannel::Local:
            return LocalMatrix();
        case MatrixChannel::WorldPosition:
            WorldParts(s, r, p);
            return p;
        case MatrixChannel::WorldRotation:
            WorldParts(s, r, p);
            return r;
        case MatrixChannel::WorldScale:
            WorldParts(s, r, p);
            return s;
        case MatrixChannel::None:
            break;
    }
    return IdentityMatrix();
}

// ---- Scene

std::string Scene::NewIdent(const std::string &typeName) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%03u", ++m_identCounter);
    return typeName + buf;
}

ItemData *Scene::NewItem(int type, const std::string &name) {
    const ItemTypeInfo &info = ItemTypes()[size_t(type)];
    auto item = std::make_unique<ItemData>();
    item->type = type;
    item->ident = NewIdent(info.name);
    item->name = name.empty() ? info.name : name;
    if (info.locator)
        for (const auto &c : kTransformChannels) {
            item->channelNames.push_back(c.first);
            item->channelValues.push_back(c.second);
        }
    for (const auto &c : info.channels) {
        item->channelNames.push_back(c.first);
        item->channelValues.push_back(c.second);
    }
    if (info.name == "mesh") {
        item->mesh = std::make_shared<MeshData>();
        item->mesh->Attach(item.get(), &m_journal);
        // As in the application, a new mesh comes with its (empty) texture UV map.
        item->mesh->AddMap(LXi_VMAP_TEXTUREUV, "Texture", 2);
    }
    item->created = ++m_created;
    size_t before = m_items.size();
    m_items.push_back(std::move(item));
    ItemData *added = m_items.back().get();
    m_byIdent[added->ident] = added;
    IndexName(*added);
    m_journal.Record([this, before] { TruncateItems(before); });
    return added;
}

ItemData *Scene::AddItem(int type, const std::string &name) {
    if (type < 0 || size_t(type) >= ItemTypes().size()) return nullptr;
    ItemData *item = NewItem(type, name);
    if (ItemTypeIsA(type, ItemTypeCode("light"))) {
        ItemData *material = NewItem(ItemTypeCode("lightMaterial"), "Light Material");
        SetParent(*material, item);
    }
    return item;
}

ItemData *Scene::AddInstance(ItemData &source) {
    ItemData *item = AddItem(source.type, source.name + " (Instance)");
    if (!item) return nullptr;
    item->channelValues = source.channelValues;
    item->instanceOf = &source;
    ++source.instances;
    if (source.mesh) item->mesh = source.mesh;
    return item;
}

ItemData *Scene::Find(const std::string &key) const {
    auto ident = m_byIdent.find(key);
    if (ident != m_byIdent.end()) return ident->second;
    auto named = m_byName.find(key);
    if (named != m_byName.end())
        for (ItemData *item : named->second)
            if (item->name == key) return item;
    // A name written straight into an item is not indexed; look for it the long way.
    for (const auto &item : m_items)
        if (item->name == key) return item.get();
    return nullptr;
}

ItemData *Scene::FindByIdent(const std::string &ident) const {
    auto found = m_byIdent.find(ident);
    return found == m_byIdent.end() ? nullptr : found->second;
}

ItemData *Scene::FindByKey(const std::string &key, std::string &why) const {
    if (key.empty()) {
        why = "an item name is needed";
        return nullptr;
    }
    if (key[0] == '@') {
        ItemData *item = FindByIdent(key.substr(1));
        if (!item) why = "no item with the identifier \"" + key.substr(1) + "\"";
        return item;
    }
    std::vector<ItemData *> named = FindByName(key);
    if (named.size() == 1) return named[0];
    if (named.empty()) {
        why = "no item named \"" + key + "\"" +
              (FindByIdent(key) ? " (the item with that identifier is @" + key + ")" : "");
        return nullptr;
    }
    std::string candidates;
    for (const ItemData *item : named) candidates += (candidates.empty() ? "@" : ", @") + item->ident;
    why = "\"" + key + "\" names " + std::to_string(named.size()) + " items (" + candidates +
          "): name one by its identifier";
    return nullptr;
}

std::vector<ItemData *> Scene::FindByName(const std::string &name) const {
    std::vector<ItemData *> named;
    auto indexed = m_byName.find(name);
    if (indexed != m_byName.end())
        for (ItemData *item : indexed->second)
            if (item->name == name) named.push_back(item);
    if (!named.empty()) return named;
    // A name written straight into an item is not indexed; look for it the long way.
    for (const auto &item : m_items)
        if (item->name == name) named.push_back(item.get());
    return named;
}

void Scene::IndexName(ItemData &item) {
    auto &list = m_byName[item.name];
    auto at = std::lower_bound(list.begin(), list.end(), &item,
                               [](const ItemData *a, const ItemData *b) { return a->created < b->created; });
    list.insert(at, &item);
}

void Scene::UnindexName(ItemData &item) {
    auto named = m_byName.find(item.name);
    if (named == m_byName.end()) return;
    auto &list = named->second;
    list.erase(std::remove(list.begin(), list.end(), &item), list.end());
    if (list.empty()) m_byName.erase(named);
}

void Scene::Rename(ItemData &item, const std::string &name) {
    UnindexName(item);
    item.name = name;
    IndexName(item);
}

bool Scene::IsAncestor(const ItemData &item, const ItemData &other) {
    // Walks up from `other` and through the subtree under `item` in turns, so that the answer
    // costs the shorter of the two walks: building a deep chain from either end stays linear.
    const ItemData *up = &other;
    std::vector<const ItemData *> down{&item};
    while (up && !down.empty()) {
        if (up == &item) return true;
        up = up->parent;
        const ItemData *next = down.back();
        down.pop_back();
        if (next == &other) return true;
        down.insert(down.end(), next->children.begin(), next->children.end());
    }
    return false;
}

void Scene::Detach(ItemData &item) {
    if (!item.parent) return;
    // Items go newest first, which is mostly the last child: no walk through long sibling lists.
    auto &siblings = item.parent->children;
    if (siblings.back() == &item)
        siblings.pop_back();
    else
        siblings.erase(std::remove(siblings.begin(), siblings.end(), &item), siblings.end());
    item.parent = nullptr;
}

bool Scene::SetParent(ItemData &item, ItemData *parent) {
    if (parent && IsAncestor(item, *parent)) return false;
    ItemData *old = item.parent;
    size_t oldPos = 0;
    if (old)
        oldPos = size_t(std::find(old->children.begin(), old->children.end(), &item) - old->children.begin());
    Detach(item);
    item.parent = parent;
    if (parent) parent->children.push_back(&item);
    m_journal.Record([this, &item, old, oldPos] {
        Detach(item);
        item.parent = old;
        if (old)
            old->children.insert(old->children.begin() + long(std::min(oldPos, old->children.size())), &item);
    });
    return true;
}

bool Scene::SetChannel(ItemData &item, unsigned index, double value) {
    if (index >= item.channelValues.size() || !(std::fabs(value) <= double(FLT_MAX))) return false;
    double old = item.channelValues[index];
    item.channelValues[index] = value;
    m_journal.Record([&item, index, old] { item.channelValues[index] = old; });
    return true;
}

bool Scene::SetName(ItemData &item, const std::string &name) {
    std::string old = item.name;
    Rename(item, name);
    m_journal.Record([this, &item, old] { Rename(item, old); });
    return true;
}

void Scene::TruncateItems(size_t count) {
    while (m_items.size() > count) {
        ItemData *item = m_items.back().get();
        if (onItemRemoved) onItemRemoved(item);
        Detach(*item);
        for (ItemData *child : item->children) child->parent = nullptr;
        if (item->instanceOf) --item->instanceOf->instances;
        if (item->instances)
            for (const auto &other : m_items)
                if (other->instanceOf == item) other->instanceOf = nullptr;
        m_byIdent.erase(item->ident);
        UnindexName(*item);
        m_items.pop_back();
    }
}

void Scene::Clear() {
    TruncateItems(0);
    m_identCounter = 0;
}

}  // namespace gorva::host

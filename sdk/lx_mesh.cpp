#include "lx_mesh.hpp"

namespace {
template <class Loc>
bool AccessorFrom(ILxMesh *mesh, LxResult (ILxMesh::*getter)(void **), Loc &acc) {
    acc.clear();
    if (!mesh) return false;
    void *obj = nullptr;
    if (LXx_FAIL((mesh->*getter)(&obj))) return false;
    return acc.take(obj);
}

ILxMesh *MeshOf(ILxUnknownID obj, CLxUser_Mesh &holder) {
    return holder.set(obj) ? holder.loc() : nullptr;
}
}  // namespace

bool CLxUser_Point::fromMesh(CLxUser_Mesh &mesh) {
    return AccessorFrom(mesh.loc(), &ILxMesh::PointAccessor, *this);
}
bool CLxUser_Point::fromMeshObj(ILxUnknownID obj) {
    CLxUser_Mesh mesh;
    return AccessorFrom(MeshOf(obj, mesh), &ILxMesh::PointAccessor, *this);
}
bool CLxUser_Polygon::fromMesh(CLxUser_Mesh &mesh) {
    return AccessorFrom(mesh.loc(), &ILxMesh::PolygonAccessor, *this);
}
bool CLxUser_Polygon::fromMeshObj(ILxUnknownID obj) {
    CLxUser_Mesh mesh;
    return AccessorFrom(MeshOf(obj, mesh), &ILxMesh::PolygonAccessor, *this);
}
bool CLxUser_Edge::fromMesh(CLxUser_Mesh &mesh) {
    return AccessorFrom(mesh.loc(), &ILxMesh::EdgeAccessor, *this);
}
bool CLxUser_Edge::fromMeshObj(ILxUnknownID obj) {
    CLxUser_Mesh mesh;
    return AccessorFrom(MeshOf(obj, mesh), &ILxMesh::EdgeAccessor, *this);
}
bool CLxUser_MeshMap::fromMesh(CLxUser_Mesh &mesh) {
    return AccessorFrom(mesh.loc(), &ILxMesh::MeshMapAccessor, *this);
}

bool CLxUser_StringTag::Get(LXtID4 type, std::string &text) {
    const char *tag = nullptr;
    if (LXx_FAIL(m_loc->Get(type, &tag)) || !tag) return false;
    text = tag;
    return true;
}

unsigned CLxUser_Mesh::NPoints() {
    unsigned n = 0;
    return LXx_OK(m_loc->PointCount(&n)) ? n : 0;
}
unsigned CLxUser_Mesh::NPolygons() {
    unsigned n = 0;
    return LXx_OK(m_loc->PolygonCount(&n)) ? n : 0;
}
unsigned CLxUser_Mesh::NEdges() {
    unsigned n = 0;
    return LXx_OK(m_loc->EdgeCount(&n)) ? n : 0;
}

LXtMarkMode CLxUser_MeshService::SetMode(const char *set) {
    LXtMarkMode mode = LXiMARK_ANY;
    return LXx_OK(m_loc->ModeCompose(set, nullptr, &mode)) ? mode : LXiMARK_ANY;
}
LXtMarkMode CLxUser_MeshService::ClearMode(const char *clear) {
    LXtMarkMode mode = LXiMARK_ANY;
    return LXx_OK(m_loc->ModeCompose(nullptr, clear, &mode)) ? mode : LXiMARK_ANY;
}

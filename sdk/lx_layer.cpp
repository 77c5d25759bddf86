#include "lx_layer.hpp"

unsigned CLxUser_LayerScan::NumLayers() {
    unsigned n = 0;
    return LXx_OK(m_loc->Count(&n)) ? n : 0;
}

bool CLxUser_LayerScan::ItemByIndex(unsigned i, CLxUser_Item &item) {
    void *p = nullptr;
    item.clear();
    return LXx_OK(m_loc->MeshItem(i, &p)) && item.take(p);
}

bool CLxUser_LayerScan::BaseMeshByIndex(unsigned i, CLxUser_Mesh &mesh) {
    void *p = nullptr;
    mesh.clear();
    return LXx_OK(m_loc->MeshBase(i, &p)) && mesh.take(p);
}

bool CLxUser_LayerScan::EditMeshByIndex(unsigned i, CLxUser_Mesh &mesh) {
    void *p = nullptr;
    mesh.clear();
    return LXx_OK(m_loc->MeshEdit(i, &p)) && mesh.take(p);
}

bool CLxUser_LayerService::BeginScan(unsigned flags, CLxUser_LayerScan &scan) {
    void *p = nullptr;
    scan.clear();
    return test() && LXx_OK(m_loc->ScanAllocate(flags, &p)) && scan.take(p);
}

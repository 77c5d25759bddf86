// Layer service: scans over the active mesh layers, for reading or for editing.
#pragma once

#include "lx_com.hpp"
#include "lx_item.hpp"
#include "lx_mesh.hpp"

#define LXf_LAYERSCAN_ACTIVE 0x01u
#define LXf_LAYERSCAN_BACKGROUND 0x02u
#define LXf_LAYERSCAN_PRIMARY 0x04u
#define LXf_LAYERSCAN_MARKVERTS 0x10u
#define LXf_LAYERSCAN_MARKEDGES 0x20u
#define LXf_LAYERSCAN_MARKPOLYS 0x40u
#define LXf_LAYERSCAN_MARKDIVS 0x80u
#define LXf_LAYERSCAN_WRITEMESH 0x100u

#define LXf_MESHEDIT_POSITION 0x01u
#define LXf_MESHEDIT_POINTS 0x02u
#define LXf_MESHEDIT_POLYGONS 0x04u
#define LXf_MESHEDIT_POL_TAGS 0x08u
#define LXf_MESHEDIT_MAP_UV 0x40u

class ILxLayerScan : public ILxUnknown {
public:
    static constexpr const char *IID = "ILxLayerScan";
    virtual LxResult Count(unsigned *count) = 0;
    virtual LxResult MeshItem(unsigned index, void **item) = 0;
    virtual LxResult MeshBase(unsigned index, void **mesh) = 0;
    /// Editable mesh; fails unless the scan was begun with LXf_LAYERSCAN_WRITEMESH.
    virtual LxResult MeshEdit(unsigned index, void **mesh) = 0;
    virtual LxResult SetMeshChange(unsigned index, unsigned edits) = 0;
    /// Commits the scan's edits; a scan released without Apply takes its edits back.
    virtual LxResult Apply() = 0;

protected:
    ~ILxLayerScan() = default;
};

class ILxLayerService : public ILxUnknown {
public:
    static constexpr const char *IID = "ILxLayerService";
    virtual LxResult ScanAllocate(unsigned flags, void **scan) = 0;

protected:
    ~ILxLayerService() = default;
};

class CLxUser_LayerScan : public CLxLocT<ILxLayerScan> {
public:
    LxResult Count(unsigned *n) { return m_loc->Count(n); }
    /// Number of layers, 0 when the count fails.
    unsigned NumLayers();
    bool ItemByIndex(unsigned i, CLxUser_Item &item);
    bool BaseMeshByIndex(unsigned i, CLxUser_Mesh &mesh);
    bool EditMeshByIndex(unsigned i, CLxUser_Mesh &mesh);
    LxResult SetMeshChange(unsigned i, unsigned edits) { return m_loc->SetMeshChange(i, edits); }
    LxResult Apply() { return m_loc->Apply(); }
};

class CLxUser_LayerService : public CLxLocServiceT<ILxLayerService> {
public:
    LxResult ScanAllocate(unsigned flags, void **scan) { return m_loc->ScanAllocate(flags, scan); }
    bool BeginScan(unsigned flags, CLxUser_LayerScan &scan);
};

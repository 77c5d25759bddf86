// Layer scans check the edits they made against the changes declared with SetMeshChange: an
// undeclared kind of edit fails Apply, keeps the edits, and logs an error naming the layer.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "tests/support/shapes.hpp"
#include "host/host.hpp"
#include "lx_layer.hpp"
#include "lx_mesh.hpp"

using namespace gorva::host;

namespace {

constexpr unsigned kWritable = LXf_LAYERSCAN_ACTIVE | LXf_LAYERSCAN_WRITEMESH;

/// One layer opened for editing through a writable scan, with its accessors.
struct EditScan {
    explicit EditScan(unsigned layerIndex = 0) : layer(layerIndex) {
        CLxUser_LayerService service;
        ok = service.BeginScan(kWritable, scan) && scan.EditMeshByIndex(layer, mesh) &&
             mesh.GetPoints(points) && mesh.GetPolygons(polygons) &&
             tags.set(static_cast<ILxUnknownID>(polygons)) && mesh.GetMaps(maps);
    }
    LXtPointID AddPoint(double x, double y, double z) {
        LXtVector pos = {x, y, z};
        LXtPointID id = nullptr;
        EXPECT_EQ(points.New(pos, &id), LXe_OK);
        return id;
    }
    LXtPolygonID AddTriangle(LXtPointID a, LXtPointID b, LXtPointID c) {
        LXtPointID verts[3] = {a, b, c};
        LXtPolygonID id = nullptr;
        EXPECT_EQ(polygons.New(LXiPTYP_FACE, verts, 3, 0, &id), LXe_OK);
        return id;
    }
    LXtPointID Point(unsigned index) {
        points.SelectByIndex(index);
        return points.ID();
    }
    void MovePoint(unsigned index, double x) {
        LXtVector pos = {x, 0, 0};
        points.SelectByIndex(index);
        EXPECT_EQ(points.SetPos(pos), LXe_OK);
    }
    void SetPart(LXtPolygonID polygon, const char *part) {
        polygons.Select(polygon);
        EXPECT_EQ(tags.Set(LXi_PTAG_PART, part), LXe_OK);
    }
    void SetUV(LXtPolygonID polygon, LXtPointID corner, float u, float v) {
        ASSERT_EQ(maps.SelectByName(LXi_VMAP_TEXTUREUV, "Texture"), LXe_OK);
        const float uv[2] = {u, v};
        polygons.Select(polygon);
        EXPECT_EQ(polygons.SetMapValue(corner, maps.ID(), uv), LXe_OK);
    }
    LxResult Finish(unsigned declared) {
        scan.SetMeshChange(layer, declared);
        return scan.Apply();
    }

    unsigned layer;
    bool ok = false;
    CLxUser_LayerScan scan;
    CLxUser_Mesh mesh;
    CLxUser_Point points;
    CLxUser_Polygon polygons;
    CLxLoc_StringTag tags;
    CLxUser_MeshMap maps;
};

/// A unit quad "Grid" with an empty "Texture" UV map, active.
ItemData &UVGrid(Host &host) {
    ItemData &grid = AddMesh(host, GridShape(1, 1));
    grid.mesh->AddMap(LXi_VMAP_TEXTUREUV, "Texture", 2);
    return grid;
}

struct EditCase {
    const char *name;
    unsigned kind;     // the SetMeshChange bit the edit needs
    const char *word;  // how the log line names it
    std::function<void(EditScan &)> edit;
};

const EditCase kEditCases[] = {
    {"moved point", LXf_MESHEDIT_POSITION, "position", [](EditScan &s) { s.MovePoint(0, 7.0); }},
    {"new point", LXf_MESHEDIT_POINTS, "points", [](EditScan &s) { s.AddPoint(3, 0, 3); }},
    {"new polygon", LXf_MESHEDIT_POLYGONS, "polygons",
     [](EditScan &s) { s.AddTriangle(s.Point(0), s.Point(1), s.Point(2)); }},
    {"tag", LXf_MESHEDIT_POL_TAGS, "polygon tags",
     [](EditScan &s) {
         s.polygons.SelectByIndex(0);
         s.SetPart(s.polygons.ID(), "Renamed");
     }},
    {"uv", LXf_MESHEDIT_MAP_UV, "UV map values",
     [](EditScan &s) {
         s.polygons.SelectByIndex(0);
         s.SetUV(s.polygons.ID(), s.Point(0), 0.5f, 0.25f);
     }},
};

/// The error lines (level 0) logged so far.
std::vector<std::string> Errors(const Host &host) {
    std::vector<std::string> lines;
    for (const LogLine &line : host.log)
        if (line.level == 0) lines.push_back(line.text);
    return lines;
}

/// The mesh's state that an edit changes: positions, counts, part tags and UV values.
struct MeshState {
    std::vector<Float3> positions;
    uint32_t polygons;
    std::vector<std::string> parts;
    std::vector<std::pair<uint32_t, std::vector<float>>> uvs;

    static MeshState Of(MeshData &mesh) {
        MeshState s{mesh.Positions(), mesh.PolygonCount(), {}, {}};
        mesh.Map(0).values.ForEach([&](uint32_t corner, const float *value) {
            s.uvs.emplace_back(corner, std::vector<float>(value, value + mesh.Map(0).Dim()));
        });
        for (uint32_t p = 0; p < mesh.PolygonCount(); ++p) {
            const char *tag = mesh.Tag(p, LXi_PTAG_PART);
            s.parts.push_back(tag ? tag : "");
        }
        return s;
    }
    bool operator==(const MeshState &o) const {
        return positions == o.positions && polygons == o.polygons && parts == o.parts && uvs == o.uvs;
    }
};

TEST(HostScanEdits, UndeclaredEditFailsApplyKeepsTheEditAndLogsTheLayer) {
    for (const EditCase &c : kEditCases) {
        SCOPED_TRACE(c.name);
        Host host;
        ItemData &grid = UVGrid(host);
        const MeshState before = MeshState::Of(*grid.mesh);
        {
            EditScan scan;
            ASSERT_TRUE(scan.ok);
            c.edit(scan);
            // Every other kind declared: only the missing one counts.
            EXPECT_EQ(scan.Finish(0x4Fu & ~c.kind), LXe_FAILED);
        }
        EXPECT_FALSE(MeshState::Of(*grid.mesh) == before) << "the edit was taken back";
        const std::vector<std::string> errors = Errors(host);
        ASSERT_EQ(errors.size(), 1u);
        EXPECT_NE(errors[0].find("layer 0"), std::string::npos) << errors[0];
        EXPECT_NE(errors[0].find(grid.ident), std::string::npos) << errors[0];
        EXPECT_NE(errors[0].find(c.word), std::string::npos) << errors[0];
    }
}

TEST(HostScanEdits, DeclaredEditAppliesQuietly) {
    for (const EditCase &c : kEditCases) {
        for (unsigned declared : {c.kind, 0x4Fu}) {
            SCOPED_TRACE(std::string(c.name) + " declared " + std::to_string(declared));
            Host host;
            ItemData &grid = UVGrid(host);
            const MeshState before = MeshState::Of(*grid.mesh);
            {
                EditScan scan;
                ASSERT_TRUE(scan.ok);
                c.edit(scan);
                EXPECT_EQ(scan.Finish(declared), LXe_OK);
            }
            EXPECT_FALSE(MeshState::Of(*grid.mesh) == before);
            EXPECT_TRUE(Errors(host).empty());
        }
    }
}

TEST(HostScanEdits, NewElementsCarryTheirPositionsTagsAndUVs) {
    // What is written on points and polygons the scan made belongs to those new elements.
    Host host;
    ItemData &grid = UVGrid(host);
    {
        EditScan scan;
        ASSERT_TRUE(scan.ok);
        LXtPointID a = scan.AddPoint(0, 1, 0), b = scan.AddPoint(1, 1, 0), c = scan.AddPoint(0, 1, 1);
        scan.MovePoint(4, 2.0);
        LXtPolygonID triangle = scan.AddTriangle(a, b, c);
        scan.SetPart(triangle, "Arch");
        scan.SetUV(triangle, a, 1.0f, 0.0f);
        EXPECT_EQ(scan.Finish(LXf_MESHEDIT_POINTS | LXf_MESHEDIT_POLYGONS), LXe_OK);
    }
    EXPECT_TRUE(Errors(host).empty());
    ASSERT_EQ(grid.mesh->PolygonCount(), 2u);
    EXPECT_STREQ(grid.mesh->Tag(1, LXi_PTAG_PART), "Arch");
    EXPECT_EQ(grid.mesh->Positions()[4][0], 2.0f);
}

TEST(HostScanEdits, EachLayerAnswersForItsOwnEdits) {
    Host host;
    ItemData &first = AddMesh(host, GridShape(1, 1));
    ItemData &second = AddMesh(host, GridShape(1, 1, 0.0f, 5.0f));
    {
        EditScan scan(1);
        ASSERT_TRUE(scan.ok);
        scan.AddPoint(9, 0, 9);
        // Declared on the wrong layer.
        scan.scan.SetMeshChange(0, LXf_MESHEDIT_POINTS);
        EXPECT_EQ(scan.scan.Apply(), LXe_FAILED);
    }
    EXPECT_EQ(second.mesh->PointCount(), 5u);
    const std::vector<std::string> errors = Errors(host);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_NE(errors[0].find("layer 1"), std::string::npos) << errors[0];
    EXPECT_NE(errors[0].find(second.ident), std::string::npos) << errors[0];
    EXPECT_EQ(errors[0].find(first.ident), std::string::npos) << errors[0];
}

TEST(HostScanEdits, ScanWithoutEditsAppliesWithoutDeclaring) {
    Host host;
    AddMesh(host, GridShape(2, 2));
    EditScan untouched;
    ASSERT_TRUE(untouched.ok);
    EXPECT_EQ(untouched.scan.Apply(), LXe_OK);
    EXPECT_TRUE(Errors(host).empty());
}

}  // namespace

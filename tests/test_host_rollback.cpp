// A command that fails is taken back whole: items, parents, channels, names and the selection.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "tests/support/shapes.hpp"
#include "host/host.hpp"

namespace {

namespace gh = gorva::host;

using ItemState = std::tuple<std::string, std::string, int, const gh::ItemData *, std::vector<double>,
                             std::vector<gh::ItemData *>>;

struct State {
    std::vector<ItemState> items;
    std::vector<std::pair<const gh::MeshData *, uint32_t>> polygons, points;
    std::vector<const gh::ItemData *> selectedItems;
    std::vector<uint32_t> polyMarks, pointMarks;
    LXtID4 current = 0;

    static State Of(gh::Host &host, gh::ItemData &mesh) {
        static const LXtID4 types[] = {LXxID4('V', 'E', 'R', 'X'), LXxID4('P', 'O', 'L', 'Y'),
                                       LXxID4('I', 'T', 'E', 'M'), 0};
        State s;
        for (const auto &item : host.scene.Items())
            s.items.emplace_back(item->ident, item->name, item->type, item->parent, item->channelValues,
                                 item->children);
        for (const auto &p : host.selection.Polygons()) s.polygons.emplace_back(p.mesh, p.polygon);
        for (const auto &p : host.selection.Vertices()) s.points.emplace_back(p.mesh, p.point);
        for (const auto &i : host.selection.ItemList()) s.selectedItems.push_back(i.item);
        s.polyMarks = mesh.mesh->PolygonMarks();
        s.pointMarks = mesh.mesh->PointMarks();
        s.current = host.selection.CurrentType(types);
        return s;
    }
    bool operator==(const State &o) const {
        return std::tie(items, polygons, points, selectedItems, polyMarks, pointMarks, current) ==
               std::tie(o.items, o.polygons, o.points, o.selectedItems, o.polyMarks, o.pointMarks, o.current);
    }
};

TEST(HostRollback, FailedCommandLeavesSceneAndSelectionAsTheyWere) {
    gh::Host host;
    auto &mesh = gh::AddMesh(host, gh::GridShape(3, 1));
    auto &other = gh::AddMesh(host, gh::GridShape(1, 1));
    gh::SelectPoints(host, mesh, {4, 1});
    gh::SelectPolygons(host, mesh, {2, 0});
    host.selection.SelectItem(other);
    host.selection.SelectItem(mesh);
    const State before = State::Of(host, mesh);

    bool failing = true;
    host.RegisterCommand({"test.halfDone",
                          {},
                          [&](gh::Host &h, const std::vector<std::string> &) {
                              auto *group = h.scene.AddItem(gh::ItemTypeCode("groupLocator"), "Group");
                              auto *light = h.scene.AddItem(gh::ItemTypeCode("areaLight"));
                              h.scene.SetParent(*light, group);
                              h.scene.SetParent(other, group);
                              h.scene.SetChannel(mesh, unsigned(mesh.ChannelIndex("pos.Y")), 3.0);
                              h.scene.SetName(mesh, "Renamed");
                              h.selection.DeselectPolygon(*mesh.mesh, 2);
                              h.selection.SelectPolygon(*mesh.mesh, 1);
                              h.selection.Clear(gh::kSelVertex);
                              h.selection.DeselectItem(other);
                              h.selection.SelectItem(*light);
                              h.selection.SelectVertex(*mesh.mesh, 0);
                              return failing ? gh::CommandResult{LXe_FAILED, "failed"} : gh::CommandResult{};
                          },
                          {}});
    EXPECT_FALSE(host.Run("test.halfDone", {}).ok());
    EXPECT_TRUE(State::Of(host, mesh) == before);

    failing = false;
    EXPECT_TRUE(host.Run("test.halfDone", {}).ok());
    EXPECT_FALSE(State::Of(host, mesh) == before);
}

}  // namespace

// The page's forms: values as a person reads them, labels and tooltips from the kit's help.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "app/serve/page_fields.hpp"
#include "tests/test_support.hpp"

using namespace gorva::host;
using Json = nlohmann::json;

namespace {

TEST(PageFieldText, NumbersShowAsTheHostPrintsThemAndOtherTextStaysAsItIs) {
    struct Case {
        const char *type, *value, *text;
    } cases[] = {
        {"distance", "0.69589643648154997", "695.9 mm"},
        {"distance", "1.3917928729630999", "1.392 m"},
        {"distance", "-0", "0 m"},
        {"distance", "2500", "2.5 km"},
        {"angle", "0.52359877559829882", "30\xc2\xb0"},
        {"angle", "3.141592653589793", "180\xc2\xb0"},
        {"integer", "20", "20"},
        {"float", "0.69589643648154997", "0.695896"},
        {"float", "1e-07", "1e-07"},
        {"color", "1 0.5 0.25000000000000001", "1 0.5 0.25"},
        {"boolean", "1", "1"},
        {"string", "0.69589643648154997", "0.69589643648154997"},
        {"integer", "fast", "fast"},
        {"distance", "", ""},
        {"distance", "1e39", "1e39"},
    };
    for (const Case &c : cases) EXPECT_EQ(FieldText(c.type, c.value), c.text) << c.type << " " << c.value;
}

class PageFieldsTest : public HostTest {
protected:
    static const Json &Named(const Json &fields, const std::string &name) {
        for (const Json &f : fields)
            if (f["name"] == name) return f;
        ADD_FAILURE() << "no field " << name;
        static const Json none = Json::object();
        return none;
    }
};

TEST_F(PageFieldsTest, ToolFieldsTakeTheirHelpsLabelsAndTheNameOnlyWhereTheHelpHasNone) {
    ASSERT_TRUE(host.config.tools.count("gORVA.Arch"));
    host.config.tools["gORVA.Arch"].arguments.erase("arch_segments");
    Json fields = ToolFieldsJson(host, "gORVA.Arch");
    const Json &geometry = Named(fields, "arch_geometry_mode");
    EXPECT_EQ(geometry["label"], "Geometry");
    EXPECT_EQ(geometry["tooltip"],
              host.config.tools["gORVA.Arch"].arguments["arch_geometry_mode"].description);
    EXPECT_FALSE(geometry["choices"].empty());
    EXPECT_EQ(Named(fields, "crownX")["label"], "Crown X");
    EXPECT_EQ(Named(fields, "arch_segments")["label"], "Arch Segments");
    const Json &span = Named(fields, "arch_span");
    EXPECT_EQ(span["text"], FieldText("distance", span["value"]))
        << "the exact value travels beside its text";
    EXPECT_EQ(ToolButtonJson(host, "gORVA.Arch")["label"], "Arch");
}

TEST_F(PageFieldsTest, CommandFormsTakeArgumentLabelsAndChoicesFromTheCommand) {
    Json light = CommandFormJson(host, "gORVA.Cmd.AddLightAtPolyPos");
    EXPECT_EQ(light["label"], "Add Light to Poly Pos");
    EXPECT_EQ(Named(light["arguments"], "radiant_emittance")["label"], "Radiance");
    Json normal = CommandFormJson(host, "gORVA.Cmd.SelectbyNormal");
    const Json &mode = Named(normal["arguments"], "match_mode");
    ASSERT_EQ(mode["choices"].size(), 2u);
    EXPECT_EQ(mode["choices"][1]["name"], "full");
    EXPECT_EQ(mode["choices"][1]["value"], 1);
    ASSERT_TRUE(host.config.userValues.count("gORVA_01_SelectbyNormal_NormalVariation"));
    const Json &variation = Named(normal["userValues"], "gORVA_01_SelectbyNormal_NormalVariation");
    EXPECT_EQ(variation["text"], FieldText("angle", variation["value"]));
}

}  // namespace

// Pictures from the real program: PNG through OpenGL where it works, and cairo's painter, with the
// reason told, where it does not.
#include "tests/e2e/e2e_support.hpp"

namespace {

const char *kScript = "scene.open \"" GORVA_EXAMPLES_DIR
                      "/facade.obj\"\n"
                      "render floor.png width:64 height:48\n"
                      "render again.png width:64 height:48\n"
                      "render floor.svg width:64 height:48\n";

bool IsPng(const std::string &bytes) {
    return bytes.size() > 8 && bytes.compare(0, 8, "\x89PNG\r\n\x1a\n") == 0;
}

}  // namespace

TEST_F(GorvaProgram, PngPicturesNeedNoWordAboutThePainterWhereOpenGlWorks) {
    Script("pictures.gorva", kScript);
    Outcome o = Gorva("run pictures.gorva");
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(o.err.find("render:"), std::string::npos) << o.err;
    EXPECT_TRUE(IsPng(Slurp(dir / "floor.png")));
}

TEST_F(GorvaProgram, WithoutOpenGlPngPicturesArePaintedAndTheReasonIsToldOnce) {
    Script("pictures.gorva", kScript);
    Outcome o = Gorva("run pictures.gorva", "", "GORVA_PICTURES=cairo");
    EXPECT_EQ(o.status, 0) << o.err;
    size_t told = o.err.find("render: GORVA_PICTURES=cairo");
    ASSERT_NE(told, std::string::npos) << o.err;
    EXPECT_NE(o.err.find("without a depth buffer"), std::string::npos) << o.err;
    EXPECT_EQ(o.err.find("render:", told + 1), std::string::npos) << "told more than once: " << o.err;
    EXPECT_TRUE(IsPng(Slurp(dir / "floor.png")));
    EXPECT_TRUE(IsPng(Slurp(dir / "again.png")));
    EXPECT_NE(Slurp(dir / "floor.svg").find("<svg"), std::string::npos);
}

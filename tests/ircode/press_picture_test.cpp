// The picture of a press: where marks land on the time axis, the ticks, and
// the SVG document written from the same shapes.
#include "ircode/press_picture.h"

#include <gtest/gtest.h>

#include <string>

namespace orvalin::ircode {
namespace {

std::size_t count(const std::string& text, const std::string& what) {
    std::size_t n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

TEST(PressPicture, MarksLieWhereTheyAreSentOnOneAxis) {
    // 10 ms in all on 910 px with 70 px left for labels, 20 right: 0.082 px/us.
    const PressPicture p =
        layout_press({{"replay", {9000, -500, 400, -100}}, {"capture", {8000, -1000, 500}}}, 910);
    ASSERT_EQ(p.marks.size(), 4u);
    const double scale = 820.0 / 10000;
    const struct {
        double x, width;
    } expected[] = {{70, 9000 * scale},
                    {70 + 9500 * scale, 400 * scale},
                    {70, 8000 * scale},
                    {70 + 9000 * scale, 500 * scale}};
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_NEAR(p.marks[i].x, expected[i].x, 1e-6) << i;
        EXPECT_NEAR(p.marks[i].width, expected[i].width, 1e-6) << i;
    }
    // The second row lies below the first; both have the same mark height.
    EXPECT_GT(p.marks[2].y, p.marks[0].y);
    EXPECT_EQ(p.marks[0].height, p.marks[2].height);
    // Row labels, then ticks every 2 ms from 0 to 10 ms.
    ASSERT_EQ(p.texts.size(), 2u + 6u);
    EXPECT_EQ(p.texts[0].text, "replay");
    EXPECT_EQ(p.texts[1].text, "capture");
    EXPECT_EQ(p.texts[2].text, "0 ms");
    EXPECT_EQ(p.texts[3].text, "2 ms");
    EXPECT_EQ(p.texts[7].text, "10 ms");
}

TEST(PressPicture, TicksAndVeryShortMarksStayReadable) {
    const struct {
        long length_us;
        const char* second_tick;
    } cases[] = {{1000, "0.2 ms"}, {108000, "20 ms"}, {450000, "100 ms"}};
    for (const auto& c : cases) {
        const PressPicture p = layout_press({{"r", {1, -static_cast<int>(c.length_us - 1)}}});
        ASSERT_GE(p.texts.size(), 3u);
        EXPECT_EQ(p.texts[2].text, c.second_tick) << c.length_us;
        // A 1 us mark on a long axis is still half a pixel wide.
        EXPECT_GE(p.marks.at(0).width, 0.5);
    }
    // Nothing to draw: an empty axis, no crash.
    const PressPicture empty = layout_press({});
    EXPECT_TRUE(empty.marks.empty());
}

TEST(PressPicture, SvgHoldsEveryShapeAndEscapesLabels) {
    const PressPicture p = layout_press({{"a<b & \"c\"", {560, -560, 560, -1690, 560}}});
    const std::string svg = press_svg(p);
    EXPECT_EQ(svg.rfind("<?xml", 0), 0u);
    EXPECT_NE(svg.find("<svg xmlns=\"http://www.w3.org/2000/svg\""), std::string::npos);
    EXPECT_EQ(count(svg, "<rect x="), 3u);
    EXPECT_EQ(count(svg, "<line "), p.lines.size());
    EXPECT_EQ(count(svg, "<text "), p.texts.size());
    EXPECT_NE(svg.find(">a&lt;b &amp; &quot;c&quot;</text>"), std::string::npos);
    EXPECT_EQ(svg.find("a<b"), std::string::npos);
    EXPECT_TRUE(svg.ends_with("</svg>\n"));
}

}  // namespace
}  // namespace orvalin::ircode

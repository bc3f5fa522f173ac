// Documents that are broken or built to hurt: refused with a message and a
// line, or rendered within bounds, never a crash or a hang.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "zd_render.h"

namespace {

struct Result {
  ZdImage *image = nullptr;
  ZdrReport report{};
  std::vector<std::string> warnings;
  ~Result() { zd_image_free(image); }
};

void collect(void *context, const char *message) {
  static_cast<std::vector<std::string> *>(context)->push_back(message);
}

void render(const std::string &text, Result &result, ZdrOptions options = {}) {
  result.image =
      zdr_render_svg(text.data(), text.size(), &options, collect, &result.warnings, &result.report);
}

const char kOpen[] = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"20\" height=\"20\">";

int alphaAt(ZdImage *image, int x, int y) {
  uint8_t *pixels = nullptr;
  int64_t length = 0;
  zd_image_pixels(image, &pixels, &length);
  return pixels[(static_cast<int64_t>(y) * zd_image_width(image) + x) * 4 + 3];
}

TEST(HostileDocuments, BrokenDocumentsAreRefusedWithTheirLine) {
  const struct {
    const char *text;
    const char *message;
    int line;
  } cases[] = {
      {"<svg xmlns=\"http://www.w3.org/2000/svg\">\n<g>\n</svg>", "mismatched tag", 3},
      {"", "no element found", 1},
      {"<html><body/></html>", "the root element is not svg", 1},
      {"\n\n<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"0\" height=\"10\"/>",
       "no usable size", 3},
      {"<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 -1 5\"/>", "no usable size", 1},
      {"<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"10\" height=\"10\"><p:x/></svg>",
       "unbound prefix", 1},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.text);
    Result result;
    render(c.text, result);
    EXPECT_EQ(result.image, nullptr);
    EXPECT_NE(std::string(result.report.error).find(c.message), std::string::npos)
        << result.report.error;
    EXPECT_EQ(result.report.line, c.line);
  }
}

// Entities are refused before any is expanded: a billion laughs is a short
// failure, not gigabytes of text; so is a single harmless entity.
TEST(HostileDocuments, EntityDeclarationsAreRefused) {
  std::string laughs = "<?xml version=\"1.0\"?>\n<!DOCTYPE svg [\n<!ENTITY a \"lollollollol\">\n";
  for (int i = 1; i < 10; ++i) {
    const std::string previous(1, static_cast<char>('a' + i - 1));
    std::string refs;
    for (int k = 0; k < 10; ++k) refs += "&" + previous + ";";
    laughs += "<!ENTITY " + std::string(1, static_cast<char>('a' + i)) + " \"" + refs + "\">\n";
  }
  laughs +=
      "]>\n<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"9\" height=\"9\"><desc>&j;</desc></svg>";
  const auto start = std::chrono::steady_clock::now();
  Result result;
  render(laughs, result);
  EXPECT_EQ(result.image, nullptr);
  EXPECT_STREQ(result.report.error, "entity declarations are not supported");
  EXPECT_EQ(result.report.line, 3);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));

  Result external;
  render("<!DOCTYPE svg [<!ENTITY x SYSTEM \"file:///etc/passwd\">]><svg/>", external);
  EXPECT_EQ(external.image, nullptr);
}

TEST(HostileDocuments, DeepNestingIsRefused) {
  std::string deep = kOpen;
  for (int i = 0; i < 600; ++i) deep += "<g>";
  for (int i = 0; i < 600; ++i) deep += "</g>";
  deep += "</svg>";
  Result result;
  render(deep, result);
  EXPECT_EQ(result.image, nullptr);
  EXPECT_NE(std::string(result.report.error).find("nested deeper than 512"), std::string::npos);

  // Nesting within the limit renders.
  std::string fine = kOpen;
  for (int i = 0; i < 400; ++i) fine += "<g>";
  fine += "<rect width=\"20\" height=\"20\"/>";
  for (int i = 0; i < 400; ++i) fine += "</g>";
  fine += "</svg>";
  Result rendered;
  render(fine, rendered);
  ASSERT_NE(rendered.image, nullptr);
  EXPECT_EQ(alphaAt(rendered.image, 10, 10), 255);
}

// A use that reaches itself (directly, through a group, through another use)
// is drawn no deeper than its first instance; the rest of the document is
// drawn.
TEST(HostileDocuments, UseCyclesEnd) {
  const std::string cycles = std::string(kOpen) +
                             "<use id=\"self\" href=\"#self\"/>"
                             "<g id=\"a\"><use href=\"#b\"/><rect width=\"5\" height=\"5\"/></g>"
                             "<g id=\"b\"><use href=\"#a\"/></g>"
                             "<use href=\"#a\" x=\"10\" y=\"10\"/>"
                             "<use href=\"#missing\"/></svg>";
  Result result;
  render(cycles, result);
  ASSERT_NE(result.image, nullptr);
  EXPECT_EQ(alphaAt(result.image, 2, 2), 255);
  EXPECT_EQ(alphaAt(result.image, 12, 12), 255);
  EXPECT_EQ(alphaAt(result.image, 17, 17), 0);
  EXPECT_FALSE(result.warnings.empty());
}

// Each level uses the one below ten times: 10^9 shapes unbounded. Drawing
// stops at the element budget, with a warning.
TEST(HostileDocuments, UseBombIsBounded) {
  std::string bomb = std::string(kOpen) + "<defs><rect id=\"l0\" width=\"1\" height=\"1\"/>";
  for (int level = 1; level <= 9; ++level) {
    bomb += "<g id=\"l" + std::to_string(level) + "\">";
    for (int k = 0; k < 10; ++k) bomb += "<use href=\"#l" + std::to_string(level - 1) + "\"/>";
    bomb += "</g>";
  }
  bomb += "</defs><use href=\"#l9\"/></svg>";
  const auto start = std::chrono::steady_clock::now();
  Result result;
  render(bomb, result);
  ASSERT_NE(result.image, nullptr);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
  ASSERT_FALSE(result.warnings.empty());
  EXPECT_NE(result.warnings.back().find("drawing stopped after"), std::string::npos);
}

TEST(HostileDocuments, HugeSizesAreCapped) {
  Result result;
  render(
      "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"100000\" height=\"50000\">"
      "<rect width=\"100%\" height=\"100%\"/></svg>",
      result);
  ASSERT_NE(result.image, nullptr);
  const int64_t area =
      static_cast<int64_t>(zd_image_width(result.image)) * zd_image_height(result.image);
  EXPECT_LE(area, ZDR_MAX_PIXELS);
  EXPECT_GT(area, ZDR_MAX_PIXELS / 2);
  EXPECT_EQ(zd_image_width(result.image), 2 * zd_image_height(result.image));
  ASSERT_EQ(result.warnings.size(), 1u);
  EXPECT_NE(result.warnings[0].find("100000x50000 is over the cap"), std::string::npos);
  EXPECT_EQ(result.report.unsupported, 0);
}

// Megabytes of path data render; a path beyond the filler's segment limit is
// skipped with a warning while the rest is drawn.
TEST(HostileDocuments, LongPathDataIsBounded) {
  std::string data = "M0 0";
  for (int i = 0; i < 300000; ++i)
    data += " L" + std::to_string(i % 20) + " " + std::to_string((i * 7) % 20);
  Result result;
  render(std::string(kOpen) + "<path d=\"" + data +
             "\"/><rect x=\"15\" y=\"15\" width=\"5\" height=\"5\"/></svg>",
         result);
  ASSERT_NE(result.image, nullptr);
  EXPECT_EQ(alphaAt(result.image, 17, 17), 255);

  std::string curves = "M0 0";
  for (int i = 0; i < 200000; ++i)
    curves += " A 9 9 0 1 1 " + std::to_string(i % 2 ? 0 : 18) + " 0";
  Result tooMany;
  render(std::string(kOpen) + "<path d=\"" + curves +
             "\"/><rect x=\"15\" y=\"15\" width=\"5\" height=\"5\"/></svg>",
         tooMany);
  ASSERT_NE(tooMany.image, nullptr);
  EXPECT_EQ(alphaAt(tooMany.image, 17, 17), 255);
  ASSERT_FALSE(tooMany.warnings.empty());
  EXPECT_NE(tooMany.warnings[0].find("not drawn"), std::string::npos);
}

// Unsupported content: one warning per kind, naming it, with the line of its
// first appearance; the supported rest is drawn.
TEST(HostileDocuments, UnsupportedContentWarnsOncePerKind) {
  Result result;
  render(std::string(kOpen) +
             "\n<text>a</text><text>b</text>\n<filter id=\"f\"/><image href=\"x.png\"/>"
             "<rect width=\"20\" height=\"20\" clip-path=\"url(#c)\" mask=\"none\"/>"
             "<rect width=\"5\" height=\"5\" fill=\"url(#p)\"/><pattern id=\"p\"/>"
             "<foo:bar xmlns:foo=\"urn:x\"/></svg>",
         result);
  ASSERT_NE(result.image, nullptr);
  EXPECT_EQ(alphaAt(result.image, 10, 10), 255);
  const std::vector<std::string> expected = {
      "unsupported element <text> skipped (line 2)",
      "unsupported element <filter> skipped (line 3)",
      "unsupported element <image> skipped (line 3)",
      "unsupported property clip-path skipped (line 3)",
      "unsupported element <pattern> as a paint skipped (line 3)",
      "unsupported element <pattern> skipped (line 3)",
  };
  EXPECT_EQ(result.warnings, expected);
  EXPECT_EQ(result.report.unsupported, 6);
}

TEST(HostileDocuments, NilArgumentsAreRefused) {
  ZdrReport report{};
  EXPECT_EQ(zdr_render_svg(nullptr, 0, nullptr, nullptr, nullptr, &report), nullptr);
  EXPECT_STREQ(report.error, "no document");
  const std::string text = std::string(kOpen) + "</svg>";
  ZdImage *image = zdr_render_svg(text.data(), text.size(), nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(zd_image_width(image), 20);
  zd_image_free(image);
}

}  // namespace

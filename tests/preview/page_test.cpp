// The page text: names escaped, URLs encoded and relative to the page, facts placed once,
// broken GIFs and failed folders marked, nothing loaded from elsewhere.
#include <gtest/gtest.h>

#include "preview/preview.h"
#include "preview/preview_support.h"

namespace morvane::preview {
namespace {

using e2e::Occurrences;
using testing::GifBytes;
using testing::TempDirTest;

TEST(EscapeHtml, MarkupCharactersBecomeReferencesAndControlBytesQuestionMarks) {
  EXPECT_EQ(EscapeHtml("a<b&c>\"d'e"), "a&lt;b&amp;c&gt;&quot;d&#39;e");
  EXPECT_EQ(EscapeHtml(std::string("\x01\t\x1F\x7F", 4)), "????");
  EXPECT_EQ(EscapeHtml("caf\xC3\xA9 #%?"), "caf\xC3\xA9 #%?");
}

TEST(EncodeUrlPath, EverythingButUnreservedBytesAndSlashIsEncoded) {
  EXPECT_EQ(EncodeUrlPath("../out/walk_N-1.~x.gif"), "../out/walk_N-1.~x.gif");
  EXPECT_EQ(EncodeUrlPath("a b#c%d?e&f<g\"h'i"), "a%20b%23c%25d%3Fe%26f%3Cg%22h%27i");
  EXPECT_EQ(EncodeUrlPath(std::string("\x01\x7F\xC3\xA9", 4)), "%01%7F%C3%A9");
  // A colon could make a relative path a scheme, a backslash a separator.
  EXPECT_EQ(EncodeUrlPath("c:x\\y"), "c%3Ax%5Cy");
}

class BuildPageTest : public TempDirTest {
 protected:
  std::string Page(const std::vector<std::string>& folders, const std::string& page) {
    std::vector<SpriteFolder> scanned;
    for (const std::string& folder : folders) scanned.push_back(ScanFolder(dir_ + "/" + folder));
    return BuildPage(scanned, dir_ + "/" + page);
  }
};

TEST_F(BuildPageTest, HostileNamesAreEscapedInTextAndEncodedInLinks) {
  const std::string gif = GifBytes(7, 5).Frame().End();
  Write("x<y&z/a&b#1%?.gif", gif);
  Write("x<y&z/<script>_N.gif", gif);
  Write("x<y&z/<script>_S.gif", gif);
  const std::string page = Page({"x<y&z"}, "page.html");

  EXPECT_NE(page.find("src=\"x%3Cy%26z/a%26b%231%25%3F.gif\""), std::string::npos);
  EXPECT_NE(page.find("src=\"x%3Cy%26z/%3Cscript%3E_N.gif\""), std::string::npos);
  EXPECT_NE(page.find("<h3>&lt;script&gt;</h3>"), std::string::npos);
  EXPECT_NE(page.find("<span class=\"name\">x&lt;y&amp;z</span>"), std::string::npos);
  // The page's own script is the only one.
  EXPECT_EQ(Occurrences(page, "<script>"), 1u);
}

TEST_F(BuildPageTest, LinksAreRelativeToThePage) {
  Write("out/hero/walk.gif", GifBytes(7, 5).Frame().End());
  EXPECT_NE(Page({"out/hero"}, "pages/p.html").find("src=\"../out/hero/walk.gif\""),
            std::string::npos);
  EXPECT_NE(Page({"out/hero"}, "out/hero/p.html").find("src=\"walk.gif\""), std::string::npos);
  EXPECT_NE(Page({"out/hero/"}, "p.html").find("src=\"out/hero/walk.gif\""), std::string::npos);
}

TEST_F(BuildPageTest, SelfContained) {
  Write("hero/walk.gif", GifBytes(7, 5).Frame().End());
  const std::string page = Page({"hero"}, "p.html");
  for (const char* outside : {"://", "<link", "@import", "url("}) {
    EXPECT_EQ(page.find(outside), std::string::npos) << outside;
  }
  // Every src is a GIF of the folder.
  EXPECT_EQ(Occurrences(page, "src=\""), Occurrences(page, "src=\"hero/walk.gif\""));
}

TEST_F(BuildPageTest, FactsAllDirectionsShareAreShownOnceOnTheCard) {
  Write("hero/walk_N.gif", GifBytes(7, 5).Loop(0).Frame().Frame().End());
  Write("hero/walk_S.gif", GifBytes(9, 5).Loop(0).Frame().Frame().End());
  const std::string page = Page({"hero"}, "p.html");
  EXPECT_NE(page.find("<span>8 directions</span><span>2 frames</span><span>delay \u2014</span>"
                      "<span>loops for ever</span><span>opaque</span></div>"),
            std::string::npos);
  EXPECT_NE(page.find("<b>N</b> 7\u00d75 \u00b7 "), std::string::npos);
  EXPECT_NE(page.find("<b>S</b> 9\u00d75 \u00b7 "), std::string::npos);
}

TEST_F(BuildPageTest, BrokenGifsAndEmptyFoldersAreMarked) {
  Write("hero/walk_N.gif", GifBytes(7, 5).Frame().End());
  Write("hero/walk_S.gif", "not a GIF");
  Write("ghost/notes.txt", "");
  const std::string page = Page({"hero", "ghost"}, "p.html");

  EXPECT_NE(page.find("<article class=\"card bad\" data-name=\"walk\">"), std::string::npos);
  EXPECT_NE(page.find("<figure class=\"gif broken\" data-file=\"hero/walk_S.gif\">"),
            std::string::npos);
  EXPECT_NE(page.find("<span class=\"reason\">Data is not in GIF format</span>"),
            std::string::npos);
  EXPECT_EQ(page.find("<img src=\"hero/walk_S.gif\""), std::string::npos);
  EXPECT_NE(page.find("<section class=\"folder failed\" data-name=\"ghost\">"), std::string::npos);
  EXPECT_NE(page.find("1 broken GIF \u00b7 1 folder without GIFs"), std::string::npos);
}

TEST_F(BuildPageTest, TransparentGifsStandOnTheCheckerboard) {
  Write("hero/a.gif", GifBytes(7, 5).Control(0, 0).Frame().End());
  Write("hero/b.gif", GifBytes(7, 5).Frame().End());
  const std::string page = Page({"hero"}, "p.html");
  EXPECT_NE(page.find("class=\"frame checker\" href=\"hero/a.gif\""), std::string::npos);
  EXPECT_NE(page.find("class=\"frame\" href=\"hero/b.gif\""), std::string::npos);
}

}  // namespace
}  // namespace morvane::preview

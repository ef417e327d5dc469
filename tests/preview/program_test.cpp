// The program run on its command line: the page written whole or not at all, exit status 0
// only when it was written, clear messages otherwise.
#include <gtest/gtest.h>

#include <sstream>

#include "preview/preview.h"
#include "preview/preview_support.h"

namespace morvane::preview {
namespace {

namespace fs = std::filesystem;
using testing::GifBytes;
using testing::ListDirectory;
using testing::ReadText;
using testing::TempDirTest;

class ProgramTest : public TempDirTest {
 protected:
  void SetUp() override {
    TempDirTest::SetUp();
    Write("hero/walk_N.gif", GifBytes(7, 5).Frame().End());
    Write("hero/walk_S.gif", GifBytes(7, 5).Frame().End());
  }

  int Preview(std::vector<std::string> arguments) {
    out_.str("");
    err_.str("");
    return RunPreview(arguments, out_, err_);
  }

  std::ostringstream out_;
  std::ostringstream err_;
};

TEST_F(ProgramTest, WritesThePageAndNothingElse) {
  const testing::Outcome run = testing::Run(MORVANE_PREVIEW, dir_, {"hero"});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.output, "Wrote preview.html: 1 folder, 1 sequence, 2 GIFs, " +
                            std::to_string(2 * GifBytes(7, 5).Frame().End().size()) + " B\n");
  EXPECT_EQ(ListDirectory(dir_), (std::vector<std::string>{"hero", "preview.html"}));
  EXPECT_EQ(ListDirectory(dir_ + "/hero"), (std::vector<std::string>{"walk_N.gif", "walk_S.gif"}));

  EXPECT_EQ(Preview({"-o", dir_ + "/other.html", dir_ + "/hero", dir_ + "/hero"}), 0);
  const std::string page = ReadText(dir_ + "/other.html");
  EXPECT_EQ(page.find("<!DOCTYPE html>"), 0u);
  // A folder named twice is shown once.
  EXPECT_EQ(page.find("data-name=\"hero\"", page.find("data-name=\"hero\"") + 1),
            std::string::npos);
}

TEST_F(ProgramTest, AMissingFolderIsAnErrorAndWritesNoPage) {
  const testing::Outcome run = testing::Run(MORVANE_PREVIEW, dir_, {"hero", "heor"});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.output.substr(0, run.output.find('\n')),
            "morvane-preview: Folder 'heor' not found");
  EXPECT_FALSE(fs::exists(dir_ + "/preview.html"));

  EXPECT_EQ(Preview({"-o", dir_ + "/p.html", dir_ + "/hero/walk_N.gif"}), 1);
  EXPECT_NE(err_.str().find("is not a folder"), std::string::npos);
}

TEST_F(ProgramTest, AnUnwritablePageIsAnErrorAndLeavesNothingBehind) {
  Write("file", "x");
  const testing::Outcome run = testing::Run(MORVANE_PREVIEW, dir_, {"-o", "file/p.html", "hero"});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.output, "morvane-preview: Cannot create file file/p.html\n");

  // A folder standing where the page should go is kept, and no temporary file stays.
  fs::create_directory(dir_ + "/page.html");
  EXPECT_EQ(Preview({"-o", dir_ + "/page.html", dir_ + "/hero"}), 1);
  EXPECT_EQ(err_.str(), "morvane-preview: Cannot create file " + dir_ + "/page.html\n");
  EXPECT_EQ(ListDirectory(dir_), (std::vector<std::string>{"file", "hero", "page.html"}));
}

TEST_F(ProgramTest, CommandLineMistakesPrintTheUsage) {
  for (const std::vector<std::string>& arguments :
       std::vector<std::vector<std::string>>{{}, {"-o"}, {"-x", "hero"}}) {
    EXPECT_EQ(Preview(arguments), 1);
    EXPECT_NE(err_.str().find("\nUsage: morvane-preview"), std::string::npos) << err_.str();
  }
  EXPECT_EQ(Preview({"--help"}), 0);
  EXPECT_EQ(out_.str().find("Usage: morvane-preview"), 0u);
  EXPECT_FALSE(fs::exists(dir_ + "/preview.html"));

  // After "--" a name starting with "-" is a folder.
  fs::create_directory(dir_ + "/-x");
  EXPECT_EQ(Preview({"-o", dir_ + "/p.html", "--", dir_ + "/-x"}), 0) << err_.str();
}

TEST_F(ProgramTest, ListFilesNameTheFoldersTheirSpritesWentTo) {
  Write("hero.spr", "");
  Write("ghost.spr", "");
  Write("all.lst", "hero.spr\r\nghost.spr::walk*\r\n");
  const testing::Outcome run = testing::Run(MORVANE_PREVIEW, dir_, {"@all.lst::idle"});
  EXPECT_EQ(run.status, 0) << run.output;
  EXPECT_NE(run.output.find("2 folders, 1 sequence, 2 GIFs"), std::string::npos) << run.output;
  EXPECT_NE(run.output.find(", 1 folder without GIFs\n"), std::string::npos) << run.output;
  const std::string page = ReadText(dir_ + "/preview.html");
  EXPECT_NE(page.find("<section class=\"folder failed\" data-name=\"ghost\">"), std::string::npos);

  EXPECT_EQ(Preview({"@" + dir_ + "/none.lst"}), 1);
  EXPECT_EQ(
      err_.str().substr(0, err_.str().find('\n')),
      "morvane-preview: Error in list file '" + dir_ + "/none.lst': No such file or directory");
}

}  // namespace
}  // namespace morvane::preview

// The path rules of the Windows build: where names split, how output paths are made, and which
// names Windows would refuse or read as a device.
#ifdef _WIN32
#include <gtest/gtest.h>

#include "params/file_spec.h"
#include "platform/path.h"

namespace morvane {
namespace {

TEST(WindowsPaths, SplitAtTheLastBackslashSlashOrColon) {
  const struct {
    const char* path;
    const char* directory;
    const char* base_name;
  } cases[] = {
      {"C:\\x\\hero.spr", "C:\\x\\", "hero"},
      {"C:hero.spr", "C:", "hero"},
      {"sub/inner\\a.b.spr", "sub/inner\\", "a.b"},
      {"sub\\x/y.spr", "sub\\x/", "y"},
      {"hero.spr", "", "hero"},
      {"\\\\server\\share\\z.spr", "\\\\server\\share\\", "z"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(DirectoryPart(c.path), c.directory) << c.path;
    EXPECT_EQ(BaseName(c.path), c.base_name) << c.path;
  }
  EXPECT_TRUE(IsAbsolutePath("C:\\x"));
  EXPECT_TRUE(IsAbsolutePath("\\\\server\\share"));
  EXPECT_FALSE(IsAbsolutePath("C:x"));
  EXPECT_FALSE(IsAbsolutePath("x\\y"));
}

TEST(WindowsPaths, OutputFoldersOfCommandLineAndListSpecs) {
  EXPECT_EQ(ParseFileSpec("C:\\x\\hero.spr", false).output_directory, ".\\hero");
  EXPECT_EQ(ParseFileSpec("C:\\x\\hero.spr", true).output_directory, "C:\\x\\hero");
  EXPECT_EQ(ParseFileSpec("sub/...spr", true).output_directory, "sub/_._");
  EXPECT_EQ(ParseFileSpec("con.spr", false).output_directory, ".\\_con");
  EXPECT_EQ(ParseFileSpec("Lpt1.x.spr", true).output_directory, "_Lpt1.x");
  EXPECT_EQ(ParseFileSpec("trail .spr", false).output_directory, ".\\trail_");
  EXPECT_EQ(JoinPath(".\\hero", "walk_N.gif"), ".\\hero\\walk_N.gif");
}

TEST(WindowsPaths, SafeNames) {
  const std::pair<std::string, std::string> cases[] = {
      {"a<b>c:d\"e|f?g*h", "a_b_c_d_e_f_g_h"},
      {"x\x01y\x1Fz", "x_y_z"},
      {"a/b\\c", "a_b_c"},
      {"con", "_con"},
      {"NUL.txt", "_NUL.txt"},
      {"com9", "_com9"},
      {"com0", "com0"},
      {"conan", "conan"},
      {"h\xC3\xA9ros", "h\xC3\xA9ros"},
  };
  for (const auto& [name, safe] : cases) EXPECT_EQ(SafeFileName(name), safe) << name;
  EXPECT_EQ(SafeFolderName("x."), "x_");
  EXPECT_EQ(SafeFolderName("aux"), "_aux");
}

}  // namespace
}  // namespace morvane
#endif

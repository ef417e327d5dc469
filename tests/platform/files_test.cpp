#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/stat.h>
#endif

#include <filesystem>
#include <span>

#include "core/errors.h"
#include "platform/file.h"
#include "platform/fs.h"
#include "support/temp_dir.h"

namespace morvane {
namespace {

namespace fs = std::filesystem;

// The message of the error of type E that f raises, "no error" when it raises none.
template <typename E, typename Function>
std::string ErrorOf(Function f) {
  try {
    f();
  } catch (const E& e) {
    return e.Message();
  }
  return "no error";
}

using TextFiles = testing::TempDirTest;

TEST_F(TextFiles, LinesEndAtLfOrCrLf) {
  EXPECT_EQ(ReadTextLines(Write("a", "one\r\ntwo\nthree")),
            (std::vector<std::string>{"one", "two", "three"}));
  EXPECT_EQ(ReadTextLines(Write("b", "one\n\n")), (std::vector<std::string>{"one", ""}));
  EXPECT_EQ(ReadTextLines(Write("c", "")), std::vector<std::string>{});
  // A lone CR is part of the line.
  EXPECT_EQ(ReadTextLines(Write("d", "a\rb\n")), std::vector<std::string>{"a\rb"});
}

TEST_F(TextFiles, ErrorsCarryTheSystemText) {
  EXPECT_EQ(ErrorOf<IoError>([&] { ReadTextLines(Path("missing")); }), "No such file or directory");
  EXPECT_EQ(ErrorOf<IoError>([&] { ReadTextLines(dir_); }), "Is a directory");
}

TEST_F(TextFiles, ExistenceIsForRegularFilesOnly) {
  EXPECT_TRUE(FileExists(Write("f", "x")));
  EXPECT_FALSE(FileExists(dir_));
  EXPECT_FALSE(FileExists(dir_ + "/none"));
  EXPECT_FALSE(FileExists(""));
  EXPECT_TRUE(CreateDirectory(dir_ + "/sub"));
  EXPECT_FALSE(CreateDirectory(dir_ + "/sub"));
  EXPECT_FALSE(CreateDirectory(dir_ + "/no/such/parent"));
}

TEST_F(TextFiles, AppendCreatesOnlyWhenAsked) {
  const std::string path = dir_ + "/log";
  EXPECT_FALSE(AppendText(path, "x\n", false));
  EXPECT_FALSE(fs::exists(path));
  EXPECT_TRUE(AppendText(path, "a\n", true));
  EXPECT_TRUE(AppendText(path, "b\n", false));
  EXPECT_EQ(ReadTextLines(path), (std::vector<std::string>{"a", "b"}));
}

using SpriteFiles = testing::TempDirTest;

TEST_F(SpriteFiles, DiskAndMemoryFilesReadAlike) {
  const std::string path = Write("s", "0123456789");
  std::unique_ptr<SpriteFile> disk = DiskFile::Open(path);
  MemoryFile memory(std::vector<std::uint8_t>{'0', '1', '2', '3', '4', '5', '6', '7', '8', '9'});
  for (SpriteFile* file :
       {static_cast<SpriteFile*>(disk.get()), static_cast<SpriteFile*>(&memory)}) {
    EXPECT_EQ(file->Size(), 10);
    char buffer[8] = {};
    file->Seek(6);
    EXPECT_EQ(file->ReadUpTo(buffer, 8), 4u);
    EXPECT_EQ(file->Position(), 10);
    file->Seek(8);
    EXPECT_THROW(file->ReadExact(buffer, 3), IoError);
    file->Seek(20);
    EXPECT_EQ(file->ReadUpTo(buffer, 1), 0u);
    EXPECT_EQ(file->Remaining(), 0);
  }
}

TEST_F(SpriteFiles, OpenReportsTheSystemText) {
#ifdef _WIN32
  // A device is never read: the console would wait for input.
  const std::pair<std::string, std::string> cases[] = {
      {dir_, "Is a directory"},
      {Path("missing.spr"), "No such file or directory"},
      {Path("missing/x.spr"), "No such file or directory"},
      {"NUL", "Not a regular file"},
      {Path("con.spr"), "Not a regular file"}};
#else
  // A FIFO nobody writes would block an open for ever; it is refused without opening it.
  ASSERT_EQ(mkfifo(Path("pipe.spr").c_str(), 0600), 0);
  const std::pair<std::string, std::string> cases[] = {
      {dir_, "Is a directory"},
      {Path("missing.spr"), "No such file or directory"},
      {Path("pipe.spr"), "Not a regular file"},
      {"/dev/null", "Not a regular file"}};
#endif
  for (const auto& [path, message] : cases) {
    EXPECT_EQ(ErrorOf<IoError>([&] { DiskFile::Open(path); }), message) << path;
  }
}

using AtomicWrites = testing::TempDirTest;

TEST_F(AtomicWrites, ReplacesTheFileAndAnyLinkStandingThere) {
  const std::string target = Write("target", "keep");
  const std::string path = dir_ + "/out.gif";
  std::error_code error;
  fs::create_symlink(target, path, error);
  if (error) GTEST_SKIP() << "no symbolic links here: " << error.message();
  WriteFileAtomically(path, {'G', 'I', 'F'});
  EXPECT_FALSE(fs::is_symlink(path));
  EXPECT_EQ(ReadTextLines(path), std::vector<std::string>{"GIF"});
  EXPECT_EQ(ReadTextLines(target), std::vector<std::string>{"keep"});
}

TEST_F(AtomicWrites, FailureLeavesNoFileBehind) {
  fs::create_directory(dir_ + "/out.gif");  // a directory standing at the name
  for (const std::string& path : {Path("out.gif"), Path("missing/out.gif")})
    EXPECT_EQ(ErrorOf<Error>([&] { WriteFileAtomically(path, {'x'}); }),
              "Cannot create file " + path);
  int entries = 0;
  for ([[maybe_unused]] const auto& entry : fs::directory_iterator(dir_)) ++entries;
  EXPECT_EQ(entries, 1);  // only the directory; no temporary file left
}

// A written file waits under a hidden temporary name with the mode a new file gets under the
// umask, and stands only once placed; unplaced, it leaves nothing behind.
TEST_F(AtomicWrites, PendingFilesStandOnlyOncePlaced) {
#ifndef _WIN32
  const mode_t old_mask = ::umask(027);
#endif
  {
    PendingFile placed = PendingFile::Write(Path("a.gif"), {'a'});
    PendingFile dropped = PendingFile::Write(Path("b.gif"), {'b'});
    EXPECT_FALSE(fs::exists(Path("a.gif")));
    int hidden = 0;
    for (const auto& entry : fs::directory_iterator(dir_))
      hidden += entry.path().filename().string().starts_with(".morvane-");
    EXPECT_EQ(hidden, 2);
    PendingFile moved = std::move(placed);
    moved.Place();
  }
#ifndef _WIN32
  ::umask(old_mask);
  EXPECT_EQ(fs::status(Path("a.gif")).permissions(),
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
#endif
  int entries = 0;
  for ([[maybe_unused]] const auto& entry : fs::directory_iterator(dir_)) ++entries;
  EXPECT_EQ(entries, 1);
}

// A file written piece by piece is its pieces in order, up to the first empty one; a piece
// that cannot be made leaves nothing behind.
TEST_F(AtomicWrites, PiecesMakeOneFileOrNone) {
  const std::vector<std::string> pieces = {"GI", "F8", "9a", "", "never"};
  std::size_t next = 0;
  PendingFile::WriteInPieces(Path("a.gif"), [&]() -> std::span<const std::uint8_t> {
    const std::string& piece = pieces[next++];
    return {reinterpret_cast<const std::uint8_t*>(piece.data()), piece.size()};
  }).Place();
  EXPECT_EQ(ReadTextLines(Path("a.gif")), std::vector<std::string>{"GIF89a"});
  EXPECT_EQ(next, 4u);
  EXPECT_THROW(
      PendingFile::WriteInPieces(
          Path("b.gif"), []() -> std::span<const std::uint8_t> { throw Error("no more pixels"); }),
      Error);
  int entries = 0;
  for ([[maybe_unused]] const auto& entry : fs::directory_iterator(dir_)) ++entries;
  EXPECT_EQ(entries, 1);
}

}  // namespace
}  // namespace morvane

// A sprite file that shrinks after it was parsed, before its images are loaded (another program
// truncating it): the job ends with a clear error of that file, or converts what is still
// whole, and never reads what is not there.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "app/convert_file.h"
#include "app/e2e_sprites.h"
#include "app/executable.h"
#include "app/text_report.h"
#include "core/errors.h"
#include "sprite/sprite.h"

namespace morvane::e2e {
namespace {

// The sprite file in memory, cut to keep bytes at the first seek: the job reads the headers
// front to back and seeks only when it loads a collection's images. Size() either tells the
// truth after the cut or keeps reporting the size the file had (a stale size).
class ShrinkingFile final : public SpriteFile {
 public:
  ShrinkingFile(sprwriter::Bytes bytes, std::size_t keep, bool stale_size)
      : bytes_(std::move(bytes)), size_(bytes_.size()), keep_(keep), stale_(stale_size) {}

  std::int64_t Size() const override {
    return static_cast<std::int64_t>(stale_ ? size_ : bytes_.size());
  }
  std::int64_t Position() const override { return position_; }
  void Seek(std::int64_t position) override {
    if (!cut_) bytes_.resize(std::min(keep_, bytes_.size()));
    cut_ = true;
    position_ = position;
  }
  std::size_t ReadUpTo(void* buffer, std::size_t count) override {
    const std::int64_t left = static_cast<std::int64_t>(bytes_.size()) - position_;
    if (left <= 0 || count == 0) return 0;
    const std::size_t n = std::min(count, static_cast<std::size_t>(left));
    std::memcpy(buffer, bytes_.data() + position_, n);
    position_ += static_cast<std::int64_t>(n);
    return n;
  }

 private:
  sprwriter::Bytes bytes_;
  std::size_t size_;
  std::size_t keep_;
  bool stale_;
  bool cut_ = false;
  std::int64_t position_ = 0;
};

class ShrinkingSprite : public ExecutableTest {
 protected:
  // The job on the file cut to keep bytes: "ok", or the error's kind and message.
  std::string Convert(const sprwriter::Bytes& bytes, std::size_t keep, bool stale) {
    fs::remove_all(Path("out"));
    fs::create_directory(Path("out"));
    ShrinkingFile file(bytes, keep, stale);
    const FileSpec spec{"cut.spr", "*", "cut", Path("out")};
    std::string outcome = "ok";
    testing::TextReport console;
    try {
      WorkerPool pool(1);
      ConvertSpriteFile(file, spec, RunSettingsRecord{}, console, pool);
    } catch (const SpriteFormatError& e) {
      outcome = "parse error: " + e.Message();
    } catch (const IoError& e) {
      outcome = "i/o error: " + e.Message();
    } catch (const std::exception& e) {
      outcome = std::string("other: ") + e.what();
    }
    const std::vector<std::string> written = ListDirectory(Path("out"));
    EXPECT_EQ(written,
              outcome == "ok" ? std::vector<std::string>{"walk.gif"} : std::vector<std::string>{})
        << outcome;
    return outcome;
  }
};

TEST_F(ShrinkingSprite, ACutAfterParsingEndsTheFileCleanly) {
  for (const bool packed : {false, true}) {
    sprwriter::Sprite sprite = OneFrameSprite(6, 6, true).ToSprite();
    sprite.collections[0].images.packed = packed;
    sprwriter::Layout layout;
    const sprwriter::Bytes bytes = sprwriter::WriteSprite(sprite, &layout);
    const auto tag = static_cast<std::size_t>(layout.image_sets[0]);
    const auto data = static_cast<std::size_t>(layout.image_data[0]);
    for (const bool stale : {false, true}) {
      SCOPED_TRACE(std::string(packed ? "packed" : "plain") + (stale ? ", stale size" : ""));
      EXPECT_EQ(Convert(bytes, bytes.size(), stale), "ok");
      EXPECT_EQ(Convert(bytes, tag, stale), "i/o error: Read beyond end of file");
      EXPECT_EQ(Convert(bytes, tag + 9, stale), "i/o error: Read beyond end of file");
      EXPECT_EQ(Convert(bytes, data + 300, stale), "parse error: wrong number of subimages: 0");
      EXPECT_EQ(Convert(bytes, bytes.size() - 20, stale),
                "parse error: wrong number of subimages: 0");
    }
    // Only the end marker lost: every place is there and the data simply ends.
    if (!packed) {
      EXPECT_EQ(Convert(bytes, bytes.size() - 1, false), "ok");
    }
  }
}

}  // namespace
}  // namespace morvane::e2e

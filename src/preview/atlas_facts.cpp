// Atlas facts through nlohmann's JSON reader, event by event: the atlas is never held in memory,
// only the place of the value being read.
#include <cstdio>
#include <initializer_list>
#include <memory>
#include <nlohmann/json.hpp>
#include <string_view>
#include <vector>

#include "preview/preview.h"
#include "preview/regular_file.h"

namespace morvane::preview {

namespace {

// An atlas nests four deep ("frames", a frame, "frame", "w"); a file nested much deeper is not
// one, and its depth is not followed.
constexpr std::size_t kMaxDepth = 32;

class AtlasScanner final : public nlohmann::json_sax<nlohmann::json> {
 public:
  explicit AtlasScanner(AtlasFacts& facts) : facts_(facts) {}

  bool frames_seen() const { return frames_seen_; }
  const std::string& error() const { return error_; }

  bool null() override { return Value(); }
  bool boolean(bool) override { return Value(); }
  bool number_integer(number_integer_t value) override { return Number(value); }
  bool number_unsigned(number_unsigned_t value) override {
    return Number(
        value <= static_cast<number_unsigned_t>(INT64_MAX) ? static_cast<std::int64_t>(value) : 0);
  }
  bool number_float(number_float_t, const string_t&) override { return Value(); }
  bool string(string_t&) override { return Value(); }
  bool binary(binary_t&) override { return Value(); }
  bool start_object(std::size_t) override { return Value() && Enter(false); }
  bool key(string_t& key) override {
    levels_.back().key = key;
    return true;
  }
  bool end_object() override { return Leave(); }
  bool start_array(std::size_t) override {
    if (!Value()) return false;
    if (At({"frames"})) frames_seen_ = true;
    return Enter(true);
  }
  bool end_array() override { return Leave(); }
  bool parse_error(std::size_t, const std::string&,
                   const nlohmann::detail::exception& exception) override {
    // The reader's text without its "[json.exception.parse_error.101] " tag.
    const std::string_view text = exception.what();
    const std::size_t tag_end = text.find("] ");
    error_ = std::string(tag_end == std::string_view::npos ? text : text.substr(tag_end + 2));
    return false;
  }

 private:
  struct Level {
    bool is_array = false;
    std::string key;          // an object's key being read
    std::int64_t index = -1;  // an array's element being read
  };

  // Every value, a container's included, starts here.
  bool Value() {
    if (!levels_.empty() && levels_.back().is_array) ++levels_.back().index;
    if (At({"frames", "*"})) ++facts_.frame_count;
    if (At({"meta", "frameTags", "*"})) ++facts_.tag_count;
    return true;
  }

  bool Number(std::int64_t value) {
    Value();
    if (At({"frames", "0", "frame", "w"})) facts_.cell_width = value;
    if (At({"frames", "0", "frame", "h"})) facts_.cell_height = value;
    if (At({"meta", "size", "w"})) facts_.width = value;
    if (At({"meta", "size", "h"})) facts_.height = value;
    return true;
  }

  bool Enter(bool is_array) {
    if (levels_.size() == kMaxDepth) {
      error_ = "Nested deeper than an atlas";
      return false;
    }
    levels_.push_back({is_array, {}, -1});
    return true;
  }

  bool Leave() {
    levels_.pop_back();
    return true;
  }

  // Whether the value being read is at path from the top: keys for objects, and for arrays
  // "*" (any element) or the element's index.
  bool At(std::initializer_list<std::string_view> path) const {
    if (path.size() != levels_.size()) return false;
    auto level = levels_.begin();
    for (const std::string_view step : path) {
      const bool match = level->is_array ? step == "*" || step == std::to_string(level->index)
                                         : level->key == step;
      if (!match) return false;
      ++level;
    }
    return true;
  }

  AtlasFacts& facts_;
  std::vector<Level> levels_;
  bool frames_seen_ = false;
  std::string error_;
};

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

}  // namespace

AtlasFacts ReadAtlasFacts(const std::string& path) {
  AtlasFacts facts;
  Descriptor descriptor = OpenRegularFile(path, facts.file_size, facts.error);
  if (!descriptor.is_open()) return facts;
  if (facts.file_size > kMaxAtlasBytes) {
    facts.error = "Larger than an atlas is read (" + std::to_string(kMaxAtlasBytes >> 20) + " MiB)";
    return facts;
  }
  const std::unique_ptr<std::FILE, FileCloser> file(::fdopen(descriptor.get(), "rb"));
  if (!file) {
    facts.error = "Cannot read the file";
    return facts;
  }
  descriptor.Release();  // the stream closes it now

  AtlasScanner scanner(facts);
  const bool read = nlohmann::json::sax_parse(file.get(), &scanner);
  if (!read) {
    facts.error = scanner.error().empty() ? "Not a JSON atlas" : scanner.error();
  } else if (!scanner.frames_seen()) {
    facts.error = "No \"frames\" array in the atlas";
  } else if (facts.frame_count == 0) {
    facts.error = "No frame in the atlas";
  }
  return facts;
}

}  // namespace morvane::preview

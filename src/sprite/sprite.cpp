#include "sprite/sprite.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "sprite/binary.h"

namespace morvane {

using binary::CheckCount;
using binary::ReadInt32;
using binary::ReadUInt16;
using binary::RequireRemaining;

namespace {

constexpr std::uint8_t kSpriteTag[11] = {'<', 's', 'p', 'r', 'i', 't', 'e', '>', 0, '4', 0};
constexpr std::uint8_t kSprAnimTag[12] = {'<', 's', 'p', 'r', 'a', 'n', 'i', 'm', '>', 0, '1', 0};

// The smallest records the file can hold, so that a count never reserves room for more
// records than the rest of the file could back.
constexpr std::int64_t kMinSequenceRecord = 4 + 4 + 2;
constexpr std::int64_t kMinCollectionHeader = 12 + 4 + 4 + 4 + 4;
constexpr std::int64_t kFrameBoxSize = 16;

// Checks a list count read from the file and reserves room for it, bounded by the records the
// rest of the file can hold.
template <typename List>
void ReserveCount(List& list, std::int32_t count, const SpriteFile& file,
                  std::int64_t min_record_size) {
  if (count < 0) {
    throw IndexError("List capacity out of bounds (" + std::to_string(count) + ")");
  }
  list.reserve(
      static_cast<std::size_t>(std::min<std::int64_t>(count, file.Remaining() / min_record_size)));
}

std::string ReadName(SpriteFile& file) {
  const std::int32_t length = ReadInt32(file);
  CheckCount(length, "name length", file.Position());
  RequireRemaining(file, static_cast<std::uint64_t>(length));
  std::string name(static_cast<std::size_t>(length), '\0');
  file.ReadExact(name.data(), name.size());
  return name;
}

}  // namespace

std::string FilePosText(std::int64_t position) {
  char text[16];
  std::snprintf(text, sizeof text, "%08X",
                static_cast<unsigned>(static_cast<std::uint32_t>(position)));
  return std::string("Filepos=") + text;
}

// ---- Sequence ----

Sequence::Sequence(SpriteFile& file) {
  const std::int32_t count = ReadInt32(file);
  CheckCount(count, "frame count", file.Position());
  const auto n = static_cast<std::size_t>(count);
  RequireRemaining(file, static_cast<std::uint64_t>(n) * 6);

  // N frame entries of 2 bytes, then N values of 4 bytes that nothing uses: read in one go,
  // so that the file is only ever read forward.
  std::vector<std::uint8_t> bytes(n * 6);
  file.ReadExact(bytes.data(), bytes.size());
  frames_.resize(n);
  for (std::size_t i = 0; i < n; ++i) {
    frames_[i] = static_cast<std::int16_t>(bytes[2 * i] | bytes[2 * i + 1] << 8);
  }

  name_ = ReadName(file);
  collection_index_ = ReadUInt16(file);

  // A command marker hides the three entries after it. The scan runs forward over entries it
  // has already changed, so a marker hidden by an earlier one does not act; a marker in one
  // of the last three places changes nothing.
  for (std::size_t i = 0; i + 3 < n; ++i) {
    if (frames_[i] == kCommandMarker) std::fill_n(frames_.begin() + i + 1, 3, -1);
  }
}

std::int16_t Sequence::FrameIndex(std::int32_t i) const {
  if (i < 0 || i >= FrameCount()) return 0;
  return frames_[static_cast<std::size_t>(i)];
}

// ---- Collection ----

struct Collection::Header {
  std::int32_t image_pos = 0;
  std::string name;
  std::int32_t frame_count = 0;
  std::int32_t direction_count = 0;
  std::vector<FrameBox> boxes;
};

Collection::Header Collection::ReadHeader(SpriteFile& file) {
  std::uint8_t tag[sizeof kSprAnimTag];
  file.ReadExact(tag, sizeof tag);
  if (std::memcmp(tag, kSprAnimTag, sizeof tag) != 0) {
    throw SpriteFormatError("<spranim> tag not found. " + FilePosText(file.Position()));
  }
  Header header;
  header.image_pos = ReadInt32(file);
  header.name = ReadName(file);
  header.frame_count = ReadInt32(file);
  CheckCount(header.frame_count, "frame count", file.Position());
  header.direction_count = ReadInt32(file);
  CheckCount(header.direction_count, "direction count", file.Position());

  const std::uint64_t cells = static_cast<std::uint64_t>(header.frame_count) *
                              static_cast<std::uint64_t>(header.direction_count);
  if (cells > static_cast<std::uint64_t>(file.Remaining() / kFrameBoxSize)) {
    throw IoError("Read beyond end of file");
  }
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(cells * kFrameBoxSize));
  file.ReadExact(bytes.data(), bytes.size());
  header.boxes.resize(static_cast<std::size_t>(cells));
  for (std::size_t i = 0; i < header.boxes.size(); ++i) {
    const std::uint8_t* b = &bytes[i * kFrameBoxSize];
    header.boxes[i] = {binary::Int32At(b), binary::Int32At(b + 4), binary::Int32At(b + 8),
                       binary::Int32At(b + 12)};
  }
  return header;
}

Collection::Collection(SpriteFile& file) : Collection(file, ReadHeader(file)) {}

Collection::Collection(SpriteFile& file, Header header)
    : name_(std::move(header.name)),
      frame_count_(header.frame_count),
      direction_count_(header.direction_count),
      boxes_(std::move(header.boxes)),
      images_(file, static_cast<std::int64_t>(boxes_.size()) * 4, header.image_pos) {}

FrameBox Collection::BoxAt(std::int32_t frame, std::int32_t direction) const {
  if (frame < 0 || frame >= frame_count_ || direction < 0 || direction >= direction_count_) {
    return {};
  }
  return boxes_[static_cast<std::size_t>(frame) * static_cast<std::size_t>(direction_count_) +
                static_cast<std::size_t>(direction)];
}

FrameExtent Collection::ExtentAt(std::int32_t frame, std::int32_t direction) const {
  const FrameBox box = BoxAt(frame, direction);
  return {std::int64_t{box.right} - box.left, std::int64_t{box.bottom} - box.top};
}

std::int64_t Collection::SubImageNumber(std::int32_t storage_type, std::int32_t frame_count,
                                        std::int32_t direction_count, std::int32_t frame,
                                        std::int32_t direction, int layer) {
  if (storage_type == ImageSet::kPlain) {
    return (std::int64_t{frame} * direction_count + direction) * 4 + layer;
  }
  return (std::int64_t{layer} * direction_count + direction) * frame_count + frame;
}

template <DrawingCanvas Canvas>
void Collection::DrawFrame(std::int32_t frame, std::int32_t direction, Canvas& canvas,
                           CanvasPoint origin, std::int32_t threshold) const {
  if (frame < 0 || frame >= frame_count_ || direction < 0 || direction >= direction_count_) {
    return;
  }
  for (int layer = 0; layer < 4; ++layer) {
    const std::int64_t number = SubImageNumber(images_.StorageType(), frame_count_,
                                               direction_count_, frame, direction, layer);
    images_.DrawSubImage(number, canvas, layer, origin, threshold);
  }
}

template void Collection::DrawFrame(std::int32_t, std::int32_t, RgbCanvas&, CanvasPoint,
                                    std::int32_t) const;
template void Collection::DrawFrame(std::int32_t, std::int32_t, RgbaCanvas&, CanvasPoint,
                                    std::int32_t) const;

// ---- Sprite ----

Sprite::Sprite(SpriteFile& file) {
  std::uint8_t tag[sizeof kSpriteTag];
  file.ReadExact(tag, sizeof tag);
  if (std::memcmp(tag, kSpriteTag, sizeof tag) != 0) throw SpriteFormatError("not a <sprite> file");

  // Two 3-byte stretches of the header carry nothing the converter uses.
  std::uint8_t unused[3];
  file.ReadExact(unused, sizeof unused);
  width_ = ReadInt32(file);
  height_ = ReadInt32(file);
  file.ReadExact(unused, sizeof unused);

  const std::int32_t sequence_count = ReadInt32(file);
  ReserveCount(sequences_, sequence_count, file, kMinSequenceRecord);
  for (std::int32_t i = 0; i < sequence_count; ++i) sequences_.emplace_back(file);

  const std::int32_t collection_count = ReadInt32(file);
  ReserveCount(collections_, collection_count, file, kMinCollectionHeader);
  for (std::int32_t i = 0; i < collection_count; ++i) collections_.emplace_back(file);

  GroupSequencesByCollection();
}

void Sprite::GroupSequencesByCollection() {
  // One pass counts the sequences of each collection, one places them: converting collection by
  // collection then never walks every sequence again. A sequence naming no collection is left
  // out; the conversion never reaches it.
  const std::size_t collections = collections_.size();
  collection_starts_.assign(collections + 1, 0);
  for (const Sequence& sequence : sequences_) {
    if (sequence.CollectionIndex() < collections)
      ++collection_starts_[sequence.CollectionIndex() + 1];
  }
  for (std::size_t i = 1; i <= collections; ++i) collection_starts_[i] += collection_starts_[i - 1];
  sequences_by_collection_.resize(static_cast<std::size_t>(collection_starts_.back()));
  std::vector<std::int32_t> next(collection_starts_.begin(), collection_starts_.end() - 1);
  for (std::int32_t j = 0; j < SequenceCount(); ++j) {
    const std::size_t collection = sequences_[static_cast<std::size_t>(j)].CollectionIndex();
    if (collection < collections) {
      sequences_by_collection_[static_cast<std::size_t>(next[collection]++)] = j;
    }
  }
}

const Sequence* Sprite::GetSequence(std::int64_t index) const {
  if (index < 0 || index >= SequenceCount()) return nullptr;
  return &sequences_[static_cast<std::size_t>(index)];
}

Collection* Sprite::GetCollection(std::int64_t index) {
  if (index < 0 || index >= CollectionCount()) return nullptr;
  return &collections_[static_cast<std::size_t>(index)];
}

const Collection* Sprite::GetCollection(std::int64_t index) const {
  if (index < 0 || index >= CollectionCount()) return nullptr;
  return &collections_[static_cast<std::size_t>(index)];
}

std::span<const std::int32_t> Sprite::SequencesOf(std::int64_t index) const {
  if (index < 0 || index >= CollectionCount()) return {};
  const auto i = static_cast<std::size_t>(index);
  return std::span<const std::int32_t>(sequences_by_collection_)
      .subspan(static_cast<std::size_t>(collection_starts_[i]),
               static_cast<std::size_t>(collection_starts_[i + 1] - collection_starts_[i]));
}

void Sprite::LoadCollectionImages(std::int32_t index, std::int64_t file_size) {
  const std::int64_t end =
      index + 1 < CollectionCount() ? GetCollection(index + 1)->Images().ImagePos() : file_size;
  GetCollection(index)->Images().LoadImages(end);
}

}  // namespace morvane

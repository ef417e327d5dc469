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

namespace {

Sequence ReadSequence(SpriteFile& file) {
  const std::int32_t count = ReadInt32(file);
  CheckCount(count, "frame count", file.Position());
  const auto n = static_cast<std::size_t>(count);
  RequireRemaining(file, static_cast<std::uint64_t>(n) * 6);

  // N frame entries of 2 bytes, then N values of 4 bytes that nothing uses: read in one go,
  // so that the file is only ever read forward.
  std::vector<std::uint8_t> bytes(n * 6);
  file.ReadExact(bytes.data(), bytes.size());
  std::vector<std::int16_t> frames(n);
  for (std::size_t i = 0; i < n; ++i) {
    frames[i] = static_cast<std::int16_t>(bytes[2 * i] | bytes[2 * i + 1] << 8);
  }

  std::string name = ReadName(file);
  const std::uint16_t collection_index = ReadUInt16(file);

  // A command marker hides the three entries after it. The scan runs forward over entries it
  // has already changed, so a marker hidden by an earlier one does not act; a marker in one
  // of the last three places changes nothing.
  for (std::size_t i = 0; i + 3 < n; ++i) {
    if (frames[i] == Sequence::kCommandMarker) std::fill_n(frames.begin() + i + 1, 3, -1);
  }
  return Sequence(std::move(name), std::move(frames), collection_index);
}

}  // namespace

Sequence::Sequence(std::string name, std::vector<std::int16_t> frames,
                   std::uint16_t collection_index)
    : name_(std::move(name)), frames_(std::move(frames)), collection_index_(collection_index) {}

std::int16_t Sequence::FrameIndex(std::int32_t i) const {
  if (i < 0 || i >= FrameCount()) return 0;
  return frames_[static_cast<std::size_t>(i)];
}

// ---- Collection ----

namespace {

Collection ReadCollectionHeader(SpriteFile& file) {
  std::uint8_t tag[sizeof kSprAnimTag];
  file.ReadExact(tag, sizeof tag);
  if (std::memcmp(tag, kSprAnimTag, sizeof tag) != 0) {
    throw SpriteFormatError("<spranim> tag not found. " + FilePosText(file.Position()));
  }
  const std::int32_t image_pos = ReadInt32(file);
  std::string name = ReadName(file);
  const std::int32_t frame_count = ReadInt32(file);
  CheckCount(frame_count, "frame count", file.Position());
  const std::int32_t direction_count = ReadInt32(file);
  CheckCount(direction_count, "direction count", file.Position());

  const std::uint64_t cells =
      static_cast<std::uint64_t>(frame_count) * static_cast<std::uint64_t>(direction_count);
  if (cells > static_cast<std::uint64_t>(file.Remaining() / kFrameBoxSize)) {
    throw IoError("Read beyond end of file");
  }
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(cells * kFrameBoxSize));
  file.ReadExact(bytes.data(), bytes.size());
  std::vector<FrameBox> boxes(static_cast<std::size_t>(cells));
  for (std::size_t i = 0; i < boxes.size(); ++i) {
    const std::uint8_t* b = &bytes[i * kFrameBoxSize];
    boxes[i] = {binary::Int32At(b), binary::Int32At(b + 4), binary::Int32At(b + 8),
                binary::Int32At(b + 12)};
  }
  return Collection(std::move(name), frame_count, direction_count, std::move(boxes), image_pos);
}

}  // namespace

Collection::Collection(std::string name, std::int32_t frame_count, std::int32_t direction_count,
                       std::vector<FrameBox> boxes, std::int32_t image_pos)
    : name_(std::move(name)),
      frame_count_(frame_count),
      direction_count_(direction_count),
      boxes_(std::move(boxes)),
      image_pos_(image_pos) {
  if (frame_count < 0 || direction_count < 0 ||
      boxes_.size() !=
          static_cast<std::uint64_t>(frame_count) * static_cast<std::uint64_t>(direction_count)) {
    throw Error("A collection of " + std::to_string(frame_count) + " x " +
                std::to_string(direction_count) + " cells cannot hold " +
                std::to_string(boxes_.size()) + " frame boxes");
  }
}

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

std::int64_t Collection::SubImageNumber(ImageStorage storage_type, std::int32_t frame_count,
                                        std::int32_t direction_count, std::int32_t frame,
                                        std::int32_t direction, int layer) {
  if (storage_type == ImageStorage::kPlain) {
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

Sprite::Sprite(std::int32_t width, std::int32_t height, std::vector<Sequence> sequences,
               std::vector<Collection> collections)
    : sequences_(std::move(sequences)),
      collections_(std::move(collections)),
      width_(width),
      height_(height) {
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

Sprite ParseSprite(SpriteFile& file) {
  std::uint8_t tag[sizeof kSpriteTag];
  file.ReadExact(tag, sizeof tag);
  if (std::memcmp(tag, kSpriteTag, sizeof tag) != 0) throw SpriteFormatError("not a <sprite> file");

  // Two 3-byte stretches of the header carry nothing the converter uses.
  std::uint8_t unused[3];
  file.ReadExact(unused, sizeof unused);
  const std::int32_t width = ReadInt32(file);
  const std::int32_t height = ReadInt32(file);
  file.ReadExact(unused, sizeof unused);

  const std::int32_t sequence_count = ReadInt32(file);
  std::vector<Sequence> sequences;
  ReserveCount(sequences, sequence_count, file, kMinSequenceRecord);
  for (std::int32_t i = 0; i < sequence_count; ++i) sequences.push_back(ReadSequence(file));

  const std::int32_t collection_count = ReadInt32(file);
  std::vector<Collection> collections;
  ReserveCount(collections, collection_count, file, kMinCollectionHeader);
  for (std::int32_t i = 0; i < collection_count; ++i) {
    collections.push_back(ReadCollectionHeader(file));
  }

  return Sprite(width, height, std::move(sequences), std::move(collections));
}

}  // namespace morvane

#include <algorithm>
#include <cstring>
#include <optional>

#include "sprite/binary.h"
#include "sprite/sprite.h"

namespace morvane {

namespace {

constexpr std::size_t kImageTagSize = 16;
constexpr char kImageTagName[] = "<spranim_img>";  // the first 13 bytes of the tag
constexpr std::size_t kImageTagNameSize = sizeof kImageTagName - 1;
constexpr int kMaxPaletteEntries = 256;

// The byte that opens each record of the place list.
enum class RecordMarker : std::uint8_t { kEmpty = 0x00, kZar = 0x01, kEnd = 0x3C };

constexpr std::uint8_t kZarTag[6] = {'<', 'z', 'a', 'r', '>', 0};

static_assert(kMaxImageDataBytes < std::int64_t{1} << 32,
              "places and data offsets of an image set are kept in 32 bits");

// The storage a well-formed tag ("<spranim_img>", 0, '1' or '2', 0) names; nothing for any
// other tag.
std::optional<ImageStorage> TagStorage(const std::uint8_t* tag) {
  if (std::memcmp(tag, kImageTagName, kImageTagNameSize) != 0 || tag[13] != 0 || tag[15] != 0) {
    return std::nullopt;
  }
  switch (tag[14]) {
    case '1':
      return ImageStorage::kPlain;
    case '2':
      return ImageStorage::kPacked;
    default:
      return std::nullopt;
  }
}

// consumed: the bytes of image data read so far, with those a record header has announced.
void CheckImageDataSize(std::int64_t consumed) {
  if (consumed > kMaxImageDataBytes) {
    throw Error("Image data of " + std::to_string(consumed) + " bytes passes the limit of " +
                std::to_string(kMaxImageDataBytes) + " bytes per collection");
  }
}

// What drawing needs of a ZAR record: its offset (Left, Top), the row width and the size of its
// run data, which follows in the stream.
struct ZarHeader {
  std::int32_t left = 0;
  std::int32_t top = 0;
  std::int32_t width = 0;
  std::int32_t data_size = 0;
};

// Reads a ZAR record after its marker up to its run data: Left, Top, the tag, Width, Height,
// the palette flag and DataSize. Raises SpriteFormatError on a format error; returns false
// when the data ends inside.
bool ReadZarHeader(ImageDataReader& reader, ZarHeader& header) {
  std::uint8_t tag[8];
  if (!reader.ReadInt32(header.left) || !reader.ReadInt32(header.top) ||
      !reader.Read(tag, sizeof tag)) {
    return false;
  }
  if (std::memcmp(tag, kZarTag, sizeof kZarTag) != 0) {
    throw SpriteFormatError("<zar> tag not found. " + FilePosText(reader.Position()));
  }
  // The subtypes 3 and 4 are drawn alike; the byte after the subtype is not used.
  const char subtype = static_cast<char>(tag[6]);
  if (subtype != '3' && subtype != '4') {
    throw SpriteFormatError(std::string("unknown zar subtype=") + subtype + " " +
                            FilePosText(reader.Position()));
  }
  std::int32_t height = 0;  // not used: rows end by Width alone
  std::uint8_t palette_flag = 0;
  if (!reader.ReadInt32(header.width) || !reader.ReadInt32(height) ||
      !reader.Read(&palette_flag, 1)) {
    return false;
  }
  if (palette_flag == 1) {
    throw SpriteFormatError("zar must not include palette. " + FilePosText(reader.Position()));
  }
  if (!reader.ReadInt32(header.data_size)) return false;
  binary::CheckCount(header.data_size, "zar data size", reader.Position());
  return true;
}

}  // namespace

ZarImage::ZarImage(std::int64_t place, std::int32_t left, std::int32_t top, std::int32_t width,
                   std::size_t data_offset, std::int32_t data_size)
    : place_(static_cast<std::uint32_t>(place)),
      left_(left),
      top_(top),
      width_(width),
      data_offset_(static_cast<std::uint32_t>(data_offset)),
      data_size_(data_size) {}

// Reads one image-set block into a new set: the tag, the palettes and the place list.
class ImageSetReader {
 public:
  ImageSetReader(std::int64_t expected_count, WorkerPool* helpers)
      : expected_count_(expected_count), helpers_(helpers) {}

  // Reads the block from image_pos up to the absolute position end_pos.
  ImageSet Read(SpriteFile& file, std::int64_t image_pos, std::int64_t end_pos);

 private:
  bool ReadPalettes(ImageDataReader& reader);
  // in_block: the records stay where they stand in the block the reader delivers, which the
  // store then takes whole; otherwise their data is copied into the store.
  void ReadPlaces(ImageDataReader& reader, bool in_block);
  bool ReadZarRecord(ImageDataReader& reader, bool in_block);

  std::int64_t expected_count_;
  WorkerPool* helpers_;
  std::int64_t place_count_ = 0;
  std::unique_ptr<ImageSet::Loaded> loaded_ = std::make_unique<ImageSet::Loaded>();
};

ImageSet ImageSetReader::Read(SpriteFile& file, std::int64_t image_pos, std::int64_t end_pos) {
  file.Seek(image_pos);
  std::uint8_t tag[kImageTagSize];
  file.ReadExact(tag, sizeof tag);
  const std::optional<ImageStorage> storage = TagStorage(tag);
  if (!storage) {
    if (std::memcmp(tag, kImageTagName, kImageTagNameSize) == 0) {
      throw SpriteFormatError("unknown <spranim_img> type. " + FilePosText(file.Position()));
    }
    throw SpriteFormatError("<spranim_img> tag not found. " + FilePosText(file.Position()));
  }
  std::int32_t unpacked_size = -1;
  if (*storage == ImageStorage::kPacked) unpacked_size = binary::ReadInt32(file);

  const std::int64_t start = file.Position();
  std::unique_ptr<DataStream> stream;
  InflateStream* inflate = nullptr;
  std::int64_t stated_size = end_pos - start;
  if (*storage == ImageStorage::kPlain) {
    stream = std::make_unique<PlainStream>(file, start, stated_size);
  } else {
    auto packed =
        std::make_unique<InflateStream>(file, start, end_pos - start, unpacked_size, helpers_);
    inflate = packed.get();
    stream = std::move(packed);
    stated_size = unpacked_size;
  }
  ImageDataReader reader(*stream, stated_size);
  // Data that ends inside a palette or a record ends the list with the last whole record.
  if (ReadPalettes(reader)) {
    // A block inflated whole becomes the store itself: the records point into it where they
    // stand, instead of being copied out of it.
    const bool in_block = inflate != nullptr && inflate->InflatedWhole();
    ReadPlaces(reader, in_block);
    if (in_block) {
      loaded_->data.Adopt(inflate->TakeWholeBlock(), static_cast<std::size_t>(stated_size));
    }
  }

  if (place_count_ != expected_count_) {
    throw SpriteFormatError("wrong number of subimages: " + std::to_string(place_count_));
  }
  ImageSet images;
  images.storage_type_ = *storage;
  images.place_count_ = place_count_;
  images.loaded_ = std::move(loaded_);
  return images;
}

bool ImageSetReader::ReadPalettes(ImageDataReader& reader) {
  std::uint8_t bytes[kMaxPaletteEntries * 4];
  for (LayerPalette& palette : loaded_->palettes) {
    std::int32_t count = 0;
    if (!reader.ReadInt32(count)) return false;
    if (count > kMaxPaletteEntries) {
      throw SpriteFormatError("too many palette entries. " + FilePosText(reader.Position()));
    }
    binary::CheckCount(count, "palette entry count", reader.Position());
    if (!reader.Read(bytes, count * 4)) return false;
    // Entries are stored blue, green, red, x and become 0xXXBBGGRR.
    for (std::int32_t i = 0; i < count; ++i) {
      const std::uint8_t* e = &bytes[i * 4];
      palette[static_cast<std::size_t>(i)] =
          static_cast<ColorValue>(e[2]) | static_cast<ColorValue>(e[1]) << 8 |
          static_cast<ColorValue>(e[0]) << 16 | static_cast<ColorValue>(e[3]) << 24;
    }
  }
  return true;
}

void ImageSetReader::ReadPlaces(ImageDataReader& reader, bool in_block) {
  while (!reader.AtEnd()) {
    std::uint8_t marker = 0;
    if (!reader.Read(&marker, 1)) return;
    CheckImageDataSize(reader.Position());
    switch (static_cast<RecordMarker>(marker)) {
      case RecordMarker::kEnd:
        return;
      case RecordMarker::kEmpty:
        // Empty places are only counted, a whole run of them at once.
        place_count_ += 1 + reader.SkipRepeats(marker, kMaxImageDataBytes + 1 - reader.Position());
        CheckImageDataSize(reader.Position());
        break;
      case RecordMarker::kZar:
        if (!ReadZarRecord(reader, in_block)) return;
        break;
      default:
        throw SpriteFormatError("incorrect spranim_img. " + FilePosText(reader.Position()));
    }
  }
}

bool ImageSetReader::ReadZarRecord(ImageDataReader& reader, bool in_block) {
  ZarHeader header;
  if (!ReadZarHeader(reader, header)) return false;
  CheckImageDataSize(reader.Position() + header.data_size);
  // A record past the count the collection needs is read to find the next one, and only
  // counted: the count check fails the set anyway.
  if (place_count_ >= expected_count_) {
    if (!reader.Skip(header.data_size)) return false;
  } else if (in_block) {
    const auto offset = static_cast<std::size_t>(reader.Position());
    if (!reader.Skip(header.data_size)) return false;
    loaded_->images.emplace_back(place_count_, header.left, header.top, header.width, offset,
                                 header.data_size);
  } else {
    const std::size_t offset = loaded_->data.Size();
    if (!reader.Append(loaded_->data, header.data_size)) return false;
    loaded_->images.emplace_back(place_count_, header.left, header.top, header.width, offset,
                                 header.data_size);
  }
  ++place_count_;
  return true;
}

const ZarImage* ImageSet::SubImage(std::int64_t index) const {
  if (!loaded_) return nullptr;
  const std::deque<ZarImage>& images = loaded_->images;
  const auto found = std::lower_bound(
      images.begin(), images.end(), index,
      [](const ZarImage& image, std::int64_t place) { return image.Place() < place; });
  return found != images.end() && found->Place() == index ? &*found : nullptr;
}

template <DrawingCanvas Canvas>
void ImageSet::DrawSubImage(std::int64_t number, Canvas& canvas, int layer, CanvasPoint origin,
                            std::int32_t threshold) const {
  if (number < 0 || number >= place_count_) {
    throw IndexError("List index out of bounds (" + std::to_string(number) + ")");
  }
  if (layer < 0 || layer >= 4) return;
  if (const ZarImage* image = SubImage(number)) {
    const std::span<const std::uint8_t> runs(loaded_->data.Data() + image->DataOffset(),
                                             static_cast<std::size_t>(image->DataSize()));
    DrawRuns(runs, image->Width(), canvas, std::int64_t{origin.x} + image->Left(),
             std::int64_t{origin.y} + image->Top(), threshold,
             loaded_->palettes[static_cast<std::size_t>(layer)]);
  }
}

template void ImageSet::DrawSubImage(std::int64_t, RgbCanvas&, int, CanvasPoint,
                                     std::int32_t) const;
template void ImageSet::DrawSubImage(std::int64_t, RgbaCanvas&, int, CanvasPoint,
                                     std::int32_t) const;

ImageSet LoadImageSet(SpriteFile& file, const Sprite& sprite, std::int32_t index,
                      WorkerPool* helpers) {
  const Collection* anim = sprite.GetCollection(index);
  if (anim == nullptr) {
    throw IndexError("List index out of bounds (" + std::to_string(index) + ")");
  }
  const Collection* next = sprite.GetCollection(std::int64_t{index} + 1);
  const std::int64_t end_pos = next != nullptr ? next->ImagePos() : file.Size();
  // Four places a cell; the cells have their boxes in memory, so this cannot overflow.
  const std::int64_t expected_count = std::int64_t{anim->FrameCount()} * anim->DirectionCount() * 4;
  return ImageSetReader(expected_count, helpers).Read(file, anim->ImagePos(), end_pos);
}

}  // namespace morvane

#include <algorithm>
#include <cstring>

#include "sprite/binary.h"
#include "sprite/sprite.h"

namespace morvane {

namespace {

constexpr std::size_t kImageTagSize = 16;
constexpr char kImageTagName[] = "<spranim_img>";  // the first 13 bytes of the tag
constexpr std::size_t kImageTagNameSize = sizeof kImageTagName - 1;
constexpr int kMaxPaletteEntries = 256;

constexpr std::uint8_t kRecordEmpty = 0x00;
constexpr std::uint8_t kRecordZar = 0x01;
constexpr std::uint8_t kRecordEnd = 0x3C;

// The type byte of a well-formed tag ("<spranim_img>", 0, type, 0), or 0.
std::uint8_t ImageTagType(const std::uint8_t* tag) {
  if (std::memcmp(tag, kImageTagName, kImageTagNameSize) != 0 || tag[13] != 0 || tag[15] != 0) {
    return 0;
  }
  return tag[14] == '1' || tag[14] == '2' ? tag[14] : 0;
}

}  // namespace

ImageSet::ImageSet(SpriteFile& file, std::int64_t expectedCount, std::int32_t imagePos)
    : file_(file), image_pos_(imagePos), expected_count_(expectedCount) {}

void ImageSet::LoadImages(std::int64_t endPos) {
  file_.Seek(image_pos_);
  std::uint8_t tag[kImageTagSize];
  file_.ReadExact(tag, sizeof tag);
  switch (ImageTagType(tag)) {
    case '1':
      storage_type_ = kPlain;
      break;
    case '2':
      storage_type_ = kPacked;
      unpacked_size_ = binary::ReadInt32(file_);
      break;
    default:
      if (std::memcmp(tag, kImageTagName, kImageTagNameSize) == 0) {
        throw SpriteFormatError("unknown <spranim_img> type. " + FilePosText(file_.Position()));
      }
      throw SpriteFormatError("<spranim_img> tag not found. " + FilePosText(file_.Position()));
  }

  const std::int64_t start = file_.Position();
  std::unique_ptr<DataStream> stream;
  if (storage_type_ == kPlain) {
    stream = std::make_unique<PlainStream>(file_, start, endPos - start);
  } else {
    stream = std::make_unique<InflateStream>(file_, start, unpacked_size_, endPos - start);
  }

  // Every place takes at least one byte of the block, so the room reserved stays within what
  // the file holds (a packed block may still grow the list beyond it).
  const std::int64_t room = std::max<std::int64_t>(std::min(expected_count_, endPos - start), 0);
  sub_images_.reserve(sub_images_.size() + static_cast<std::size_t>(room));
  try {
    ReadPalettes(*stream);
    ReadSubImages(*stream);
  } catch (const StreamEnded&) {
    // The data ended inside a palette or a record: the list ends with the last whole record.
  }

  if (static_cast<std::int64_t>(sub_images_.size()) != expected_count_) {
    throw SpriteFormatError("wrong number of subimages: " + std::to_string(sub_images_.size()));
  }
}

void ImageSet::ReadPalettes(DataStream& stream) {
  std::uint8_t bytes[kMaxPaletteEntries * 4];
  for (LayerPalette& palette : palettes_) {
    const std::int32_t count = binary::ReadInt32(stream);
    if (count > kMaxPaletteEntries) {
      throw SpriteFormatError("too many palette entries. " + FilePosText(stream.Position()));
    }
    binary::CheckCount(count, "palette entry count", stream.Position());
    ReadFully(stream, bytes, count * 4);
    // Entries are stored blue, green, red, x and become 0xXXBBGGRR.
    for (std::int32_t i = 0; i < count; ++i) {
      const std::uint8_t* e = &bytes[i * 4];
      palette[static_cast<std::size_t>(i)] =
          static_cast<ColorValue>(e[2]) | static_cast<ColorValue>(e[1]) << 8 |
          static_cast<ColorValue>(e[0]) << 16 | static_cast<ColorValue>(e[3]) << 24;
    }
  }
}

void ImageSet::ReadSubImages(DataStream& stream) {
  while (!stream.AtEnd()) {
    std::uint8_t kind = 0;
    ReadFully(stream, &kind, 1);
    switch (kind) {
      case kRecordEnd:
        return;
      case kRecordEmpty:
        sub_images_.push_back(nullptr);
        break;
      case kRecordZar: {
        const std::int32_t left = binary::ReadInt32(stream);
        const std::int32_t top = binary::ReadInt32(stream);
        sub_images_.push_back(std::make_unique<ZarImage>(stream, left, top));
        break;
      }
      default:
        throw SpriteFormatError("incorrect spranim_img. " + FilePosText(stream.Position()));
    }
  }
}

void ImageSet::FreeImages() {
  for (auto& image : sub_images_) image.reset();
}

void ImageSet::DrawSubImage(std::int64_t number, RgbCanvas& canvas, int layer, CanvasPoint origin,
                            std::int32_t threshold) const {
  if (number < 0 || number >= static_cast<std::int64_t>(sub_images_.size())) {
    throw IndexError("List index out of bounds (" + std::to_string(number) + ")");
  }
  if (layer < 0 || layer >= static_cast<int>(palettes_.size())) return;
  if (const ZarImage* image = sub_images_[static_cast<std::size_t>(number)].get()) {
    image->Draw(canvas, origin, threshold, palettes_[static_cast<std::size_t>(layer)]);
  }
}

}  // namespace morvane

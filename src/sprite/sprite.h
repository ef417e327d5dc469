// Sprite files: the container with its sequences and animation collections, the image sets of
// the collections, their run-coded ZAR images, and the compositing of a frame onto a canvas.
//
// Every object reads its block from the sprite file (or an image-data stream) in its
// constructor. Format errors raise SpriteFormatError with the system's message; a fixed record that
// the file ends inside raises IoError "Read beyond end of file". No count read from the
// file drives an allocation larger than the bytes that remain to back it.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/canvas.h"
#include "platform/errors.h"
#include "platform/file.h"
#include "sprite/readers.h"

namespace morvane {

// "Filepos=" and the position as 8 upper-case hexadecimal digits (its low 32 bits).
std::string FilePosText(std::int64_t position);

// 256 colour values 0x00BBGGRR; the top byte holds the entry's fourth byte, which drawing
// ignores.
using LayerPalette = std::array<ColorValue, 256>;

// One sub-image: a rectangle of paletted pixels with per-pixel alpha, kept run-coded and
// decoded at every drawing.
class ZarImage {
 public:
  // Reads a ZAR block from the stream. Raises SpriteFormatError on a format error and StreamEnded
  // when the stream ends inside the block.
  ZarImage(DataStream& stream, std::int32_t left, std::int32_t top);

  // Decodes the runs onto the canvas at origin + (Left, Top). threshold -1 blends by alpha;
  // any other value draws a pixel unblended when its alpha is at least threshold. Pixels of
  // alpha 0 and pixels outside the canvas are never drawn. A run whose bytes would pass the
  // end of the data is not drawn and ends the decoding.
  void Draw(RgbCanvas& canvas, CanvasPoint origin, std::int32_t threshold,
            const LayerPalette& palette) const;

  std::int32_t Left() const { return left_; }
  std::int32_t Top() const { return top_; }
  std::int32_t Width() const { return width_; }
  std::int32_t Height() const { return height_; }
  char Subtype() const { return subtype_; }
  std::uint8_t ReservedByte() const { return reserved_; }
  std::int32_t DataSize() const { return static_cast<std::int32_t>(data_.size()); }
  const std::vector<std::uint8_t>& Data() const { return data_; }

 private:
  std::int32_t left_;
  std::int32_t top_;
  std::int32_t width_ = 0;
  std::int32_t height_ = 0;
  char subtype_ = 0;
  std::uint8_t reserved_ = 0;  // the byte after the subtype; kept, not used
  std::vector<std::uint8_t> data_;
};

// The image data of one collection: four layer palettes and the list of sub-images, four per
// (frame, direction) cell. Holds no sub-images until LoadImages.
class ImageSet {
 public:
  static constexpr std::int32_t kPlain = 1;
  static constexpr std::int32_t kPacked = 2;

  // file must outlive the image set.
  ImageSet(SpriteFile& file, std::int64_t expectedCount, std::int32_t imagePos);

  // Reads the image-set block from ImagePos up to the absolute position endPos and appends
  // its sub-images. Image data that ends inside a palette or a sub-image record ends the list
  // there; the count check then decides.
  void LoadImages(std::int64_t endPos);
  // Destroys every sub-image; the places stay, empty.
  void FreeImages();
  // Draws sub-image number with the palette of layer; an empty place draws nothing. A number
  // outside the list raises IndexError "List index out of bounds (number)".
  void DrawSubImage(std::int64_t number, RgbCanvas& canvas, int layer, CanvasPoint origin,
                    std::int32_t threshold) const;

  std::int32_t StorageType() const { return storage_type_; }
  std::int32_t UnpackedSize() const { return unpacked_size_; }
  std::int32_t ImagePos() const { return image_pos_; }
  std::int64_t ExpectedCount() const { return expected_count_; }
  std::size_t SubImageCount() const { return sub_images_.size(); }
  // nullptr for an empty place; index must be below SubImageCount().
  const ZarImage* SubImage(std::size_t index) const { return sub_images_[index].get(); }
  // layer 0..3.
  const LayerPalette& Palette(int layer) const {
    return palettes_[static_cast<std::size_t>(layer)];
  }

 private:
  void ReadPalettes(DataStream& stream);
  void ReadSubImages(DataStream& stream);

  SpriteFile& file_;
  std::vector<std::unique_ptr<ZarImage>> sub_images_;
  std::array<LayerPalette, 4> palettes_{};
  std::int32_t storage_type_ = 0;
  std::int32_t unpacked_size_ = -1;
  std::int32_t image_pos_;
  std::int64_t expected_count_;
};

// left, top, right, bottom; all zero marks a cell with nothing to draw.
struct FrameBox {
  std::int32_t left = 0;
  std::int32_t top = 0;
  std::int32_t right = 0;
  std::int32_t bottom = 0;

  bool IsEmpty() const { return left == 0 && top == 0 && right == 0 && bottom == 0; }
  friend bool operator==(const FrameBox&, const FrameBox&) = default;
};

// Width and height of a frame box, in 64 bits so that no box can overflow them; negative
// extents pass through.
struct FrameExtent {
  std::int64_t width = 0;
  std::int64_t height = 0;

  friend bool operator==(const FrameExtent&, const FrameExtent&) = default;
};

// An animation collection: frames x directions cells, a frame box per cell and the image set
// with four layers per cell.
class Collection {
 public:
  // Reads a collection header at the file's position; file must outlive the collection.
  explicit Collection(SpriteFile& file);

  const std::string& Name() const { return name_; }
  std::int32_t FrameCount() const { return frame_count_; }
  std::int32_t DirectionCount() const { return direction_count_; }
  // Frame-major: the box of frame f in direction d is number f * DirectionCount() + d.
  const std::vector<FrameBox>& Boxes() const { return boxes_; }
  ImageSet& Images() { return images_; }
  const ImageSet& Images() const { return images_; }
  bool Referenced() const { return referenced_; }
  void SetReferenced(bool referenced) { referenced_ = referenced; }

  // All zeros outside [0, FrameCount()) x [0, DirectionCount()).
  FrameBox BoxAt(std::int32_t frame, std::int32_t direction) const;
  // (right - left, bottom - top) of FrameBox; (0, 0) out of range.
  FrameExtent ExtentAt(std::int32_t frame, std::int32_t direction) const;

  // Composites layers 0..3 of the cell onto the canvas, each over the ones before. A cell out
  // of range draws nothing. The frame box is not used: origin is where each sub-image's
  // Left/Top count from.
  void DrawFrame(std::int32_t frame, std::int32_t direction, RgbCanvas& canvas, CanvasPoint origin,
                 std::int32_t threshold) const;

  // The place of (frame, direction, layer) in an image set of the storage type: plain sets go
  // frame, direction, layer fastest; every other type layer, direction, frame fastest.
  static std::int64_t SubImageNumber(std::int32_t storageType, std::int32_t frameCount,
                                     std::int32_t directionCount, std::int32_t frame,
                                     std::int32_t direction, int layer);

 private:
  std::string name_;
  std::int32_t frame_count_ = 0;
  std::int32_t direction_count_ = 0;
  std::vector<FrameBox> boxes_;
  ImageSet images_;
  bool referenced_ = false;

  // The header is read before the members are built, since images_ needs its fields.
  struct Header;
  static Header ReadHeader(SpriteFile& file);
  Collection(SpriteFile& file, Header header);
};

// A named list of frame numbers that plays one collection.
class Sequence {
 public:
  // Frame entry that opens a command: it and the three entries after it are not frames.
  static constexpr std::int16_t kCommandMarker = -43;

  // Reads a sequence record at the file's position.
  explicit Sequence(SpriteFile& file);

  std::int32_t FrameCount() const { return static_cast<std::int32_t>(frames_.size()); }
  // Entry i; 0 outside the entries. A negative entry holds no frame.
  std::int16_t FrameIndex(std::int32_t i) const;
  const std::vector<std::int16_t>& Frames() const { return frames_; }
  // Kept with the sequence, not interpreted.
  const std::vector<std::int32_t>& FrameValues() const { return frame_values_; }
  const std::string& Name() const { return name_; }
  std::uint16_t CollectionIndex() const { return collection_index_; }

 private:
  std::vector<std::int16_t> frames_;
  std::vector<std::int32_t> frame_values_;
  std::string name_;
  std::uint16_t collection_index_ = 0;
};

// A whole sprite file: header, sequences and collection headers. Image data is loaded one
// collection at a time through GetCollection(i)->Images().
class Sprite {
 public:
  // Reads from the file's current position (its first byte); file must outlive the sprite.
  explicit Sprite(SpriteFile& file);

  std::int32_t SequenceCount() const { return static_cast<std::int32_t>(sequences_.size()); }
  std::int32_t CollectionCount() const { return static_cast<std::int32_t>(collections_.size()); }
  // nullptr outside [0, count).
  const Sequence* GetSequence(std::int64_t index) const;
  Collection* GetCollection(std::int64_t index);
  const Collection* GetCollection(std::int64_t index) const;
  // Loads the images of collection index (in range): its image data runs up to the next
  // collection's image data, or to the end of the file (of fileSize bytes) for the last.
  void LoadCollectionImages(std::int32_t index, std::int64_t fileSize);

  std::int32_t Width() const { return width_; }
  std::int32_t Height() const { return height_; }

 private:
  std::vector<std::unique_ptr<Sequence>> sequences_;
  std::vector<std::unique_ptr<Collection>> collections_;
  std::int32_t width_ = 0;
  std::int32_t height_ = 0;
};

}  // namespace morvane

// Sprite files: the container with its sequences and animation collections, the image sets of
// the collections, their run-coded ZAR images, and the compositing of a frame onto a canvas.
//
// Every object reads its block from the sprite file (or an image-data stream) in its
// constructor. Format errors raise SpriteFormatError with the system's message; a fixed record that
// the file ends inside raises IoError "Read beyond end of file". No count read from the
// file drives an allocation larger than the bytes that remain to back it, and what a collection
// holds of its image data is bounded by the bytes of image data read (kMaxImageDataBytes).
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "core/canvas.h"
#include "core/errors.h"
#include "platform/file.h"
#include "sprite/format_error.h"
#include "sprite/readers.h"

namespace morvane {

// The most image data one collection may hold, counted in bytes the reader consumes (plain or
// unpacked): palettes, place markers, record headers and run data. A small packed block could
// otherwise make the converter hold gigabytes; no real sprite comes near it.
inline constexpr std::int64_t kMaxImageDataBytes = std::int64_t{1} << 30;

// "Filepos=" and the position as 8 upper-case hexadecimal digits (its low 32 bits).
std::string FilePosText(std::int64_t position);

// 256 colour values 0x00BBGGRR; the top byte holds the entry's fourth byte, which drawing
// ignores.
using LayerPalette = std::array<ColorValue, 256>;

// The threshold that blends every pixel by its alpha; any other threshold draws a pixel whole
// when its alpha is at least the threshold (binary transparency).
inline constexpr std::int32_t kBlendByAlpha = -1;

// Decodes ZAR run coding onto the canvas, the first run at (x0, y0); rows are width pixels
// wide. A pixel of palette colour c and alpha a is drawn by the threshold (kBlendByAlpha or an
// alpha), a pixel drawn whole being (c, opaque). Blended on a true-colour canvas, each channel
// becomes ((255 - a) x canvas + a x c) / 255. Blended on an RGBA canvas, it is composited over
// the canvas pixel (C, A) with straight alpha: a = 255 gives (c, 255); otherwise, with
// T = a x 255 + A x (255 - a), alpha T / 255 and each channel (c x a x 255 + C x A x (255 - a))
// / T, which over an opaque pixel is the true-colour blend. Every division drops the remainder.
// Pixels of alpha 0 and pixels outside the canvas are never drawn. A run whose bytes would pass
// the end of runs is not drawn and ends the decoding, and so does a row that would start below
// the canvas.
template <DrawingCanvas Canvas>
void DrawRuns(std::span<const std::uint8_t> runs, std::int32_t width, Canvas& canvas,
              std::int64_t x0, std::int64_t y0, std::int32_t threshold,
              const LayerPalette& palette);

// One ZAR sub-image of an image set: its place in the set, where it is drawn, and where its
// run-coded pixels lie in the set's data. Kept run-coded and decoded at every drawing.
class ZarImage {
 public:
  ZarImage(std::int64_t place, std::int32_t left, std::int32_t top, std::int32_t width,
           std::size_t data_offset, std::int32_t data_size);

  std::int64_t Place() const { return place_; }
  std::int32_t Left() const { return left_; }
  std::int32_t Top() const { return top_; }
  std::int32_t Width() const { return width_; }
  std::size_t DataOffset() const { return data_offset_; }
  std::int32_t DataSize() const { return data_size_; }

 private:
  // 32 bits suffice for the place and the offset: both stay below kMaxImageDataBytes.
  std::uint32_t place_;
  std::int32_t left_;
  std::int32_t top_;
  std::int32_t width_;
  std::uint32_t data_offset_;
  std::int32_t data_size_;
};

// The image data of one collection: four layer palettes and a list of places, four per
// (frame, direction) cell, each empty or holding a ZAR image. Holds nothing until LoadImages;
// of the places it keeps only those that hold an image within the count the collection needs.
class ImageSet {
 public:
  static constexpr std::int32_t kPlain = 1;
  static constexpr std::int32_t kPacked = 2;

  // file must outlive the image set.
  ImageSet(SpriteFile& file, std::int64_t expected_count, std::int32_t image_pos);

  // Reads the image-set block from ImagePos up to the absolute position end_pos and appends
  // its places. Image data that ends inside a palette or a record ends the list there; the
  // count check then decides. More than kMaxImageDataBytes of image data raises Error.
  void LoadImages(std::int64_t end_pos);
  // Destroys every sub-image and the palettes; the places stay, empty.
  void FreeImages();
  // Draws place number with the palette of layer; an empty place draws nothing. A number
  // outside the list raises IndexError "List index out of bounds (number)".
  template <DrawingCanvas Canvas>
  void DrawSubImage(std::int64_t number, Canvas& canvas, int layer, CanvasPoint origin,
                    std::int32_t threshold) const;

  std::int32_t StorageType() const { return storage_type_; }
  std::int32_t ImagePos() const { return image_pos_; }
  // Places in the list, empty ones included.
  std::size_t SubImageCount() const { return static_cast<std::size_t>(place_count_); }
  // The image at place index, or nullptr for an empty place or one out of the list.
  const ZarImage* SubImage(std::int64_t index) const;

 private:
  // What loading makes and freeing gives back.
  struct Loaded {
    std::array<LayerPalette, 4> palettes{};
    // In place order. A deque grows block by block, never copying what it holds.
    std::deque<ZarImage> images;
    ByteStore data;  // the run-coded pixels of images
  };

  bool ReadPalettes(ImageDataReader& reader);
  // in_block: the records stay where they stand in the block the reader delivers, which the
  // store then takes whole; otherwise their data is copied into the store.
  void ReadPlaces(ImageDataReader& reader, bool in_block);
  bool ReadZarRecord(ImageDataReader& reader, bool in_block);

  SpriteFile& file_;
  std::int64_t expected_count_;
  std::int32_t image_pos_;
  std::int32_t storage_type_ = 0;
  std::int64_t place_count_ = 0;
  std::unique_ptr<Loaded> loaded_;
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
  ImageSet& Images() { return images_; }
  const ImageSet& Images() const { return images_; }

  // All zeros outside [0, FrameCount()) x [0, DirectionCount()).
  FrameBox BoxAt(std::int32_t frame, std::int32_t direction) const;
  // (right - left, bottom - top) of FrameBox; (0, 0) out of range.
  FrameExtent ExtentAt(std::int32_t frame, std::int32_t direction) const;

  // Composites layers 0..3 of the cell onto the canvas, each over the ones before as DrawRuns
  // draws. A cell out of range draws nothing. The frame box is not used: origin is where each
  // sub-image's Left/Top count from.
  template <DrawingCanvas Canvas>
  void DrawFrame(std::int32_t frame, std::int32_t direction, Canvas& canvas, CanvasPoint origin,
                 std::int32_t threshold) const;

  // The place of (frame, direction, layer) in an image set of the storage type: plain sets go
  // frame, direction, layer fastest; every other type layer, direction, frame fastest.
  static std::int64_t SubImageNumber(std::int32_t storage_type, std::int32_t frame_count,
                                     std::int32_t direction_count, std::int32_t frame,
                                     std::int32_t direction, int layer);

 private:
  std::string name_;
  std::int32_t frame_count_ = 0;
  std::int32_t direction_count_ = 0;
  std::vector<FrameBox> boxes_;  // frame-major: frame f, direction d is f * D + d
  ImageSet images_;

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
  const std::string& Name() const { return name_; }
  std::uint16_t CollectionIndex() const { return collection_index_; }

 private:
  std::vector<std::int16_t> frames_;
  std::string name_;
  std::uint16_t collection_index_ = 0;
};

// A whole sprite file: header, sequences and collection headers. Image data is loaded one
// collection at a time through LoadCollectionImages.
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
  // The numbers of the sequences that play collection index, in file order; none outside
  // [0, CollectionCount()). A sequence naming no collection is in no list.
  std::span<const std::int32_t> SequencesOf(std::int64_t index) const;
  // Loads the images of collection index (in range): its image data runs up to the next
  // collection's image data, or to the end of the file (of file_size bytes) for the last.
  void LoadCollectionImages(std::int32_t index, std::int64_t file_size);

  std::int32_t Width() const { return width_; }
  std::int32_t Height() const { return height_; }

 private:
  void GroupSequencesByCollection();

  std::vector<Sequence> sequences_;
  std::vector<Collection> collections_;
  // Sequence numbers grouped by collection: those of collection i are
  // sequences_by_collection_[collection_starts_[i], collection_starts_[i + 1]).
  std::vector<std::int32_t> sequences_by_collection_;
  std::vector<std::int32_t> collection_starts_;
  std::int32_t width_ = 0;
  std::int32_t height_ = 0;
};

}  // namespace morvane

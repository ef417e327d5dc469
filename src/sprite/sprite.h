// Sprite files: the container with its sequences and animation collections, the image sets of
// the collections, their run-coded ZAR images, and the compositing of a frame onto a canvas.
//
// ParseSprite reads the header, the sequences and the collection headers; LoadImageSet reads the
// image data of one collection. Both return plain values that own what they hold and keep no
// reference to the file, which may close once they are made; code can build the values as well.
// Format errors raise SpriteFormatError with the system's message; a fixed record that the file
// ends inside raises IoError "Read beyond end of file". No count read from the file drives an
// allocation larger than the bytes that remain to back it, and what a collection holds of its
// image data is bounded by the bytes of image data read (kMaxImageDataBytes).
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <memory>
#include <span>
#include <string>
#include <utility>
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

// How an image set is stored in the file, which also decides the order of its places.
enum class ImageStorage { kPlain, kPacked };

// The image data of one collection: four layer palettes and a list of places, four per
// (frame, direction) cell, each empty or holding a ZAR image. LoadImageSet makes it and keeps of
// the places only those that hold an image; a default-made set has no places.
class ImageSet {
 public:
  ImageSet() = default;

  // Draws place number with the palette of layer; an empty place draws nothing. A number
  // outside the list raises IndexError "List index out of bounds (number)".
  template <DrawingCanvas Canvas>
  void DrawSubImage(std::int64_t number, Canvas& canvas, int layer, CanvasPoint origin,
                    std::int32_t threshold) const;

  ImageStorage StorageType() const { return storage_type_; }
  // Places in the list, empty ones included.
  std::size_t SubImageCount() const { return static_cast<std::size_t>(place_count_); }
  // The image at place index, or nullptr for an empty place or one out of the list.
  const ZarImage* SubImage(std::int64_t index) const;

 private:
  friend class ImageSetReader;  // image_set.cpp: the one maker of a set with places

  // What loading makes: on the heap, so that a set without places stays small.
  struct Loaded {
    std::array<LayerPalette, 4> palettes{};
    // In place order. A deque grows block by block, never copying what it holds.
    std::deque<ZarImage> images;
    ByteStore data;  // the run-coded pixels of images
  };

  ImageStorage storage_type_ = ImageStorage::kPlain;
  std::int64_t place_count_ = 0;
  std::unique_ptr<const Loaded> loaded_;
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

// An animation collection: frames x directions cells, a frame box per cell, where its image
// data starts in the file, and the image set with four layers per cell once it is loaded.
class Collection {
 public:
  // boxes are frame-major: frame f, direction d is boxes[f * direction_count + d]. Negative
  // counts, or a number of boxes other than frame_count x direction_count, raise Error.
  Collection(std::string name, std::int32_t frame_count, std::int32_t direction_count,
             std::vector<FrameBox> boxes, std::int32_t image_pos);

  const std::string& Name() const { return name_; }
  std::int32_t FrameCount() const { return frame_count_; }
  std::int32_t DirectionCount() const { return direction_count_; }
  // The file position of the collection's image-set block.
  std::int32_t ImagePos() const { return image_pos_; }
  // No places until SetImages gives the loaded set.
  const ImageSet& Images() const { return images_; }
  // Takes the set DrawFrame draws from; an empty ImageSet lets the loaded one go.
  void SetImages(ImageSet images) { images_ = std::move(images); }

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
  // frame, direction, layer fastest; packed ones layer, direction, frame fastest.
  static std::int64_t SubImageNumber(ImageStorage storage_type, std::int32_t frame_count,
                                     std::int32_t direction_count, std::int32_t frame,
                                     std::int32_t direction, int layer);

 private:
  std::string name_;
  std::int32_t frame_count_ = 0;
  std::int32_t direction_count_ = 0;
  std::vector<FrameBox> boxes_;  // frame-major: frame f, direction d is f * D + d
  std::int32_t image_pos_ = 0;
  ImageSet images_;
};

// A named list of frame numbers that plays one collection.
class Sequence {
 public:
  // Frame entry that opens a command: it and the three entries after it are not frames.
  static constexpr std::int16_t kCommandMarker = -43;

  // frames as the sequence plays them: ParseSprite has already hidden the entries that follow
  // each command marker.
  Sequence(std::string name, std::vector<std::int16_t> frames, std::uint16_t collection_index);

  std::int32_t FrameCount() const { return static_cast<std::int32_t>(frames_.size()); }
  // Entry i; 0 outside the entries. A negative entry holds no frame.
  std::int16_t FrameIndex(std::int32_t i) const;
  const std::string& Name() const { return name_; }
  std::uint16_t CollectionIndex() const { return collection_index_; }

 private:
  std::string name_;
  std::vector<std::int16_t> frames_;
  std::uint16_t collection_index_ = 0;
};

// A whole sprite file: header, sequences and collection headers. Image data is loaded one
// collection at a time through LoadImageSet.
class Sprite {
 public:
  // width and height are the sprite's size from its header.
  Sprite(std::int32_t width, std::int32_t height, std::vector<Sequence> sequences,
         std::vector<Collection> collections);

  std::int32_t SequenceCount() const { return static_cast<std::int32_t>(sequences_.size()); }
  std::int32_t CollectionCount() const { return static_cast<std::int32_t>(collections_.size()); }
  // nullptr outside [0, count).
  const Sequence* GetSequence(std::int64_t index) const;
  Collection* GetCollection(std::int64_t index);
  const Collection* GetCollection(std::int64_t index) const;
  // The numbers of the sequences that play collection index, in file order; none outside
  // [0, CollectionCount()). A sequence naming no collection is in no list.
  std::span<const std::int32_t> SequencesOf(std::int64_t index) const;

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

// Reads a sprite file from its current position (its first byte): the header, every sequence
// record and every collection header, in file order. The collections hold no images yet.
Sprite ParseSprite(SpriteFile& file);

// Reads the image-set block of collection index of sprite (parsed from file) up to the next
// collection's block, or to the end of the file for the last. Image data that ends inside a
// palette or a record ends the list there; a list of other than four places a cell then raises
// SpriteFormatError "wrong number of subimages". More than kMaxImageDataBytes of image data
// raises Error; an index outside the collections raises IndexError. Idle workers of helpers,
// when given, may lend a hand with the reading.
ImageSet LoadImageSet(SpriteFile& file, const Sprite& sprite, std::int32_t index,
                      WorkerPool* helpers = nullptr);

}  // namespace morvane

// The in-memory model of one GIF file and its writer.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/canvas.h"
#include "platform/errors.h"

namespace morvane::gif {

enum class GifVersion : std::uint8_t { kUnknown = 0, k87a = 1, k89a = 2 };

// The bytes of a GIF file as it is written.
using ByteSink = std::vector<std::uint8_t>;

// 0 for 0; otherwise the least b >= 1 with 2^b >= n (1, 2 -> 1; 3-4 -> 2; ... 129-256 -> 8).
int BitsForCount(int n);

class GifImage;
class GifFrame;
struct ReducedFrame;

// A colour table of at most 256 entries, stored as red, green, blue bytes in file order.
// Colour values are 0x00BBGGRR.
class ColorMap {
 public:
  static constexpr int kMaxColors = 256;

  explicit ColorMap(GifImage* image = nullptr) : image_(image) {}
  virtual ~ColorMap() = default;

  int ColorCount() const { return count_; }
  int Capacity() const { return capacity_; }
  bool IsSorted() const { return sorted_; }
  void SetSorted(bool sorted) { sorted_ = sorted; }

  // Raises "Color table overflow" when the map already holds 256 colours.
  int AppendColor(ColorValue colour);
  // Sorted map: lowest matching index, searching up from 0. Unsorted map: highest matching
  // index, searching down from the last entry. -1 when absent.
  int FindColor(ColorValue colour) const;
  int FindOrAppendColor(ColorValue colour);
  // An index out of range warns "Invalid color index" and uses entry 0; an empty map then
  // raises "Color table is empty".
  ColorValue ColorAt(int index) const;
  // The entry's colour without any check; index must be below ColorCount().
  ColorValue Entry(int index) const;

  void Clear();
  void Assign(const ColorMap& other);
  // Replaces the entries with colours[0..count-1] (count <= 256).
  void SetColors(const ColorValue* colours, int count);

  // Writes the entries padded with black to 2^BitsForCount(count) entries; nothing when empty.
  void SaveToStream(ByteSink& out) const;

 private:
  void Grow(int needed);

  GifImage* image_;
  std::array<std::uint8_t, 3 * kMaxColors> rgb_{};
  int count_ = 0;
  int capacity_ = 0;
  bool sorted_ = false;
};

// The logical screen descriptor and the global colour table.
struct GifHeader {
  explicit GifHeader(GifImage* image) : GlobalColorMap(image) {}
  std::uint16_t LogicalWidth = 0;
  std::uint16_t LogicalHeight = 0;
  std::uint8_t Packed = 0;
  std::uint8_t BackgroundIndex = 0;
  std::uint8_t AspectRatio = 0;
  ColorMap GlobalColorMap;
};

// Extension blocks of a frame; each writes 0x21, its label and its body, and needs GIF89a.
class GifExtension {
 public:
  explicit GifExtension(GifFrame& frame) : frame_(&frame) {}
  virtual ~GifExtension() = default;
  GifExtension(const GifExtension&) = delete;
  GifExtension& operator=(const GifExtension&) = delete;

  virtual std::uint8_t Label() const = 0;
  virtual void SaveToStream(ByteSink& out) const = 0;
  GifVersion RequiredVersion() const { return GifVersion::k89a; }
  GifFrame& Frame() const { return *frame_; }

 protected:
  GifFrame* frame_;
};

// Graphic control extension (label 0xF9): transparency, disposal and delay of one frame.
// The first one created for a frame becomes its ControlExtension.
class GraphicControlExtension final : public GifExtension {
 public:
  explicit GraphicControlExtension(GifFrame& frame);
  ~GraphicControlExtension() override;

  std::uint8_t Label() const override { return 0xF9; }
  void SaveToStream(ByteSink& out) const override;

  bool TransparencyOn() const { return (packed_ & 0x01) != 0; }
  void SetTransparencyOn(bool on);
  int DisposalMethod() const { return (packed_ >> 2) & 7; }
  void SetDisposalMethod(int method);
  bool UserInputFlag() const { return (packed_ & 0x02) != 0; }
  void SetUserInputFlag(bool on);
  std::uint16_t DelayHundredths() const { return delay_; }
  void SetDelayHundredths(std::uint16_t delay) { delay_ = delay; }
  std::uint8_t TransparentIndex() const { return transparent_index_; }
  // An index not below the active map's count (when that is above 0) warns
  // "Invalid color index" and stores 0.
  void SetTransparentIndex(int index);
  // The transparent index becomes the colour's index in the frame's active map, appended when
  // missing; in a full map without the colour, the nearest entry (least |dr|+|dg|+|db|, lowest
  // index on ties) is taken instead of overflowing.
  void UseTransparentColor(ColorValue colour);
  std::uint8_t Packed() const { return packed_; }

 private:
  std::uint8_t packed_ = 0;
  std::uint16_t delay_ = 0;
  std::uint8_t transparent_index_ = 0;
};

// The NETSCAPE2.0 application extension (label 0xFF) that makes an animation loop.
class LoopExtension final : public GifExtension {
 public:
  explicit LoopExtension(GifFrame& frame) : GifExtension(frame) {}
  std::uint8_t Label() const override { return 0xFF; }
  void SaveToStream(ByteSink& out) const override;

  std::uint16_t RepeatCount = 0;  // 0: for ever
  std::uint32_t ReadAheadSize = 0;
};

// One frame: extensions, image descriptor, local colour table and one index byte per pixel.
class GifFrame {
 public:
  explicit GifFrame(GifImage& image);
  ~GifFrame();
  GifFrame(const GifFrame&) = delete;
  GifFrame& operator=(const GifFrame&) = delete;

  GifImage& Image() const { return *image_; }

  // Appends an extension; the frame owns it. Returns it for further set-up.
  template <typename Ext>
  Ext& AddExtension(std::unique_ptr<Ext> extension) {
    Ext& ref = *extension;
    extensions_.push_back(std::move(extension));
    return ref;
  }
  const std::vector<std::unique_ptr<GifExtension>>& ExtensionList() const { return extensions_; }
  void ClearExtensions();

  ColorMap& LocalColorMap() { return local_map_; }
  const ColorMap& LocalColorMap() const { return local_map_; }
  // The local map when it holds a colour, else the global map when that holds one, else the
  // (empty) local map.
  ColorMap& ActiveColorMap();
  const ColorMap& ActiveColorMap() const;

  std::uint16_t Left() const { return left_; }
  std::uint16_t Top() const { return top_; }
  std::uint16_t Width() const { return width_; }
  std::uint16_t Height() const { return height_; }
  std::uint8_t Packed() const { return packed_; }
  void SetPacked(std::uint8_t packed) { packed_ = packed; }
  bool Interlaced() const { return (packed_ & 0x40) != 0; }
  // Stores the bounds; a changed width or height gives a new, zeroed pixel buffer. The image's
  // logical screen grows to hold the frame (warning when it was set and too small).
  void SetFrameBounds(int left, int top, int width, int height);

  bool IsEmpty() const { return pixels_.empty() || width_ == 0 || height_ == 0; }
  std::vector<std::uint8_t>& Pixels() { return pixels_; }
  const std::vector<std::uint8_t>& Pixels() const { return pixels_; }
  // Raises "Invalid pixel coordinates" outside the frame.
  std::uint8_t PixelAt(int x, int y) const;

  bool HasTransparency() const { return has_transparency_; }
  void SetHasTransparency(bool on) { has_transparency_ = on; }
  GraphicControlExtension* ControlExtension() const { return control_; }
  void SetControlExtension(GraphicControlExtension* control) { control_ = control; }

  // Replaces the frame's content with the canvas reduced to at most 256 colours by the image's
  // ReductionMethod and DitherMethod (implemented with the colour reduction).
  void Assign(const RgbCanvas& canvas);
  // Empties the frame: extensions, colour map, pixels, size 0, no transparency.
  void Clear();

  GifVersion RequiredVersion() const;
  void SaveToStream(ByteSink& out) const;

 private:
  friend class GifImage;
  // The two halves of Assign: clearing and sizing the frame for the canvas (false for an empty
  // canvas, which leaves the frame empty), and taking a reduction's colours and pixels.
  bool Prepare(const RgbCanvas& canvas);
  void Install(ReducedFrame reduced);

  GifImage* image_;
  ColorMap local_map_;
  std::uint16_t left_ = 0, top_ = 0, width_ = 0, height_ = 0;
  std::uint8_t packed_ = 0;
  std::vector<std::uint8_t> pixels_;
  bool has_transparency_ = false;
  GraphicControlExtension* control_ = nullptr;
  // Declared last so that extensions, which unlink themselves from the frame, go first.
  std::vector<std::unique_ptr<GifExtension>> extensions_;
};

// Values of FrameCompression.
inline constexpr std::uint8_t kCompressionLZW = 0;
inline constexpr std::uint8_t kCompressionRLE = 1;

// A whole GIF file: header with global colour map, frames, conversion settings.
class GifImage {
 public:
  using WarningHandlerFn = std::function<void(int severity, const std::string& message)>;

  GifImage();
  ~GifImage();
  GifImage(const GifImage&) = delete;
  GifImage& operator=(const GifImage&) = delete;

  // Conversion settings, read when frames are added and written.
  std::uint8_t ReductionMethod = 6;
  std::int32_t ReductionBits = 8;
  std::uint8_t DitherMethod = 0;
  std::uint8_t FrameCompression = kCompressionLZW;
  // Optional; the converter installs none, so warnings are dropped.
  WarningHandlerFn WarningHandler;

  GifHeader& Header() { return header_; }
  const GifHeader& Header() const { return header_; }
  ColorMap& GlobalColorMap() { return header_.GlobalColorMap; }
  const ColorMap& GlobalColorMap() const { return header_.GlobalColorMap; }

  // Finds or appends the colour in the global map and stores its index as background index.
  void SetBackgroundColor(ColorValue colour);
  ColorValue BackgroundColor() const;
  // An index not below the global count (when that is above 0) warns and stores 0.
  void SetBackgroundIndex(int index);

  // Appends a frame made from the canvas (reduced to indexed colour) and returns its index.
  int AddFrame(const RgbCanvas& canvas);
  // Appends two frames made from the canvases, the same as two AddFrame calls (faster when both
  // canvases have one size); returns the index of the first.
  int AddFramePair(const RgbCanvas& first, const RgbCanvas& second);
  // Appends a ready frame of this image unchanged.
  int AddFrame(std::unique_ptr<GifFrame> frame);
  int SubImageCount() const { return static_cast<int>(frames_.size()); }
  GifFrame& SubImageAt(int index) { return *frames_.at(static_cast<std::size_t>(index)); }
  const GifFrame& SubImageAt(int index) const {
    return *frames_.at(static_cast<std::size_t>(index));
  }

  int LogicalWidth() const { return header_.LogicalWidth; }
  int LogicalHeight() const { return header_.LogicalHeight; }
  // Raise "Image width/height too small for contained frames" when a frame would not fit.
  void SetLogicalWidth(int width);
  void SetLogicalHeight(int height);

  // Merges the frames' colour maps into one global map ordered by use (colour optimiser).
  void OptimizeColorMaps();

  GifVersion RequiredVersion() const;
  // Writes the whole file; raises "Unsupported GIF version" for an image without frames
  // before any byte is written. On an error the bytes written so far stay in out.
  void SaveToStream(ByteSink& out) const;
  // Saves to a file, replacing an existing one; "Cannot create file <path>" on failure.
  void SaveGifFile(const std::string& path) const;

  void Warning(const std::string& message) const;

 private:
  friend class GifFrame;
  GifHeader header_;
  std::vector<std::unique_ptr<GifFrame>> frames_;
};

}  // namespace morvane::gif

#include "app/convert_sequence.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <exception>
#include <iterator>
#include <mutex>
#include <optional>
#include <utility>
#include <vector>

#include "app/limits.h"
#include "app/wildcard.h"
#include "core/ascii.h"
#include "core/canvas.h"
#include "gif/color_map_optimizer.h"
#include "gif/frame_builder.h"
#include "gif/gif_image.h"
#include "gif/gif_writer.h"
#include "platform/fs.h"
#include "platform/path.h"
#include "platform/signals.h"

namespace morvane {

namespace {

constexpr const char* kFourDirections[] = {"NW", "NE", "SE", "SW"};
constexpr const char* kEightDirections[] = {"NW", "N", "NE", "E", "SE", "S", "SW", "W"};

constexpr std::size_t kNameColumn = 20;

struct Box {
  std::int64_t left = 0, top = 0, right = 0, bottom = 0;
  std::int64_t Width() const { return right - left; }
  std::int64_t Height() const { return bottom - top; }
};

// A canvas of the given size, refused before any allocation when no GIF could hold it or when
// it passes the converter's memory bound.
RgbCanvas MakeCanvas(std::int64_t width, std::int64_t height) {
  CheckCanvasSize(width, height);
  if (width <= 0 || height <= 0) return RgbCanvas();
  return RgbCanvas(static_cast<std::int32_t>(width), static_cast<std::int32_t>(height));
}

// A side of the plain background frame: the sprite's, but at least one pixel, so that the GIF
// always holds an image.
std::int64_t BackgroundSide(std::int64_t sprite_side) {
  return std::max<std::int64_t>(1, sprite_side);
}

void AddTransparency(gif::GifImage& image, gif::GifFrame& frame, ColorValue background) {
  auto& control = frame.AddExtension(gif::GraphicControlExtension());
  control.SetTransparencyOn(true);
  gif::ColorMap& map = image.ActiveColorMap(frame);
  control.SetTransparentIndex(map.FindAppendOrNearest(background), map);
  control.SetDisposalMethod(gif::kDisposeToBackground);  // each frame drawn on a cleared screen
}

// Gives every frame the delay: in the control extension it has for transparency, else in a new
// one (transparency off, no disposal) after its other extensions. 0 leaves the frames as they
// are.
void SetFrameDelays(gif::GifImage& image, std::uint16_t delay) {
  if (delay == 0) return;
  for (gif::GifFrame& frame : image.Frames()) {
    gif::GraphicControlExtension* control = frame.ControlExtension();
    if (control == nullptr) control = &frame.AddExtension(gif::GraphicControlExtension());
    control->SetDelayHundredths(delay);
  }
}

// The first pixel of the canvas, row by row from the top left, whose colour is exactly colour.
std::optional<CanvasPoint> FirstPixelOfColour(const RgbCanvas& canvas, ColorValue colour) {
  for (std::int32_t y = 0; y < canvas.Height(); ++y) {
    const ColorValue* row = canvas.Row(y);
    const ColorValue* found = std::find(row, row + canvas.Width(), colour & 0xFFFFFFu);
    if (found != row + canvas.Width())
      return CanvasPoint{static_cast<std::int32_t>(found - row), y};
  }
  return std::nullopt;
}

// Canvases a direction holds at once while their frames are reduced side by side: two for each
// thread, so that one direction alone keeps every thread busy, and a pair with one thread, as
// frames are paired anyway. Every thread may hold a direction, so each window gets an equal
// share of a fixed bound of memory.
std::size_t WindowCanvases(const RgbCanvas& canvas, int threads) {
  constexpr std::int64_t kWindowsBytes = std::int64_t{256} << 20;
  const std::int64_t pair_bytes =
      std::max<std::int64_t>(1, std::int64_t{canvas.Width()} * canvas.Height() * 4 * 2);
  const std::int64_t pairs =
      std::clamp<std::int64_t>(kWindowsBytes / threads / pair_bytes, 1, threads);
  return static_cast<std::size_t>(2 * pairs);
}

// A composited frame waiting to be reduced.
struct WaitingCanvas {
  RgbCanvas canvas;
  bool drawn = false;
  std::optional<CanvasPoint> background_at;  // where it first shows the background
};

// The GIF file of one direction, as bytes.
gif::ByteSink ConvertDirection(const Sprite& sprite, const Sequence& sequence,
                               const Collection& anim, std::int32_t direction,
                               const DrawSettings& settings, const RunSettingsRecord& run,
                               WorkerPool& pool) {
  Signals::ThrowIfPending();
  DirectionFrames frames(sprite, sequence, anim, direction, settings);
  gif::GifImage image;
  gif::ReductionSettings reduction;
  reduction.dither_method = run.dithering == DitherMethod::kFloydSteinberg
                                ? gif::kDitherFloydSteinberg
                                : gif::kDitherNearest;
  image.SetBackgroundColor(settings.background);
  const gif::FrameCompression compression = run.frame_coding == FrameCoding::kRunLength
                                                ? gif::FrameCompression::kRunLength
                                                : gif::FrameCompression::kLzw;

  const bool loops = frames.Counted() > 1;
  const bool transparent = settings.threshold.has_value();
  // Where each frame first shows the background, for the transparency repair below.
  std::vector<std::optional<CanvasPoint>> first_background;
  const auto add_frame = [&](gif::GifFrame frame, bool drawn,
                             std::optional<CanvasPoint> background_at) {
    const int index = image.AddFrame(std::move(frame));
    first_background.resize(static_cast<std::size_t>(index) + 1);
    first_background[static_cast<std::size_t>(index)] = background_at;
    gif::GifFrame& gif_frame = image.FrameAt(index);
    if (loops && drawn && index == 0) gif_frame.AddExtension(gif::LoopExtension());
    if (transparent) AddTransparency(image, gif_frame, settings.background);
  };
  // Frames are reduced two at a time, which is faster than one by one and gives the same
  // frames. The canvases wait in copies until a window of pairs is full (the last one straight
  // from the drawing canvas); its pairs are then reduced side by side and added in order. The
  // copies' memory is reused from one window to the next.
  std::vector<WaitingCanvas> window;
  std::size_t waiting = 0;  // canvases in the window
  std::size_t window_size = 0;
  // Reduces the waiting canvases and, when live is given, the drawing canvas after them.
  const auto reduce_window = [&](const RgbCanvas* live, bool live_drawn,
                                 std::optional<CanvasPoint> live_background) {
    const std::size_t count = waiting + (live != nullptr ? 1 : 0);
    const auto canvas_at = [&](std::size_t i) -> const RgbCanvas& {
      return i < waiting ? window[i].canvas : *live;
    };
    const std::size_t pairs = (count + 1) / 2;
    std::vector<std::array<gif::GifFrame, 2>> reduced(pairs);
    pool.ForEach(pairs, [&](std::size_t p) {
      const std::size_t first = 2 * p;
      if (first + 1 < count) {
        reduced[p] = gif::BuildFramePair(canvas_at(first), canvas_at(first + 1), reduction);
      } else {
        reduced[p][0] = gif::BuildFrame(canvas_at(first), reduction);
      }
    });
    for (std::size_t i = 0; i < count; ++i) {
      const bool is_live = i == waiting;
      add_frame(std::move(reduced[i / 2][i % 2]), is_live ? live_drawn : window[i].drawn,
                is_live ? live_background : window[i].background_at);
    }
    waiting = 0;
  };
  frames.Draw([&](const RgbCanvas& canvas, bool drawn) {
    Signals::ThrowIfPending();
    std::optional<CanvasPoint> background_at;
    if (transparent) background_at = FirstPixelOfColour(canvas, settings.background);
    if (window_size == 0) window_size = WindowCanvases(canvas, pool.Concurrency());
    if (waiting + 1 == window_size) {
      reduce_window(&canvas, drawn, background_at);
      return;
    }
    if (window.size() == waiting) window.emplace_back();
    window[waiting].canvas = canvas;
    window[waiting].drawn = drawn;
    window[waiting].background_at = background_at;
    ++waiting;
  });
  if (waiting > 0) reduce_window(nullptr, false, std::nullopt);

  Signals::ThrowIfPending();
  gif::OptimizeColorMaps(image);
  if (transparent) {
    // Frames whose transparent colour vanished in the merge take the index their first
    // background pixel got as transparent instead; a second pass then gives them the shared
    // transparent slot. A frame that shows no background stays opaque.
    std::size_t index = 0;
    for (gif::GifFrame& gif_frame : image.Frames()) {
      const std::optional<CanvasPoint> background_at = first_background[index++];
      gif::GraphicControlExtension* control = gif_frame.ControlExtension();
      if (control != nullptr && !control->TransparencyOn() && background_at) {
        control->SetTransparencyOn(true);
        control->SetTransparentIndex(gif_frame.PixelAt(background_at->x, background_at->y),
                                     image.ActiveColorMap(gif_frame));
      }
    }
    gif::OptimizeColorMaps(image);
  }
  SetFrameDelays(image, FrameDelayHundredths(run.anim_speed));
  return gif::EncodeGif(image, compression, pool);
}

}  // namespace

DrawSettings DrawSettings::From(const RunSettingsRecord& run) {
  return DrawSettings{
      run.binary_transparency ? std::optional<std::int32_t>(run.threshold) : std::nullopt,
      run.static_anims, run.background_color};
}

DirectionFrames::DirectionFrames(const Sprite& sprite, const Sequence& sequence,
                                 const Collection& anim, std::int32_t direction,
                                 const DrawSettings& settings)
    : sprite_(sprite),
      sequence_(sequence),
      anim_(anim),
      direction_(direction),
      settings_(settings) {
  // Union of the boxes of every counted frame.
  Box box_union;
  for (std::int32_t i = 0; i < sequence.FrameCount(); ++i) {
    const std::int16_t frame = sequence.FrameIndex(i);
    if (frame < 0) continue;
    const FrameBox frame_box = anim.BoxAt(frame, direction);
    if (frame_box.IsEmpty()) continue;
    Box box{frame_box.left, frame_box.top, frame_box.right, frame_box.bottom};
    if (settings.static_anims) {
      const FrameExtent extent = anim.ExtentAt(frame, direction);
      box = Box{0, 0, extent.width, extent.height};
    }
    if (counted_++ == 0) {
      box_union = box;
    } else {
      box_union.left = std::min(box_union.left, box.left);
      box_union.top = std::min(box_union.top, box.top);
      box_union.right = std::max(box_union.right, box.right);
      box_union.bottom = std::max(box_union.bottom, box.bottom);
    }
  }
  if (counted_ == 0)
    box_union = Box{0, 0, BackgroundSide(sprite.Width()), BackgroundSide(sprite.Height())};
  left_ = box_union.left;
  top_ = box_union.top;
  canvas_ = MakeCanvas(box_union.Width(), box_union.Height());
}

void DirectionFrames::Draw(const FrameSink& sink) {
  std::int64_t drawn = 0;
  for (std::int32_t i = 0; i < sequence_.FrameCount(); ++i) {
    const std::int16_t frame = sequence_.FrameIndex(i);
    if (frame < 0) continue;
    const FrameExtent extent = anim_.ExtentAt(frame, direction_);
    if (extent.width <= 0 || extent.height <= 0) continue;
    CheckAnimationSize(drawn + 1, canvas_.Width(), canvas_.Height());
    Signals::ThrowIfPending();

    canvas_.FillRect(0, 0, canvas_.Width(), canvas_.Height(), settings_.background);
    CanvasPoint origin;
    if (!settings_.static_anims) {
      const FrameBox frame_box = anim_.BoxAt(frame, direction_);
      origin = CanvasPoint{static_cast<std::int32_t>(frame_box.left - left_),
                           static_cast<std::int32_t>(frame_box.top - top_)};
    }
    anim_.DrawFrame(frame, direction_, canvas_, origin, settings_.DrawThreshold());
    sink(canvas_, true);
    ++drawn;
  }

  // A direction without a drawn frame shows the plain background at the sprite's size.
  if (drawn == 0) {
    if (counted_ > 0)
      canvas_ = MakeCanvas(BackgroundSide(sprite_.Width()), BackgroundSide(sprite_.Height()));
    canvas_.FillRect(0, 0, canvas_.Width(), canvas_.Height(), settings_.background);
    sink(canvas_, false);
  }
}

std::uint16_t FrameDelayHundredths(std::uint32_t anim_speed_ms) {
  constexpr std::uint32_t kUndelayedSpeed = 100;  // the default: viewers' own frame time
  constexpr std::uint32_t kMaxSpeed = 655350;     // the largest delay a GIF holds, 65535
  if (anim_speed_ms == 0 || anim_speed_ms > kMaxSpeed || anim_speed_ms == kUndelayedSpeed) return 0;
  return static_cast<std::uint16_t>(std::max<std::uint32_t>((anim_speed_ms + 5) / 10, 1));
}

std::string DirectionSuffix(std::int32_t direction_count, std::int32_t direction) {
  if (direction_count == 1) return "";
  if (direction_count == std::ssize(kFourDirections) && direction >= 0 &&
      direction < direction_count)
    return std::string("_") + kFourDirections[direction];
  if (direction_count == std::ssize(kEightDirections) && direction >= 0 &&
      direction < direction_count)
    return std::string("_") + kEightDirections[direction];
  // Any other count: the direction in upper-case hexadecimal, at least two digits.
  static constexpr char kHex[] = "0123456789ABCDEF";
  constexpr std::size_t kMinHexDigits = 2;
  std::string digits;
  auto value = static_cast<std::uint32_t>(direction);
  do {
    digits.insert(digits.begin(), kHex[value & 15]);
    value >>= 4;
  } while (value != 0);
  if (digits.size() < kMinHexDigits) digits.insert(digits.begin(), '0');
  return "_" + digits;
}

std::string GifFileName(std::string_view safe_name, std::string_view suffix) {
  constexpr std::string_view kExtension = ".gif";
  const std::size_t room = kMaxFileNameBytes - suffix.size() - kExtension.size();
  std::string name(safe_name.substr(0, room));
  name += suffix;
  name += kExtension;
  return name;
}

void ConvertSequence(Sprite& sprite, std::int32_t sequence_index, const FileSpec& spec,
                     const RunSettingsRecord& run, Report& report, WorkerPool& pool) {
  Console& console = report;
  Signals::ThrowIfPending();  // no sequence line is started once the run is ending
  const Sequence& sequence = *sprite.GetSequence(sequence_index);
  std::string text = "\t" + ShownName(sequence.Name());
  if (sequence.Name().size() < kNameColumn) text.append(kNameColumn - sequence.Name().size(), ' ');
  console.Write(text);
  console.Flush();
  if (!MatchWildcard(sequence.Name(), spec.pattern)) {
    console.Write(" skipped");
    console.Flush();
    return;
  }

  const Collection* anim = sprite.GetCollection(sequence.CollectionIndex());
  if (anim == nullptr) return;  // the per-file job only converts sequences of a collection
  const DrawSettings settings = DrawSettings::From(run);
  CheckDirectionWork(anim->DirectionCount(), sequence.FrameCount());
  const std::string safe_name = SafeFileName(sequence.Name());
  // The directions are converted side by side and put in place in order, each as soon as the
  // ones before it stand: when one fails, the files of the directions before it stand and none
  // after it is placed.
  const auto directions = static_cast<std::size_t>(anim->DirectionCount());
  std::vector<std::optional<PendingFile>> files(directions);
  std::vector<std::exception_ptr> errors(directions);
  std::atomic<std::size_t> first_error = directions;
  const auto fail = [&](std::size_t d, std::exception_ptr error) {
    errors[d] = std::move(error);
    std::size_t expected = first_error.load();
    while (d < expected && !first_error.compare_exchange_weak(expected, d)) {
    }
  };
  std::mutex placing;
  std::size_t placed = 0;  // directions whose files stand
  pool.ForEach(directions, [&](std::size_t d) {
    if (d > first_error.load()) return;  // it would never be placed
    try {
      const auto direction = static_cast<std::int32_t>(d);
      PendingFile file = PendingFile::Write(
          JoinPath(spec.output_directory,
                   GifFileName(safe_name, DirectionSuffix(anim->DirectionCount(), direction))),
          ConvertDirection(sprite, sequence, *anim, direction, settings, run, pool));
      const std::lock_guard<std::mutex> lock(placing);
      files[d] = std::move(file);
      while (placed < first_error.load() && placed < directions && files[placed]) {
        try {
          report.Place(std::move(*files[placed]));
        } catch (...) {
          fail(placed, std::current_exception());
          break;
        }
        files[placed++].reset();
      }
    } catch (...) {
      fail(d, std::current_exception());
    }
  });
  if (const std::size_t d = first_error.load(); d < directions) std::rethrow_exception(errors[d]);
  console.Write(" Ok ");
  console.Flush();
}

}  // namespace morvane

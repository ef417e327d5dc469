// Colour-map optimisation: the frames of an image end sharing one global colour map of the
// colours they use, most used first, with one shared transparent slot at its end.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "gif/gif_image.h"

namespace morvane::gif {

// The use of one entry of a colour map.
struct HistogramEntry {
  std::int32_t UseCount = 0;
  std::int32_t MapIndex = 0;
  std::int32_t NewIndex = 256;  // 256: none yet
  ColorValue Colour = 0;        // 0x00BBGGRR
  // Set when an equal colour of another map took over this record's use.
  const HistogramEntry* MergedInto = nullptr;
};

using HistogramEntryList = std::vector<HistogramEntry*>;

enum class SortKey { UseCount, Colour };

// Sorts largest key first with the in-place quicksort the output was defined by (pivot record at
// the middle, Hoare scans, the left part first). Records of equal key end in the order this
// particular sort leaves them, and the written colour maps depend on that order, so this must
// not be replaced by another sort.
void SortRecords(HistogramEntryList& list, SortKey key);

// How often each entry of one colour map is used by the frames counted into it.
class Histogram {
 public:
  explicit Histogram(ColorMap& map);
  Histogram(const Histogram&) = delete;
  Histogram& operator=(const Histogram&) = delete;

  ColorMap& Map() const { return *map_; }
  int EntryCount() const { return entry_count_; }
  const HistogramEntryList& List() const { return list_; }
  const std::vector<GifFrame*>& Frames() const { return frames_; }

  // Counts the frame's pixels; transparent pixels are not counted. Index bytes beyond the map
  // become 0 with a warning. A transparent frame none of whose pixels is transparent loses its
  // transparency. Returns whether the frame's transparent index is used.
  bool CountFrame(GifFrame& frame);
  // Sorts the records by use and cuts the unused ones off. Returns the number kept.
  int DropUnusedColors();
  // Rewrites the counted frames' pixels (and transparent indices) to the new indices.
  void RemapFrames(bool uses_transparency, int new_transparent_index);

 private:
  ColorMap* map_;
  int entry_count_;
  std::vector<HistogramEntry> records_;  // one block, one record per entry
  HistogramEntryList list_;
  std::vector<GifFrame*> frames_;
};

class ColorMapOptimizer {
 public:
  explicit ColorMapOptimizer(GifImage& image) : image_(image) {}

  // The whole pass: count, drop unused colours, merge equal colours, keep the most used ones,
  // install them as the global map and rewrite every frame.
  void Optimize();

  int SharedCount() const { return shared_count_; }
  ColorValue SharedColor(int index) const { return shared_[static_cast<std::size_t>(index)]; }
  bool UsesTransparency() const { return uses_transparency_; }
  int NewTransparentIndex() const { return new_transparent_index_; }

 private:
  void CollectHistograms();
  void MergeDuplicateColors();
  void BuildSharedMap();
  void InstallSharedMap();

  GifImage& image_;
  std::vector<std::unique_ptr<Histogram>> histograms_;
  HistogramEntryList combined_;
  std::array<ColorValue, 256> shared_{};
  int shared_count_ = 0;
  bool uses_transparency_ = false;
  std::uint8_t new_transparent_index_ = 0;
};

}  // namespace morvane::gif

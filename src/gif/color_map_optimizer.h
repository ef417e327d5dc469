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
  std::int32_t use_count = 0;
  std::int32_t map_index = 0;    // the entry's index in its own map
  std::int32_t new_index = 256;  // its index in the shared map; 256: none yet
  ColorValue colour = 0;         // 0x00BBGGRR
  // Set when an equal colour of another map took over this record's use.
  const HistogramEntry* merged_into = nullptr;
};

using HistogramEntryList = std::vector<HistogramEntry*>;

// What SortRecords orders by.
enum class SortKey { kUseCount, kColour };

// Sorts largest key first with the in-place quicksort the output was defined by (pivot record at
// the middle, Hoare scans, the left part first). Records of equal key end in the order this
// particular sort leaves them, and the written colour maps depend on that order, so this must
// not be replaced by another sort.
void SortRecords(HistogramEntryList& list, SortKey key);

// How often each entry of one colour map is used by the frames counted into it.
class Histogram {
 public:
  explicit Histogram(const ColorMap& map);
  Histogram(const Histogram&) = delete;
  Histogram& operator=(const Histogram&) = delete;

  // The records of the used colours once DropUnusedColors has run.
  const HistogramEntryList& List() const { return list_; }

  // Counts the frame's pixels; transparent pixels are not counted. Index bytes beyond the map
  // become 0. A transparent frame none of whose pixels is transparent loses its transparency.
  // Returns whether the frame's transparent index is used.
  bool CountFrame(GifFrame& frame);
  // Sorts the records by use and cuts the unused ones off. Returns the number kept.
  int DropUnusedColors();
  // Rewrites the counted frames' pixels (and transparent indices) to the new indices of the
  // shared map.
  void RemapFrames(const ColorMap& shared_map, bool uses_transparency, int new_transparent_index);

 private:
  const ColorMap* map_;
  int entry_count_;                      // the map's entries, then the used ones
  std::vector<HistogramEntry> records_;  // one block, one record per entry
  HistogramEntryList list_;              // the records in sort order
  std::vector<GifFrame*> frames_;        // the frames counted, whose pixels index the map
};

// Merges the frames' colour maps of one image into a shared global map.
class ColorMapOptimizer {
 public:
  explicit ColorMapOptimizer(GifImage& image) : image_(image) {}

  // The whole pass: count, drop unused colours, merge equal colours, keep the most used ones,
  // install them as the global map and rewrite every frame.
  void Optimize();

 private:
  void CollectHistograms();
  void MergeDuplicateColors();
  void BuildSharedMap();
  void InstallSharedMap();

  GifImage& image_;
  std::vector<std::unique_ptr<Histogram>> histograms_;
  HistogramEntryList combined_;           // the used records of every map together
  std::array<ColorValue, 256> shared_{};  // the colours of the shared map
  int shared_count_ = 0;
  bool uses_transparency_ = false;  // some frame's transparent index is used
  std::uint8_t new_transparent_index_ = 0;
};

// Merges the frames' colour maps into one global map ordered by use: the frames then share one
// sorted map of the colours they use, most used first, with one transparent slot (black) at its
// end when any frame is transparent.
void OptimizeColorMaps(GifImage& image);

}  // namespace morvane::gif

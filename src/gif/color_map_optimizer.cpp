// Colour-map optimisation across the frames of an image.
#include "gif/color_map_optimizer.h"

#include <cstdlib>
#include <limits>
#include <span>
#include <utility>

#include "gif/cpu_features.h"

#if MORVANE_X86_DISPATCH
#include <immintrin.h>
#endif

namespace morvane::gif {

namespace {

constexpr std::int32_t kMaxUseCount = std::numeric_limits<std::int32_t>::max();

std::int64_t KeyOf(const HistogramEntry* record, SortKey key) {
  return key == SortKey::kUseCount ? std::int64_t{record->use_count} : std::int64_t{record->colour};
}

// Replaces every byte of pixels by its entry in table.
void RemapPortable(std::span<std::uint8_t> pixels, const std::array<std::uint8_t, 256>& table) {
  for (std::uint8_t& pixel : pixels) pixel = table[pixel];
}

#if MORVANE_X86_DISPATCH
// The same 64 bytes at a time: two 128-entry byte permutes, chosen by each byte's top bit.
__attribute__((target("avx512f,avx512bw,avx512vbmi"))) void RemapAvx512(
    std::span<std::uint8_t> pixels, const std::array<std::uint8_t, 256>& table) {
  const __m512i quarter0 = _mm512_loadu_si512(table.data());
  const __m512i quarter1 = _mm512_loadu_si512(table.data() + 64);
  const __m512i quarter2 = _mm512_loadu_si512(table.data() + 128);
  const __m512i quarter3 = _mm512_loadu_si512(table.data() + 192);
  std::uint8_t* at = pixels.data();
  std::uint8_t* const end = at + pixels.size();
  for (; end - at >= 64; at += 64) {
    const __m512i index = _mm512_loadu_si512(at);
    const __m512i low = _mm512_permutex2var_epi8(quarter0, index, quarter1);
    const __m512i high = _mm512_permutex2var_epi8(quarter2, index, quarter3);
    _mm512_storeu_si512(at, _mm512_mask_blend_epi8(_mm512_movepi8_mask(index), low, high));
  }
  RemapPortable({at, end}, table);
}

#endif

void Remap(std::span<std::uint8_t> pixels, const std::array<std::uint8_t, 256>& table) {
#if MORVANE_X86_DISPATCH
  if (HasAvx512Vbmi()) return RemapAvx512(pixels, table);
#endif
  RemapPortable(pixels, table);
}

int ChannelSum(ColorValue colour) {
  return static_cast<int>((colour & 0xFF) + ((colour >> 8) & 0xFF) + ((colour >> 16) & 0xFF));
}

}  // namespace

void SortRecords(HistogramEntryList& list, SortKey key) {
  if (list.size() < 2) return;
  // The keys sit beside the records in one array, so the sort reads them in order instead of
  // through a pointer each (the whole optimisation 1.53 -> 1.45 ns a pixel). The steps, and
  // so the order of equal keys, are those of the sort on the list itself.
  struct Keyed {
    std::int64_t key;
    HistogramEntry* record;
  };
  std::vector<Keyed> keyed;
  keyed.reserve(list.size());
  for (HistogramEntry* record : list) keyed.push_back({KeyOf(record, key), record});
  // The recursion on the left part runs on an explicit stack: the order of the steps, and so
  // the result, is that of the recursive sort, without its depth limit.
  std::vector<std::pair<int, int>> pending;
  pending.emplace_back(0, static_cast<int>(keyed.size()) - 1);
  while (!pending.empty()) {
    const auto [left, right] = pending.back();
    pending.pop_back();
    int i = left;
    int j = right;
    // Keys are compared by the sign of a 64-bit difference: no overflow for any count.
    const std::int64_t pivot = keyed[static_cast<std::size_t>((left + right) / 2)].key;
    do {
      while (pivot - keyed[static_cast<std::size_t>(i)].key < 0) ++i;
      while (pivot - keyed[static_cast<std::size_t>(j)].key > 0) --j;
      if (i <= j) {
        std::swap(keyed[static_cast<std::size_t>(i)], keyed[static_cast<std::size_t>(j)]);
        ++i;
        --j;
      }
    } while (i <= j);
    if (i < right) pending.emplace_back(i, right);
    if (left < j) pending.emplace_back(left, j);
  }
  for (std::size_t k = 0; k < list.size(); ++k) list[k] = keyed[k].record;
}

// ---- Histogram ------------------------------------------------------------------------------

Histogram::Histogram(const ColorMap& map)
    : map_(&map),
      entry_count_(map.ColorCount()),
      records_(static_cast<std::size_t>(map.ColorCount())) {
  list_.reserve(records_.size());
  for (int i = 0; i < entry_count_; ++i) {
    HistogramEntry& record = records_[static_cast<std::size_t>(i)];
    record.map_index = i;
    record.colour = map.Entry(i);
    list_.push_back(&record);
  }
}

bool Histogram::CountFrame(GifFrame& frame) {
  if (frame.IsEmpty()) return false;
  frames_.push_back(&frame);
  GraphicControlExtension* control = frame.ControlExtension();
  const bool transparent = frame.HasTransparency();
  const int transparent_index = transparent ? control->TransparentIndex() : -1;
  std::vector<std::uint8_t>& pixels = frame.Pixels();

  // Counted first into a table of the frame's own, without the checks each pixel needs only
  // when a count could reach the saturation point.
  std::int64_t total = static_cast<std::int64_t>(pixels.size());
  for (const HistogramEntry& record : records_) total += record.use_count;
  bool used = false;
  bool in_range = true;
  if (total < kMaxUseCount) {
    // Four tables in turn: runs of one index would otherwise wait on their own counts' stores.
    std::array<std::array<std::uint32_t, 256>, 4> partial{};
    const std::size_t size = pixels.size();
    std::size_t i = 0;
    for (; i + 4 <= size; i += 4) {
      ++partial[0][pixels[i]];
      ++partial[1][pixels[i + 1]];
      ++partial[2][pixels[i + 2]];
      ++partial[3][pixels[i + 3]];
    }
    for (; i < size; ++i) ++partial[0][pixels[i]];
    std::array<std::uint32_t, 256> counts{};
    for (std::size_t index = 0; index < 256; ++index)
      counts[index] = partial[0][index] + partial[1][index] + partial[2][index] + partial[3][index];
    for (int index = entry_count_; index < 256; ++index)
      if (counts[static_cast<std::size_t>(index)] != 0 && index != transparent_index)
        in_range = false;
    if (in_range) {
      if (transparent_index >= 0) {
        used = counts[static_cast<std::size_t>(transparent_index)] != 0;
        counts[static_cast<std::size_t>(transparent_index)] = 0;
      }
      for (int index = 0; index < entry_count_; ++index)
        records_[static_cast<std::size_t>(index)].use_count +=
            static_cast<std::int32_t>(counts[static_cast<std::size_t>(index)]);
    }
  }
  if (total >= kMaxUseCount || !in_range) {
    // Pixel by pixel: indices beyond the map become 0 in order, and counting (with the
    // replacing) stops when a count saturates.
    used = false;
    for (std::uint8_t& pixel : pixels) {
      if (pixel == transparent_index) {
        used = true;
        continue;
      }
      if (pixel >= entry_count_) pixel = 0;
      std::int32_t& count = records_[pixel].use_count;
      if (count == kMaxUseCount) break;
      ++count;
    }
  }
  if (transparent && !used) {
    control->SetTransparentIndex(0, *map_);
    control->SetTransparencyOn(false);
  }
  return used;
}

int Histogram::DropUnusedColors() {
  SortRecords(list_, SortKey::kUseCount);
  std::size_t kept = 0;
  while (kept < list_.size() && list_[kept]->use_count != 0) ++kept;
  for (std::size_t i = kept; i < list_.size(); ++i) list_[i]->use_count = -1;
  list_.resize(kept);
  entry_count_ = static_cast<int>(kept);
  return entry_count_;
}

void Histogram::RemapFrames(const ColorMap& shared_map, bool uses_transparency,
                            int new_transparent_index) {
  std::array<std::uint8_t, 256> table{};
  for (const HistogramEntry* record : list_)
    table[static_cast<std::size_t>(record->map_index)] =
        static_cast<std::uint8_t>(record->new_index);
  const auto new_transparent = static_cast<std::uint8_t>(new_transparent_index);
  for (GifFrame* frame : frames_) {
    GraphicControlExtension* control = frame->ControlExtension();
    std::array<std::uint8_t, 256> frame_table = table;
    if (uses_transparency && frame->HasTransparency()) {
      // The frame's transparent index goes to the new one, whatever the table says of it.
      frame_table[control->TransparentIndex()] = new_transparent;
      control->SetTransparentIndex(new_transparent_index, shared_map);
    }
    Remap(frame->Pixels(), frame_table);
  }
}

// ---- ColorMapOptimizer ----------------------------------------------------------------------

void ColorMapOptimizer::CollectHistograms() {
  uses_transparency_ = false;
  ColorMap& global = image_.GlobalColorMap();
  if (global.ColorCount() > 0) {
    auto histogram = std::make_unique<Histogram>(global);
    bool counted = false;
    for (GifFrame& frame : image_.Frames()) {
      if (frame.LocalColorMap().ColorCount() != 0 || frame.IsEmpty()) continue;
      if (histogram->CountFrame(frame)) uses_transparency_ = true;
      counted = true;
    }
    if (counted) histograms_.push_back(std::move(histogram));
  }
  for (GifFrame& frame : image_.Frames()) {
    if (frame.LocalColorMap().ColorCount() == 0 || frame.IsEmpty()) continue;
    histograms_.push_back(std::make_unique<Histogram>(frame.LocalColorMap()));
    if (histograms_.back()->CountFrame(frame)) uses_transparency_ = true;
  }
}

void ColorMapOptimizer::MergeDuplicateColors() {
  if (combined_.empty()) return;
  SortRecords(combined_, SortKey::kColour);
  HistogramEntry* survivor = combined_.front();
  for (std::size_t i = 1; i < combined_.size(); ++i) {
    HistogramEntry* record = combined_[i];
    if (record->colour != survivor->colour) {
      survivor = record;
      continue;
    }
    // Saturates instead of wrapping: a colour used more than 2^31 - 1 times stays the most used.
    const std::int64_t total = std::int64_t{survivor->use_count} + record->use_count;
    survivor->use_count = total > kMaxUseCount ? kMaxUseCount : static_cast<std::int32_t>(total);
    record->use_count = 0;
    record->merged_into = survivor;
  }
}

void ColorMapOptimizer::BuildSharedMap() {
  SortRecords(combined_, SortKey::kUseCount);
  const std::size_t limit = uses_transparency_ ? 255 : 256;
  std::size_t kept = 0;
  while (kept < combined_.size() && kept < limit && combined_[kept]->use_count != 0) ++kept;
  shared_count_ = static_cast<int>(kept);

  std::array<int, 256> sums{};
  for (std::size_t p = 0; p < kept; ++p) {
    combined_[p]->new_index = static_cast<std::int32_t>(p);
    shared_[p] = combined_[p]->colour;
    sums[p] = ChannelSum(combined_[p]->colour);
  }
  // A used colour that did not fit takes the kept colour with the nearest channel sum, the most
  // used one on ties. Sums run from 0 to 765, so the answer for every sum is worked out once.
  std::array<std::int32_t, 766> nearest_by_sum{};
  if (kept > 0 && kept < combined_.size()) {
    for (int sum = 0; sum <= 765; ++sum) {
      int best = 0;
      int best_distance = 765;
      for (std::size_t k = 0; k < kept; ++k) {
        const int distance = std::abs(sums[k] - sum);
        if (distance < best_distance) {
          best_distance = distance;
          best = static_cast<int>(k);
        }
      }
      nearest_by_sum[static_cast<std::size_t>(sum)] =
          combined_[static_cast<std::size_t>(best)]->new_index;
    }
  }
  // Records are sorted by use, so every record a merged-away one refers to is placed before it.
  for (std::size_t p = kept; p < combined_.size(); ++p) {
    HistogramEntry* record = combined_[p];
    if (record->use_count == 0 && record->merged_into != nullptr) {
      record->new_index = record->merged_into->new_index;
      continue;
    }
    record->new_index =
        kept > 0 ? nearest_by_sum[static_cast<std::size_t>(ChannelSum(record->colour))] : 0;
  }

  if (uses_transparency_) {
    // The transparent slot is always the last entry, black.
    new_transparent_index_ = static_cast<std::uint8_t>(shared_count_);
    shared_[static_cast<std::size_t>(shared_count_)] = 0;
    ++shared_count_;
  }
}

void ColorMapOptimizer::InstallSharedMap() {
  for (GifFrame& frame : image_.Frames()) frame.LocalColorMap().Clear();
  ColorMap& global = image_.GlobalColorMap();
  global.SetColors(shared_.data(), shared_count_);
  global.SetSorted(true);
}

void ColorMapOptimizer::Optimize() {
  CollectHistograms();
  std::size_t capacity = 0;
  for (const auto& histogram : histograms_)
    capacity += static_cast<std::size_t>(histogram->DropUnusedColors());
  combined_.reserve(capacity);
  for (const auto& histogram : histograms_)
    for (HistogramEntry* record : histogram->List()) combined_.push_back(record);
  MergeDuplicateColors();
  // With nothing counted (every pixel transparent, or no frame at all) the shared map is empty
  // or holds only the transparent slot; it is installed and the frames remapped all the same.
  BuildSharedMap();
  InstallSharedMap();
  for (const auto& histogram : histograms_)
    histogram->RemapFrames(image_.GlobalColorMap(), uses_transparency_, new_transparent_index_);
}

void OptimizeColorMaps(GifImage& image) {
  ColorMapOptimizer optimizer(image);
  optimizer.Optimize();
}

}  // namespace morvane::gif

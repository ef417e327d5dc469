// Octree colour quantisation.
#include "gif/quantizer.h"

#include <algorithm>
#include <bit>

#include "gif/gif_image.h"

namespace morvane::gif {

namespace {
constexpr std::int32_t kNone = TOctreeNode::kNone;
}  // namespace

TColorQuantizer::TColorQuantizer(int max_colors, int color_bits)
    : max_colors_(max_colors), color_bits_(color_bits) {
  if (color_bits < 1 || color_bits > 8 || max_colors < 1)
    throw GIFException("Invalid color quantizer settings");
  reducible_.fill(kNone);
  // A tree reduced as pixels arrive holds at most max_colors + 1 leaves, each with at most
  // color_bits ancestors; reserving that much avoids regrowing the pool in the common case.
  nodes_.reserve(static_cast<std::size_t>(max_colors + 1) * static_cast<std::size_t>(color_bits) +
                 1);
}

std::int32_t TColorQuantizer::NewNode(int level) {
  std::int32_t index;
  if (!free_.empty()) {
    index = free_.back();
    free_.pop_back();
    nodes_[static_cast<std::size_t>(index)] = TOctreeNode{};
  } else {
    index = static_cast<std::int32_t>(nodes_.size());
    nodes_.emplace_back();
  }
  TOctreeNode& node = nodes_[static_cast<std::size_t>(index)];
  if (level == color_bits_) {
    node.IsLeaf = true;
    ++leaf_count_;
  } else {
    node.NextReducible = reducible_[static_cast<std::size_t>(level)];
    reducible_[static_cast<std::size_t>(level)] = index;
  }
  return index;
}

void TColorQuantizer::FreeSubtree(std::int32_t index) {
  TOctreeNode& node = nodes_[static_cast<std::size_t>(index)];
  for (int i = 7; i >= 0; --i) {
    const std::int32_t child = node.Child[static_cast<std::size_t>(i)];
    if (child != kNone) FreeSubtree(child);
  }
  free_.push_back(index);
}

void TColorQuantizer::AddColor(ColorValue colour, std::uint64_t count) {
  colour &= 0xFFFFFFu;
  const unsigned red = colour & 0xFF;
  const unsigned green = (colour >> 8) & 0xFF;
  const unsigned blue = (colour >> 16) & 0xFF;
  if (root_ == kNone) root_ = NewNode(0);
  std::int32_t index = root_;
  int level = 0;
  if (path_depth_ >= 0) {
    // Levels whose branch bits agree with the last colour lead through the same nodes.
    const ColorValue differ = colour ^ path_colour_;
    const auto bits = static_cast<std::uint8_t>(differ | differ >> 8 | differ >> 16);
    level = std::min(std::countl_zero(bits), path_depth_);
    index = path_[static_cast<std::size_t>(level)];
  }
  path_[static_cast<std::size_t>(level)] = index;
  while (!nodes_[static_cast<std::size_t>(index)].IsLeaf) {
    const int shift = 7 - level;
    const std::size_t branch =
        ((red >> shift) & 1u) << 2 | ((green >> shift) & 1u) << 1 | ((blue >> shift) & 1u);
    std::int32_t child = nodes_[static_cast<std::size_t>(index)].Child[branch];
    if (child == kNone) {
      child = NewNode(level + 1);  // may move the pool: look the parent up again
      nodes_[static_cast<std::size_t>(index)].Child[branch] = child;
    }
    index = child;
    ++level;
    path_[static_cast<std::size_t>(level)] = index;
  }
  path_depth_ = level;
  path_colour_ = colour;
  TOctreeNode& leaf = nodes_[static_cast<std::size_t>(index)];
  leaf.PixelCount += count;
  leaf.RedSum += red * count;
  leaf.GreenSum += green * count;
  leaf.BlueSum += blue * count;
  while (leaf_count_ > max_colors_ && Reduce()) {
  }
}

void TColorQuantizer::AddRow(const ColorValue* row, int width) {
  int x = 0;
  while (x < width) {
    const ColorValue colour = row[x] & 0xFFFFFFu;
    int run = 1;
    while (x + run < width && (row[x + run] & 0xFFFFFFu) == colour) ++run;
    AddColor(colour, static_cast<std::uint64_t>(run));
    x += run;
  }
}

bool TColorQuantizer::Reduce() {
  int level = color_bits_ - 1;
  while (level > 0 && reducible_[static_cast<std::size_t>(level)] == kNone) --level;
  const std::int32_t index = reducible_[static_cast<std::size_t>(level)];
  if (index == kNone) return false;  // a single leaf: nothing left to fold
  path_depth_ = -1;
  TOctreeNode& node = nodes_[static_cast<std::size_t>(index)];
  reducible_[static_cast<std::size_t>(level)] = node.NextReducible;
  node.NextReducible = kNone;
  int children = 0;
  for (std::size_t i = 0; i < 8; ++i) {
    const std::int32_t child = node.Child[i];
    if (child == kNone) continue;
    const TOctreeNode& leaf = nodes_[static_cast<std::size_t>(child)];
    node.PixelCount += leaf.PixelCount;
    node.RedSum += leaf.RedSum;
    node.GreenSum += leaf.GreenSum;
    node.BlueSum += leaf.BlueSum;
    ++children;
  }
  for (int i = 7; i >= 0; --i) {
    std::int32_t& child = node.Child[static_cast<std::size_t>(i)];
    if (child != kNone) FreeSubtree(child);
    child = kNone;
  }
  node.IsLeaf = true;
  leaf_count_ -= children - 1;
  return true;
}

void TColorQuantizer::Walk(std::int32_t index, std::vector<ColorValue>& palette) const {
  const TOctreeNode& node = nodes_[static_cast<std::size_t>(index)];
  if (node.IsLeaf) {
    ColorValue colour = 0;
    if (node.PixelCount > 0) {
      colour = static_cast<ColorValue>(node.RedSum / node.PixelCount) |
               static_cast<ColorValue>(node.GreenSum / node.PixelCount) << 8 |
               static_cast<ColorValue>(node.BlueSum / node.PixelCount) << 16;
    }
    palette.push_back(colour);
    return;
  }
  for (const std::int32_t child : node.Child)
    if (child != kNone) Walk(child, palette);
}

std::vector<ColorValue> TColorQuantizer::Palette() const {
  std::vector<ColorValue> palette;
  palette.reserve(static_cast<std::size_t>(leaf_count_));
  if (root_ != kNone) Walk(root_, palette);
  return palette;
}

std::vector<ColorValue> BuildOctreePalette(const RgbCanvas& source, int count, int color_bits) {
  TColorQuantizer quantizer(count, color_bits);
  for (std::int32_t y = 0; y < source.Height(); ++y)
    quantizer.AddRow(source.Row(y), source.Width());
  return quantizer.Palette();
}

}  // namespace morvane::gif

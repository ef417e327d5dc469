// Octree colour quantisation.
#include "gif/octree_quantizer.h"

#include <algorithm>
#include <bit>

#include "core/errors.h"
#include "gif/gif_error.h"

namespace morvane::gif {

namespace {
constexpr std::int32_t kNone = OctreeNode::kNone;
constexpr std::int16_t kOutside = 0;  // the pool's first node, outside the tree
}  // namespace

OctreeQuantizer::OctreeQuantizer(int max_colors, int color_bits)
    : max_colors_(max_colors), color_bits_(color_bits) {
  if (color_bits < 1 || color_bits > 8 || max_colors < 1 || max_colors > kMaxColors)
    throw GifError("Invalid color quantizer settings");
  reducible_.fill(kNone);
  // A tree reduced as pixels arrive holds at most max_colors + 1 leaves, each with at most
  // color_bits ancestors; reserving that much avoids regrowing the pool in the common case.
  const std::size_t nodes =
      static_cast<std::size_t>(max_colors + 1) * static_cast<std::size_t>(color_bits) + 1;
  nodes_.reserve(nodes + 1);
  links_.reserve(nodes + 1);
  next_reducible_.reserve(nodes + 1);
  descent_.reserve(nodes + 1);
  level_.reserve(nodes + 1);
  top_branches_.reserve(nodes + 1);
  nodes_.emplace_back();
  links_.emplace_back();
  next_reducible_.push_back(kNone);
  descent_.emplace_back().fill(kOutside);
  level_.push_back(0);
  top_branches_.push_back(0);
  top_.fill(kOutside);
}

std::int32_t OctreeQuantizer::NewNode(int level, bool leaf) {
  std::int32_t index;
  if (!free_.empty()) {
    index = free_.back();
    free_.pop_back();
    nodes_[static_cast<std::size_t>(index)] = OctreeNode{};
    links_[static_cast<std::size_t>(index)] = OctreeLinks{};
    next_reducible_[static_cast<std::size_t>(index)] = kNone;
  } else {
    index = static_cast<std::int32_t>(nodes_.size());
    nodes_.emplace_back();
    links_.emplace_back();
    next_reducible_.push_back(kNone);
    descent_.emplace_back();
    level_.push_back(0);
    top_branches_.push_back(0);
  }
  descent_[static_cast<std::size_t>(index)].fill(leaf ? static_cast<std::int16_t>(index)
                                                      : kOutside);
  level_[static_cast<std::size_t>(index)] = static_cast<std::uint8_t>(level);
  if (leaf) {
    links_[static_cast<std::size_t>(index)].child[0] = OctreeLinks::kLeaf;
    ++leaf_count_;
  } else {
    next_reducible_[static_cast<std::size_t>(index)] = reducible_[static_cast<std::size_t>(level)];
    reducible_[static_cast<std::size_t>(level)] = index;
    reducible_levels_ |= 1u << level;
  }
  return index;
}

namespace {

// The bits of a byte spread to every third bit: bit i moves to bit 3i.
constexpr std::array<std::uint32_t, 256> kSpread = [] {
  std::array<std::uint32_t, 256> table{};
  for (std::uint32_t value = 0; value < 256; ++value)
    for (int bit = 0; bit < 8; ++bit) table[value] |= (value >> bit & 1u) << (3 * bit);
  return table;
}();

// The branches a colour takes at every level of the tree, three bits per level (red, green,
// blue from the top bit of each channel down), level 0 in the top three of the 24 bits.
std::uint32_t Branches(ColorValue colour) {
  return kSpread[colour & 0xFF] << 2 | kSpread[colour >> 8 & 0xFF] << 1 |
         kSpread[colour >> 16 & 0xFF];
}

// The number of top levels two colours share: the leading zeros of the bits where any of their
// channels differ, folded into one byte.
int SharedLevels(ColorValue a, ColorValue b) {
  const ColorValue difference = a ^ b;
  return std::countl_zero(
      static_cast<std::uint8_t>(difference | difference >> 8 | difference >> 16));
}

// The channel bits a colour must share with another to reach the same leaf at each depth: the
// top depth bits of each channel.
constexpr std::array<ColorValue, 9> kDepthMask = [] {
  std::array<ColorValue, 9> table{};
  for (int depth = 0; depth <= 8; ++depth) {
    const ColorValue top = (0xFF00u >> depth) & 0xFFu;
    table[static_cast<std::size_t>(depth)] = top | top << 8 | top << 16;
  }
  return table;
}();

}  // namespace

inline void OctreeQuantizer::Path::EndAt(ColorValue leaf_colour, int leaf_depth) {
  depth = leaf_depth;
  known = leaf_depth;
  colour = leaf_colour;
  mask = kDepthMask[static_cast<std::size_t>(leaf_depth)];
}

inline void OctreeQuantizer::AddToLeaf(std::int32_t index, std::uint64_t count, std::uint64_t red,
                                       std::uint64_t green, std::uint64_t blue) {
  OctreeNode& leaf = nodes_[static_cast<std::size_t>(index)];
  leaf.pixel_count += count;
  leaf.red_sum += red;
  leaf.green_sum += green;
  leaf.blue_sum += blue;
}

int OctreeQuantizer::NewLeafLevel(int level) const {
  if (leaf_count_ < max_colors_) return color_bits_;
  // The new leaf overfills the tree. Reduction would fold the new chain of single children
  // bottom-up, each fold leaving the leaf count as it was, down to the deepest level that holds
  // other reducible nodes (or to the chain's top, one below where it leaves the tree); end the
  // chain there at once. On the measuring sprite this skips about four folds per new colour.
  // The deepest level with reducible nodes is one above the deepest a leaf may sit at.
  return std::max(level + 1, DeepestLeafLevel() - 1);
}

inline bool OctreeQuantizer::WalkToLeaf(ColorValue colour, std::uint32_t branches, int level,
                                        Path& path) const {
  std::int32_t index = path.nodes[static_cast<std::size_t>(level)];
  for (const OctreeLinks* links = &links_[static_cast<std::size_t>(index)]; !links->IsLeaf();
       links = &links_[static_cast<std::size_t>(index)]) {
    index = links->child[branches >> (21 - 3 * level) & 7u];
    if (index == kNone) return false;
    path.nodes[static_cast<std::size_t>(++level)] = index;
  }
  path.EndAt(colour, level);
  return true;
}

void OctreeQuantizer::Insert(ColorValue colour, std::uint64_t count, Path& path) {
  const std::uint32_t branches = Branches(colour);
  int level = 0;
  if (root_ == kNone) {
    root_ = NewNode(0, false);
    path.nodes[0] = root_;
  } else {
    // Levels whose channel bits agree with the last colour's lead through the same nodes; the
    // caller has seen that they part above the last colour's leaf.
    level = std::min(SharedLevels(colour, path.colour), path.known);
  }
  std::int32_t index = path.nodes[static_cast<std::size_t>(level)];
  int leaf_level = 0;  // where the new leaf goes, once the walk leaves the tree
  for (OctreeLinks* links = &links_[static_cast<std::size_t>(index)]; !links->IsLeaf();
       links = &links_[static_cast<std::size_t>(index)]) {
    const std::size_t branch = branches >> (21 - 3 * level) & 7u;
    std::int32_t child = links->child[branch];
    if (child == kNone) {
      if (leaf_level == 0) leaf_level = NewLeafLevel(level);
      const bool leaf = level + 1 == leaf_level;
      child = NewNode(level + 1, leaf);  // may move the pool
      links_[static_cast<std::size_t>(index)].child[branch] = static_cast<std::int16_t>(child);
      descent_[static_cast<std::size_t>(index)][branch] = static_cast<std::int16_t>(child);
      if (level + 1 <= kTopLevels) {
        top_branches_[static_cast<std::size_t>(child)] =
            static_cast<std::uint16_t>(branches >> (24 - 3 * (level + 1)));
        if (leaf || level + 1 == kTopLevels) SetTop(level + 1, branches, child);
      }
    }
    index = child;
    path.nodes[static_cast<std::size_t>(++level)] = index;
  }
  path.EndAt(colour, level);
  AddToLeaf(index, count, (colour & 0xFF) * count, (colour >> 8 & 0xFF) * count,
            (colour >> 16 & 0xFF) * count);
  if (leaf_count_ <= max_colors_) return;
  // Reduction frees only nodes below the levels it folds at; the path above the shallowest of
  // them still holds, and the colour's leaf is found again from there.
  int kept = level;
  while (leaf_count_ > max_colors_) {
    const int folded = Reduce();
    if (folded < 0) break;
    kept = std::min(kept, folded);
  }
  WalkToLeaf(colour, branches, kept, path);
}

void OctreeQuantizer::AddColor(ColorValue colour, std::uint64_t count) {
  colour &= 0xFFFFFFu;
  if (path_.Reaches(colour)) {
    AddToLeaf(path_.nodes[static_cast<std::size_t>(path_.depth)], count, (colour & 0xFF) * count,
              (colour >> 8 & 0xFF) * count, (colour >> 16 & 0xFF) * count);
  } else {
    Insert(colour, count, path_);
  }
}

int OctreeQuantizer::DeepestLeafLevel() const {
  return static_cast<int>(std::bit_width(reducible_levels_));
}

void OctreeQuantizer::SetTop(int level, std::uint32_t branches, std::int32_t index) {
  // The walks below the node share its branches down to its level and may take any below.
  const int below = 3 * (kTopLevels - level);
  const std::size_t first = static_cast<std::size_t>(branches >> (24 - 3 * level)) << below;
  std::fill_n(top_.begin() + static_cast<std::ptrdiff_t>(first), std::size_t{1} << below,
              static_cast<std::int16_t>(index));
}

inline std::int32_t OctreeQuantizer::Descend(std::uint32_t branches, int leaf_level) const {
  std::int32_t index = top_[branches >> (24 - 3 * kTopLevels)];
  for (int level = kTopLevels; level < leaf_level; ++level)
    index = descent_[static_cast<std::size_t>(index)][branches >> (21 - 3 * level) & 7u];
  return index;
}

void OctreeQuantizer::AddRow(const ColorValue* row, int width) {
  // Pixels that reach the leaf at the end of the path are summed here and added to the leaf in
  // one go before the tree is next walked or changed; sums add up the same in any order.
  // Testing each pixel against the path's leaf with one mask beats finding runs of equal
  // pixels first (7.4 against 8.5 ns per pixel on the measuring sprite): its runs average under
  // two pixels, and four pixels in five reach the last colour's leaf.
  std::uint64_t count = 0, red = 0, green = 0, blue = 0;
  int x = 0;
  if (root_ == kNone && width > 0) Insert(row[x++] & 0xFFFFFFu, 1, path_);
  int leaf_level = DeepestLeafLevel();
  // The path's end in locals, which the test reads from registers; path_ catches up before the
  // tree changes and at the row's end. Kept in the path itself, they went through memory, and
  // the test after each walk waited for the walk's stores.
  int depth = path_.depth;
  std::int32_t leaf = depth >= 0 ? path_.nodes[static_cast<std::size_t>(depth)] : kNone;
  ColorValue last = path_.colour;  // a colour that reaches leaf
  ColorValue mask = path_.mask;
  bool moved = false;  // the locals are ahead of path_
  const auto catch_up = [&] {
    path_.EndAt(last, depth);
    path_.nodes[static_cast<std::size_t>(depth)] = leaf;
    path_.known = 0;
    moved = false;
  };
  for (; x < width; ++x) {
    const ColorValue colour = row[x] & 0xFFFFFFu;
    if (((colour ^ last) & mask) == 0) {
      ++count;
      red += colour & 0xFF;
      green += colour >> 8 & 0xFF;
      blue += colour >> 16 & 0xFF;
      continue;
    }
    if (count != 0) {
      AddToLeaf(leaf, count, red, green, blue);
      count = red = green = blue = 0;
    }
    // Most colours that leave the last leaf reach another that exists. The walk to it takes
    // the same number of steps for every colour until the tree changes, so the processor
    // foresees where it ends, where a walk from the levels shared with the last colour ended
    // anywhere (2 to 12 % faster on the measuring sprite, by the sitting). It ends at a leaf or
    // outside the tree: no node at the deepest leaf level has children. Only a colour that
    // needs a new leaf takes the call that grows and reduces the tree; the path's nodes above
    // the leaf are then unknown, and it walks from the root.
    const std::int32_t found = Descend(Branches(colour), leaf_level);
    if (found != kOutside) {
      leaf = found;
      depth = level_[static_cast<std::size_t>(found)];
      last = colour;
      mask = kDepthMask[static_cast<std::size_t>(depth)];
      moved = true;
      count = 1;
      red = colour & 0xFF;
      green = colour >> 8 & 0xFF;
      blue = colour >> 16 & 0xFF;
      continue;
    }
    if (moved) catch_up();
    Insert(colour, 1, path_);
    leaf_level = DeepestLeafLevel();
    depth = path_.depth;
    leaf = path_.nodes[static_cast<std::size_t>(depth)];
    last = path_.colour;
    mask = path_.mask;
  }
  if (count != 0) AddToLeaf(leaf, count, red, green, blue);
  if (moved) catch_up();
}

int OctreeQuantizer::Reduce() {
  if (reducible_levels_ == 0) return -1;     // a single leaf: nothing left to fold
  const int level = DeepestLeafLevel() - 1;  // the deepest level with reducible nodes
  const std::int32_t index = reducible_[static_cast<std::size_t>(level)];
  OctreeNode& node = nodes_[static_cast<std::size_t>(index)];
  OctreeLinks& links = links_[static_cast<std::size_t>(index)];
  reducible_[static_cast<std::size_t>(level)] = next_reducible_[static_cast<std::size_t>(index)];
  next_reducible_[static_cast<std::size_t>(index)] = kNone;
  if (reducible_[static_cast<std::size_t>(level)] == kNone) reducible_levels_ &= ~(1u << level);
  // Every child is a leaf: a node with children stays in its level's list until it is folded,
  // and no level below this one has a list.
  // Three folds in four on the measuring sprite take a single child: the children are found
  // from a mask of them, not by a branch per slot that the processor could not foresee.
  std::uint32_t present = 0;
  for (std::size_t i = 0; i < 8; ++i)
    present |= std::uint32_t{links.child[i] != OctreeLinks::kNone} << i;
  // Counted in the loop: the baseline x86-64 has no popcount instruction, and std::popcount
  // there is a library call.
  int children = 0;
  while (present != 0) {
    ++children;
    const int i = static_cast<int>(std::bit_width(present)) - 1;
    present ^= 1u << i;
    const std::int32_t child = links.child[static_cast<std::size_t>(i)];
    const OctreeNode& leaf = nodes_[static_cast<std::size_t>(child)];
    node.pixel_count += leaf.pixel_count;
    node.red_sum += leaf.red_sum;
    node.green_sum += leaf.green_sum;
    node.blue_sum += leaf.blue_sum;
    free_.push_back(child);
  }
  links_[static_cast<std::size_t>(index)] = OctreeLinks{};
  links_[static_cast<std::size_t>(index)].child[0] = OctreeLinks::kLeaf;
  descent_[static_cast<std::size_t>(index)].fill(static_cast<std::int16_t>(index));
  if (level < kTopLevels)
    SetTop(level, std::uint32_t{top_branches_[static_cast<std::size_t>(index)]} << (24 - 3 * level),
           index);
  leaf_count_ -= children - 1;
  return level;
}

void OctreeQuantizer::Walk(std::int32_t index, std::vector<ColorValue>& palette) const {
  const OctreeLinks& links = links_[static_cast<std::size_t>(index)];
  if (links.IsLeaf()) {
    const OctreeNode& node = nodes_[static_cast<std::size_t>(index)];
    ColorValue colour = 0;
    if (node.pixel_count > 0) {
      colour = static_cast<ColorValue>(node.red_sum / node.pixel_count) |
               static_cast<ColorValue>(node.green_sum / node.pixel_count) << 8 |
               static_cast<ColorValue>(node.blue_sum / node.pixel_count) << 16;
    }
    palette.push_back(colour);
    return;
  }
  for (const std::int32_t child : links.child)
    if (child != kNone) Walk(child, palette);
}

std::vector<ColorValue> OctreeQuantizer::Palette() const {
  std::vector<ColorValue> palette;
  palette.reserve(static_cast<std::size_t>(leaf_count_));
  if (root_ != kNone) Walk(root_, palette);
  return palette;
}

std::vector<ColorValue> BuildOctreePalette(const RgbCanvas& source, int count, int color_bits) {
  OctreeQuantizer quantizer(count, color_bits);
  for (std::int32_t y = 0; y < source.Height(); ++y)
    quantizer.AddRow(source.Row(y), source.Width());
  return quantizer.Palette();
}

}  // namespace morvane::gif

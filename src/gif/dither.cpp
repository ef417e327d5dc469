// Floyd-Steinberg error diffusion over the serpentine row walk.
#include "gif/dither.h"

namespace morvane::gif {

// The diffusion state of one colour channel while a row is walked.
struct ChannelState {
  std::int32_t* slots;  // the channel's line buffer
  std::int32_t carried;
  std::int32_t below;
  std::int32_t below_prev;
};

namespace {

// The value looked up for a channel's input: the input plus its share of the errors around it.
// Integer division truncates toward zero, as the rounding of negative errors requires. Only
// the value looked up is clamped; the error sums keep their full range.
inline int Wanted(const ChannelState& channel, int input, int slot) {
  const std::int32_t value = input + (channel.slots[slot] + channel.carried + 8) / 16;
  return value < 0 ? 0 : value > 255 ? 255 : value;
}

// Passes on the error of the chosen entry. An exact match leaves the pending shares alone and
// carries nothing to the next pixel.
inline void Spread(ChannelState& channel, int wanted, int chosen, int slot) {
  const std::int32_t e = wanted - chosen;
  const bool moved = e != 0;
  channel.carried = 7 * e;
  // Selected rather than branched on: whether a channel matched exactly is unpredictable.
  std::int32_t& share = channel.slots[slot];
  share = moved ? channel.below_prev + 3 * e : share;
  channel.below_prev = moved ? channel.below + 5 * e : channel.below_prev;
  channel.below = moved ? e : channel.below;
}

// One pixel: the looked-up index, with the errors passed on.
inline int MapOne(const TFastColorLookup::View& lookup, ChannelState (&channels)[3], int slot,
                  int red, int green, int blue) {
  const int r = Wanted(channels[0], red, slot);
  const int g = Wanted(channels[1], green, slot);
  const int b = Wanted(channels[2], blue, slot);
  const int index = lookup.Nearest(r, g, b);
  Spread(channels[0], r, lookup.red[index], slot);
  Spread(channels[1], g, lookup.green[index], slot);
  Spread(channels[2], b, lookup.blue[index], slot);
  return index;
}

}  // namespace

TFloydSteinbergDitherer::TFloydSteinbergDitherer(int width, TFastColorLookup& lookup)
    : TDitherEngine(width, lookup), slots_(3 * (static_cast<std::size_t>(width) + 2), 0) {}

int TFloydSteinbergDitherer::MapPixel(int red, int green, int blue) {
  ChannelState channels[3];
  LoadState(channels);
  const int index = MapOne(lookup_.MakeView(), channels, slot_, red, green, blue);
  StoreState(channels);
  column_ += direction_;
  slot_ += direction_;
  return index;
}

void TFloydSteinbergDitherer::MapRow(const ColorValue* row, std::uint8_t* out) {
  ChannelState channels[3];
  LoadState(channels);
  const TFastColorLookup::View lookup = lookup_.MakeView();
  const int step = direction_;
  const int width = width_;
  int slot = slot_;
  int x = column_;
  for (; x >= 0 && x < width; x += step, slot += step) {
    const ColorValue colour = row[x];
    out[x] = static_cast<std::uint8_t>(
        MapOne(lookup, channels, slot, static_cast<int>(colour & 0xFF),
               static_cast<int>((colour >> 8) & 0xFF), static_cast<int>((colour >> 16) & 0xFF)));
  }
  StoreState(channels);
  column_ = x;
  slot_ = slot;
}

void TFloydSteinbergDitherer::LoadState(ChannelState (&channels)[3]) {
  for (std::size_t c = 0; c < 3; ++c)
    channels[c] = ChannelState{slots_.data() + Offset(static_cast<int>(c)), carried_[c], below_[c],
                               below_prev_[c]};
}

void TFloydSteinbergDitherer::StoreState(const ChannelState (&channels)[3]) {
  for (std::size_t c = 0; c < 3; ++c) {
    carried_[c] = channels[c].carried;
    below_[c] = channels[c].below;
    below_prev_[c] = channels[c].below_prev;
  }
}

void TFloydSteinbergDitherer::StartNextRow() {
  for (int c = 0; c < 3; ++c)
    slots_[Offset(c) + static_cast<std::size_t>(slot_)] = below_prev_[static_cast<std::size_t>(c)];
  carried_.fill(0);
  below_.fill(0);
  below_prev_.fill(0);
  TDitherEngine::StartNextRow();
  slot_ = direction_ > 0 ? 0 : width_ + 1;
}

}  // namespace morvane::gif

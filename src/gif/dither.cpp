// Floyd-Steinberg error diffusion over the serpentine row walk.
#include "gif/dither.h"

namespace morvane::gif {

TFloydSteinbergDitherer::TFloydSteinbergDitherer(int width, TFastColorLookup& lookup)
    : TDitherEngine(width, lookup), slots_(3 * (static_cast<std::size_t>(width) + 2), 0) {}

int TFloydSteinbergDitherer::MapPixel(int red, int green, int blue) {
  const std::array<int, 3> input{red, green, blue};
  std::array<int, 3> wanted{};
  for (int c = 0; c < 3; ++c) {
    const std::size_t k = static_cast<std::size_t>(c);
    // Integer division truncates toward zero, as the rounding of negative errors requires.
    std::int32_t value =
        input[k] + (slots_[Offset(c) + static_cast<std::size_t>(slot_)] + carried_[k] + 8) / 16;
    // Only the value looked up is clamped; the error sums keep their full range.
    if (value < 0) value = 0;
    if (value > 255) value = 255;
    carried_[k] = value;
    wanted[k] = value;
  }
  const int index = TDitherEngine::MapPixel(wanted[0], wanted[1], wanted[2]);
  const std::array<int, 3> chosen{lookup_.Red(index), lookup_.Green(index), lookup_.Blue(index)};
  for (int c = 0; c < 3; ++c) {
    const std::size_t k = static_cast<std::size_t>(c);
    const std::int32_t e = wanted[k] - chosen[k];
    if (e == 0) {
      // An exact match leaves the pending shares alone and passes nothing on.
      carried_[k] = 0;
      continue;
    }
    slots_[Offset(c) + static_cast<std::size_t>(slot_)] = below_prev_[k] + 3 * e;
    below_prev_[k] = below_[k] + 5 * e;
    below_[k] = e;
    carried_[k] = 7 * e;
  }
  slot_ += direction_;
  return index;
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

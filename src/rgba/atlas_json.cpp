#include "rgba/atlas_json.h"

#include <algorithm>
#include <charconv>
#include <stdexcept>

namespace morvane::rgba {
namespace {

void AppendInteger(std::string& out, std::int64_t value) {
  char digits[24];
  const auto result = std::to_chars(digits, digits + sizeof digits, value);
  out.append(digits, result.ptr);
}

// The length of the valid UTF-8 sequence that starts at text[at], or 0 when none does.
std::size_t Utf8SequenceLength(std::string_view text, std::size_t at) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(at);
  if (lead < 0x80) return 1;
  // The second byte's range narrows for the leads that would allow overlong forms, surrogates
  // or code points past U+10FFFF.
  std::size_t length = 0;
  unsigned char second_low = 0x80;
  unsigned char second_high = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) second_low = 0xA0;
    if (lead == 0xED) second_high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) second_low = 0x90;
    if (lead == 0xF4) second_high = 0x8F;
  } else {
    return 0;
  }
  if (text.size() - at < length) return 0;
  if (byte(at + 1) < second_low || byte(at + 1) > second_high) return 0;
  for (std::size_t i = 2; i < length; ++i)
    if (byte(at + i) < 0x80 || byte(at + i) > 0xBF) return 0;
  return length;
}

void AppendRect(std::string& out, const char* name, const SheetRect& rect, bool with_corner) {
  out += '"';
  out += name;
  out += "\": {";
  if (with_corner) {
    out += "\"x\": ";
    AppendInteger(out, rect.x);
    out += ", \"y\": ";
    AppendInteger(out, rect.y);
    out += ", ";
  }
  out += "\"w\": ";
  AppendInteger(out, rect.width);
  out += ", \"h\": ";
  AppendInteger(out, rect.height);
  out += '}';
}

}  // namespace

void AppendJsonString(std::string& out, std::string_view text) {
  static constexpr char kHex[] = "0123456789abcdef";
  out += '"';
  std::size_t at = 0;
  while (at < text.size()) {
    const auto byte = static_cast<unsigned char>(text[at]);
    const std::size_t length = Utf8SequenceLength(text, at);
    if (byte == '"' || byte == '\\') {
      out += '\\';
      out += static_cast<char>(byte);
    } else if (length == 0 || byte < 0x20 || byte == 0x7F) {
      out += "\\u00";
      out += kHex[byte >> 4];
      out += kHex[byte & 15];
    } else {
      out.append(text, at, length);
      at += length;
      continue;
    }
    ++at;
  }
  out += '"';
}

std::string FormatDecimal(const Fraction& value) {
  constexpr std::int64_t kMaxDenominator = std::int64_t{1} << 59;  // 10 x remainder fits
  if (value.denominator <= 0 || value.denominator >= kMaxDenominator)
    throw std::invalid_argument("a decimal's denominator must be positive and below 2^59");
  const bool negative = value.numerator < 0;
  const auto numerator = static_cast<std::uint64_t>(value.numerator);
  const std::uint64_t magnitude = negative ? 0 - numerator : numerator;
  const auto denominator = static_cast<std::uint64_t>(value.denominator);

  constexpr int kDigits = 6;
  constexpr std::uint64_t kScale = 1000000;
  std::uint64_t whole = magnitude / denominator;
  std::uint64_t remainder = magnitude % denominator;
  std::uint64_t fraction = 0;
  for (int i = 0; i < kDigits; ++i) {
    remainder *= 10;
    fraction = fraction * 10 + remainder / denominator;
    remainder %= denominator;
  }
  if (remainder * 2 >= denominator && ++fraction == kScale) {
    fraction = 0;
    ++whole;
  }

  std::string text;
  if (negative && (whole != 0 || fraction != 0)) text += '-';
  char digits[24];
  text.append(digits, std::to_chars(digits, digits + sizeof digits, whole).ptr);
  if (fraction != 0) {
    char places[kDigits];
    int used = kDigits;
    for (int i = kDigits - 1; i >= 0; --i, fraction /= 10)
      places[i] = static_cast<char>('0' + fraction % 10);
    while (places[used - 1] == '0') --used;
    text += '.';
    text.append(places, static_cast<std::size_t>(used));
  }
  return text;
}

std::string FrameNumber(std::int64_t index, std::int64_t count) {
  constexpr std::size_t kMinDigits = 3;
  char digits[24];
  const std::size_t width = std::max<std::size_t>(
      kMinDigits,
      static_cast<std::size_t>(
          std::to_chars(digits, digits + sizeof digits, std::max<std::int64_t>(count - 1, 0)).ptr -
          digits));
  const auto end = std::to_chars(digits, digits + sizeof digits, index).ptr;
  std::string number(digits, end);
  if (number.size() < width) number.insert(0, width - number.size(), '0');
  return number;
}

std::string AtlasJson(const SheetLayout& layout, std::span<const AtlasDirectionNames> names,
                      std::string_view image, std::int64_t frame_duration_ms,
                      std::string_view version) {
  if (names.size() != layout.directions.size())
    throw std::invalid_argument("an atlas needs names for each direction of its sheet");
  const std::string pivot_x = FormatDecimal(layout.pivot_x);
  const std::string pivot_y = FormatDecimal(layout.pivot_y);

  std::string out = "{\"frames\": [\n";
  for (std::size_t d = 0; d < names.size(); ++d) {
    const SheetDirection& direction = layout.directions[d];
    for (std::int64_t k = 0; k < direction.frame_count; ++k) {
      const SheetRect rect = layout.FrameRect(d, k);
      out += "  {\"filename\": ";
      std::string filename(names[d].frame_stem);
      filename += '_';
      filename += FrameNumber(k, direction.frame_count);
      AppendJsonString(out, filename);
      out += ", ";
      AppendRect(out, "frame", rect, true);
      out += ", \"rotated\": false, \"trimmed\": false, ";
      AppendRect(out, "spriteSourceSize", SheetRect{0, 0, rect.width, rect.height}, true);
      out += ", ";
      AppendRect(out, "sourceSize", rect, false);
      out += ", \"pivot\": {\"x\": " + pivot_x + ", \"y\": " + pivot_y + "}, \"duration\": ";
      AppendInteger(out, frame_duration_ms);
      out += '}';
      if (direction.first_frame + k + 1 < layout.FrameCount()) out += ',';
      out += '\n';
    }
  }
  out += " ],\n \"meta\": {\"app\": \"morvane\", \"version\": ";
  AppendJsonString(out, version);
  out += ", \"image\": ";
  AppendJsonString(out, image);
  out += ", \"format\": \"RGBA8888\", ";
  AppendRect(out, "size", SheetRect{0, 0, layout.width, layout.height}, false);
  out += ", \"scale\": \"1\",\n  \"frameTags\": [\n";
  for (std::size_t d = 0; d < names.size(); ++d) {
    const SheetDirection& direction = layout.directions[d];
    out += "   {\"name\": ";
    AppendJsonString(out, names[d].tag);
    out += ", \"from\": ";
    AppendInteger(out, direction.first_frame);
    out += ", \"to\": ";
    AppendInteger(out, direction.first_frame + direction.frame_count - 1);
    out += ", \"direction\": \"forward\"}";
    if (d + 1 < names.size()) out += ',';
    out += '\n';
  }
  out += "  ]\n }\n}\n";
  return out;
}

}  // namespace morvane::rgba

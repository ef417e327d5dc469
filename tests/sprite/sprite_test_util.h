// Helpers for the sprite tests: parse written bytes in memory and check raised errors.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <typeinfo>

#include "platform/file.h"
#include "sprite/sprite.h"
#include "sprwriter/sprwriter.h"

namespace morvane::testing {

namespace sw = morvane::sprwriter;

// A sprite file in memory with the sprite parsed from it.
struct Parsed {
  explicit Parsed(sw::Bytes bytes)
      : file(std::make_unique<MemoryFile>(std::move(bytes))), sprite(ParseSprite(*file)) {}
  explicit Parsed(const sw::Sprite& description) : Parsed(sw::WriteSprite(description)) {}

  // Loads the images of collection i into it, as the per-file job does.
  Collection& Load(std::int32_t i) {
    Collection& collection = *sprite.GetCollection(i);
    collection.SetImages(LoadImageSet(*file, sprite, i));
    return collection;
  }

  std::unique_ptr<MemoryFile> file;
  Sprite sprite;
};

// The message of the error of kind E that f raises; fails the test for no error or another
// kind.
template <typename E>
std::string ErrorOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const E& e) {
    if (typeid(e) != typeid(E)) {
      ADD_FAILURE() << "raised " << typeid(e).name() << ": " << e.what();
    }
    return e.Message();  // the whole text: a message may hold a zero byte
  } catch (const std::exception& e) {
    ADD_FAILURE() << "raised " << typeid(e).name() << ": " << e.what();
    return e.what();
  }
  ADD_FAILURE() << "raised nothing";
  return {};
}

// The error of kind E that parsing and loading every collection raises.
template <typename E>
std::string ParseError(const sw::Bytes& bytes) {
  return ErrorOf<E>([&] {
    Parsed parsed(bytes);
    for (std::int32_t i = 0; i < parsed.sprite.CollectionCount(); ++i) parsed.Load(i);
  });
}

template <typename E>
std::string ParseError(const sw::Sprite& description) {
  return ParseError<E>(sw::WriteSprite(description));
}

// "Filepos=" with position in 8 upper-case hexadecimal digits, written independently of the
// code under test.
inline std::string Pos(std::int64_t position) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string text = "Filepos=00000000";
  for (int i = 0; i < 8; ++i) text[15 - i] = kDigits[(position >> (4 * i)) & 0xF];
  return text;
}

// The frame entries of a sequence.
inline std::vector<std::int16_t> Entries(const Sequence& sequence) {
  std::vector<std::int16_t> entries;
  for (std::int32_t i = 0; i < sequence.FrameCount(); ++i)
    entries.push_back(sequence.FrameIndex(i));
  return entries;
}

// A zlib stream that inflates to count zero bytes, written by hand so that even a gigabyte
// costs little to make: one block of fixed codes, a literal 0 and then copies of 258 bytes at
// distance 1 (13 bits each). Its checksum is left 0, which the readers do not check.
inline sw::Bytes PackedZeros(std::uint64_t count) {
  sw::Bytes out = {0x78, 0x01};
  std::uint64_t bits = 0;
  int filled = 0;
  const auto put = [&](std::uint32_t value, int length) {  // least significant bit first
    bits |= std::uint64_t{value} << filled;
    for (filled += length; filled >= 8; filled -= 8, bits >>= 8) {
      out.push_back(static_cast<std::uint8_t>(bits));
    }
  };
  const auto code = [&](std::uint32_t value, int length) {  // Huffman codes go high bit first
    std::uint32_t reversed = 0;
    for (int i = 0; i < length; ++i) reversed |= (value >> i & 1) << (length - 1 - i);
    put(reversed, length);
  };
  put(1, 1);  // the last block
  put(1, 2);  // fixed codes
  std::uint64_t written = 0;
  if (count > 0) {
    code(0x30, 8);  // the literal 0
    written = 1;
  }
  for (; count - written >= 258; written += 258) {
    code(0xC5, 8);  // length 258
    code(0, 5);     // distance 1
  }
  for (; written < count; ++written) code(0x30, 8);
  code(0, 7);  // end of block
  put(0, 7);   // to the byte boundary
  out.insert(out.end(), 4, 0);
  return out;
}

// A collection of F x D cells whose places hold nothing but empty records.
inline sw::Collection EmptyCollection(std::int32_t frames, std::int32_t directions,
                                      bool packed = false) {
  sw::Collection c;
  c.name = "anim";
  c.frame_count = frames;
  c.direction_count = directions;
  c.images.packed = packed;
  return c;
}

}  // namespace morvane::testing

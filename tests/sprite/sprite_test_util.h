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
      : file(std::make_unique<MemoryFile>(std::move(bytes))),
        sprite(std::make_unique<Sprite>(*file)) {}
  explicit Parsed(const sw::Sprite& description) : Parsed(sw::WriteSprite(description)) {}

  // Loads collection i up to the next collection's block or the end of the file, as the
  // per-file job does.
  Collection& Load(std::int32_t i) {
    Collection* next = sprite->GetCollection(i + 1);
    const std::int64_t end = next ? next->Images().ImagePos() : file->Size();
    Collection& collection = *sprite->GetCollection(i);
    collection.Images().LoadImages(end);
    return collection;
  }

  std::unique_ptr<MemoryFile> file;
  std::unique_ptr<Sprite> sprite;
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
    for (std::int32_t i = 0; i < parsed.sprite->CollectionCount(); ++i) parsed.Load(i);
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

// A collection of F x D cells whose places hold nothing but empty records.
inline sw::Collection EmptyCollection(std::int32_t frames, std::int32_t directions,
                                      bool packed = false) {
  sw::Collection c;
  c.name = "anim";
  c.frameCount = frames;
  c.directionCount = directions;
  c.images.packed = packed;
  return c;
}

}  // namespace morvane::testing

#include "platform/memory.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <thread>

namespace morvane {
namespace {

// Mapping pages ahead changes no byte: not the bytes already written, not those a thread writes
// at the same time, whatever the block's alignment and size.
TEST(PrefaultForWriting, KeepsEveryByte) {
  for (const std::size_t size :
       {std::size_t{0}, std::size_t{1}, std::size_t{4095}, std::size_t{3} << 20}) {
    for (const std::size_t offset : {std::size_t{0}, std::size_t{1}, std::size_t{4097}}) {
      // Not zeroed, so that a large block's pages are fresh.
      const std::size_t length = offset + size + 1;
      const auto block = std::make_unique_for_overwrite<std::uint8_t[]>(length);
      for (std::size_t i = 0; i < offset; ++i) block[i] = static_cast<std::uint8_t>(i * 7 + 1);
      std::thread writer([&] {
        for (std::size_t i = offset; i < length; ++i)
          block[i] = static_cast<std::uint8_t>(i * 7 + 1);
      });
      PrefaultForWriting(block.get() + offset, size);
      writer.join();
      for (std::size_t i = 0; i < length; ++i)
        ASSERT_EQ(block[i], static_cast<std::uint8_t>(i * 7 + 1)) << size << " " << offset;
    }
  }
}

}  // namespace
}  // namespace morvane

// The LZW string table: stored codes are found again, probes end, and a clear forgets.
#include "gif/lzw_string_table.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

namespace morvane::gif {
namespace {

// The code stored for key, -1 when absent.
int Lookup(const LzwStringTable& table, std::uint32_t key) {
  std::uint32_t slot = 0;
  return table.Find(key, slot);
}

// Stores key with code where the table's probe for it ends.
void Insert(LzwStringTable& table, std::uint32_t key, int code) {
  std::uint32_t slot = 0;
  if (table.Find(key, slot) < 0) table.Store(slot, key, code);
}

TEST(LzwStringTable, FindsStoredCodesAndForgetsThemOnClear) {
  LzwStringTable table;
  for (std::uint32_t key = 0; key < 3000; ++key) Insert(table, key * 341 % 0xFFFFF, 258 + key);
  for (std::uint32_t key = 0; key < 3000; ++key)
    ASSERT_EQ(Lookup(table, key * 341 % 0xFFFFF), static_cast<int>((258 + key) & 0xFFF));
  EXPECT_EQ(Lookup(table, 0xFFFFE), -1);
  table.Clear();
  EXPECT_EQ(Lookup(table, 341), -1);
}

TEST(LzwStringTable, CollidingKeysFillOneClusterAndEveryProbeEnds) {
  // Keys (of at most 20 bits) whose first slots all lie in the lowest 256 slots pile up into
  // one run of occupied slots as long as the table's whole capacity.
  std::vector<std::uint32_t> keys;
  for (std::uint32_t key = 0; keys.size() < LzwStringTable::kMaxStrings; ++key) {
    ASSERT_LE(key, 0xFFFFFu);
    if (LzwStringTable::FirstSlot(key) < 256) keys.push_back(key);
  }
  LzwStringTable table;
  for (std::size_t i = 0; i < keys.size(); ++i) Insert(table, keys[i], static_cast<int>(i));
  for (std::size_t i = 0; i < keys.size(); ++i)
    ASSERT_EQ(Lookup(table, keys[i]), static_cast<int>(i & 0xFFF)) << "key " << keys[i];
  std::uint32_t absent = keys.back() + 1;
  while (LzwStringTable::FirstSlot(absent) >= 256) ++absent;
  EXPECT_EQ(Lookup(table, absent), -1);
  // One string more than a frame's table can hold is a fault of the caller.
  EXPECT_THROW(Insert(table, absent, 1), std::logic_error);
  table.Clear();
  EXPECT_EQ(Lookup(table, keys.front()), -1);
  Insert(table, absent, 7);
  EXPECT_EQ(Lookup(table, absent), 7);
}

}  // namespace
}  // namespace morvane::gif

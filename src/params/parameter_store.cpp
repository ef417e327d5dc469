#include "params/parameter_store.h"

#include <limits>

#include "core/ascii.h"

namespace morvane {

namespace {

// The largest magnitude a hexadecimal text may reach before one more digit overflows 32 bits.
constexpr std::uint32_t kMaxBeforeHexDigit = 0x0FFFFFFFu;

}  // namespace

std::string NameValueList::Get(std::string_view name) const {
  for (const auto& [key, value] : entries_) {
    if (EqualsIgnoreCase(key, name)) return value;
  }
  return {};
}

void NameValueList::Set(std::string_view name, std::string_view value) {
  for (auto it = entries_.begin(); it != entries_.end(); ++it) {
    if (!EqualsIgnoreCase(it->first, name)) continue;
    if (value.empty()) {
      entries_.erase(it);
    } else {
      it->first = name;
      it->second = value;
    }
    return;
  }
  if (!value.empty()) entries_.emplace_back(name, value);
}

std::int32_t ParameterStore::GetInt(std::string_view name) const {
  return ParseIntText(values_.Get(name));
}

void ParameterStore::SetDefault(std::string_view name, std::string_view value) {
  if (values_.Get(name).empty()) values_.Set(name, value);
}

std::int32_t ParseIntText(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';

  if (i < text.size() && text[i] == '$') {
    ++i;
    if (i == text.size()) return 0;
    std::uint32_t value = 0;
    for (; i < text.size(); ++i) {
      const int digit = HexDigit(text[i]);
      if (digit < 0 || value > kMaxBeforeHexDigit) return 0;
      value = value << 4 | static_cast<std::uint32_t>(digit);
    }
    // Two's complement: the negation wraps like the 32-bit register it stands for.
    if (negative) value = 0u - value;
    return static_cast<std::int32_t>(value);
  }

  if (i == text.size()) return 0;
  // The magnitude may reach 2^31 only for a negative number.
  const std::uint64_t limit =
      static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max()) + (negative ? 1 : 0);
  std::uint64_t value = 0;
  for (; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') return 0;
    value = value * 10 + static_cast<std::uint64_t>(text[i] - '0');
    if (value > limit) return 0;
  }
  return static_cast<std::int32_t>(negative ? -static_cast<std::int64_t>(value)
                                            : static_cast<std::int64_t>(value));
}

}  // namespace morvane

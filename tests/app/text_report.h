// A job report that keeps its console text and error-log records in memory.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "app/report.h"
#include "support/text_console.h"

namespace morvane::testing {

class TextReport final : public TextSink<Report> {
 public:
  void Log(std::string_view record) override { records_.emplace_back(record); }

  // The error-log records, in order.
  const std::vector<std::string>& Records() const { return records_; }

 private:
  std::vector<std::string> records_;
};

}  // namespace morvane::testing

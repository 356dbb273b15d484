#include "dde/diagnostics/trace_args.h"

#include <cstdio>

namespace tickwell {

void TraceArg::AppendTo(std::string& line) const {
  switch (kind_) {
    case kInteger:
      line += std::to_string(integer_);
      break;
    case kUnsigned:
      line += std::to_string(unsigned_);
      break;
    case kBoolean:
      line += integer_ ? "TRUE" : "FALSE";
      break;
    case kCharacter:
      line += static_cast<char>(integer_);
      break;
    case kReal: {
      char text[64];
      int n = std::snprintf(text, sizeof text, "%10.2f", real_);
      if (n >= static_cast<int>(sizeof text)) {
        std::string wide(static_cast<std::size_t>(n) + 1, '\0');
        std::snprintf(wide.data(), wide.size(), "%10.2f", real_);
        wide.resize(static_cast<std::size_t>(n));
        line += wide;
      } else if (n > 0) {
        line.append(text, static_cast<std::size_t>(n));
      }
      break;
    }
    case kText:
      line += text_;
      break;
    case kNothing:
      break;
  }
}

std::string RenderTrace(std::initializer_list<TraceArg> pieces) {
  std::string line;
  for (const TraceArg& piece : pieces) piece.AppendTo(line);
  return line;
}

}  // namespace tickwell

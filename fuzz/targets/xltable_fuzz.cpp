// XlTable text: an item name and a text in the table notation. What is written must be well
// formed record by record: a table record first, then only known records whose byte counts fit
// their data, ending exactly at the end of the bytes. Bad notation is refused with ETarvoError.
#include <vector>

#include "dde/model/xltable.h"
#include "dde/tables/exceptions.h"
#include "fuzz/fuzz_check.h"

namespace {

using tickwell::fuzz::Input;

std::uint16_t WordAt(const std::vector<std::uint8_t>& b, std::size_t at) {
  return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
}

void CheckRecords(const std::vector<std::uint8_t>& b, std::uint16_t rows, std::uint16_t columns,
                  bool sizeFromName) {
  FUZZ_CHECK(b.size() >= 8, "no table record");
  FUZZ_CHECK(WordAt(b, 0) == tickwell::tdtTable && WordAt(b, 2) == 4, "first record not a table");
  if (sizeFromName)
    FUZZ_CHECK(WordAt(b, 4) == rows && WordAt(b, 6) == columns, "table size is not the name's");
  std::size_t at = 8;
  int records = 0;
  while (at < b.size()) {
    FUZZ_CHECK(at + 4 <= b.size(), "record header cut short");
    const std::uint16_t type = WordAt(b, at);
    const std::uint16_t count = WordAt(b, at + 2);
    at += 4;
    FUZZ_CHECK(at + count <= b.size(), "record data runs past the end");
    switch (type) {
      case tickwell::tdtFloat:
        FUZZ_CHECK(count % 8 == 0, "float record not whole doubles");
        break;
      case tickwell::tdtString: {
        std::size_t in = 0;
        while (in < count) in += 1 + b[at + in];
        FUZZ_CHECK(in == count, "string lengths do not fill the record");
        break;
      }
      case tickwell::tdtBool:
        FUZZ_CHECK(count % 2 == 0, "boolean record not whole words");
        for (std::size_t i = 0; i < count; i += 2)
          FUZZ_CHECK(WordAt(b, at + i) <= 1, "boolean neither 0 nor 1");
        break;
      case tickwell::tdtError:
      case tickwell::tdtInt:
        FUZZ_CHECK(count % 2 == 0, "integer record not whole words");
        break;
      case tickwell::tdtBlank:
      case tickwell::tdtSkip:
        FUZZ_CHECK(count == 2, "blank or skip record not one word");
        break;
      default:
        FUZZ_CHECK(false, "unknown record type " + std::to_string(type));
    }
    at += count;
    ++records;
  }
  FUZZ_CHECK(records >= 1, "a table without cells");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Input in(data, size);
  const std::string name = in.Until('\n');
  const std::string text = in.Rest();
  std::vector<std::uint8_t> out;
  std::uint16_t rows = 0, columns = 0;
  const bool named = tickwell::XlTableSizeFromName(name, rows, columns);
  try {
    tickwell::WriteXlTable(name, text, out);
  } catch (const tickwell::ETarvoError&) {
    return 0;  // refused notation; a partial table may stay in out, as documented
  }
  FUZZ_CHECK(named || (!text.empty() && text[0] == '{'), "sized without a name or a prefix");
  CheckRecords(out, rows, columns, named && (text.empty() || text[0] != '{'));
  return 0;
}

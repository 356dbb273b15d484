// The promise every stored list keeps, checked on any bytes: a list that does not read raises
// EStreamError and stays exactly as it was; a list that reads writes bytes that read back to the
// same list.
#pragma once

#include <span>
#include <vector>

#include "fuzz/fuzz_check.h"
#include "support/component_stream.h"

namespace tickwell::fuzz {

template <typename List>
std::vector<std::uint8_t> Written(const List& list) {
  TValueWriter writer;
  list.WriteData(writer);
  return writer.Take();
}

// Reads bytes into list (which holds something beforehand); true when the list took them.
template <typename List>
bool CheckStoredList(List& list, std::span<const std::uint8_t> bytes) {
  const std::vector<std::uint8_t> before = Written(list);
  try {
    TValueReader reader(bytes);
    list.ReadData(reader);
  } catch (const EStreamError&) {
    FUZZ_CHECK(Written(list) == before, "a refused list changed the list");
    return false;
  }
  const std::vector<std::uint8_t> once = Written(list);
  List again;
  TValueReader reader(once);
  try {
    again.ReadData(reader);
  } catch (const EStreamError& e) {
    FUZZ_CHECK(false, std::string("a list as written does not read back: ") + e.what());
  }
  FUZZ_CHECK(reader.AtEnd(), "reading back left bytes over");
  FUZZ_CHECK(Written(again) == once, "a list read back writes other bytes");
  return true;
}

}  // namespace tickwell::fuzz

// Cell values to VARIANTs and a formula's arguments from Excel's SAFEARRAY.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <string>
#include <vector>

#include "rtd/cell_value.h"

namespace rtd {

// #N/A as Excel's error value (xlErrNA, 2042).
inline constexpr SCODE kErrorNotAvailable = static_cast<SCODE>(0x800A07FA);

// Fills an empty (VT_EMPTY) variant; false when out of memory.
bool ToVariant(const CellValue& value, VARIANT& out);

// The strings of a one-dimensional array of variants; false when it is not one.
bool ArgumentsOf(SAFEARRAY* array, std::vector<std::string>& out);

}  // namespace rtd

#include "rtd/win32/variant_value.h"

#include <oleauto.h>

namespace rtd {
namespace {

// Quote lines and DDE text are in the Windows ANSI code page Tickwell serves them in.
constexpr UINT kCodePage = 1252;

BSTR ToBstr(const std::string& text) {
  const int n =
      MultiByteToWideChar(kCodePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  BSTR out = SysAllocStringLen(nullptr, static_cast<UINT>(n));
  if (out && n > 0)
    MultiByteToWideChar(kCodePage, 0, text.data(), static_cast<int>(text.size()), out, n);
  return out;
}

std::string FromBstr(BSTR text) {
  const int length = static_cast<int>(SysStringLen(text));
  if (length == 0) return {};
  const int n = WideCharToMultiByte(kCodePage, 0, text, length, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(kCodePage, 0, text, length, out.data(), n, nullptr, nullptr);
  return out;
}

}  // namespace

bool ToVariant(const CellValue& value, VARIANT& out) {
  VariantInit(&out);
  switch (value.kind) {
    case CellKind::NotAvailable:
      out.vt = VT_ERROR;
      out.scode = kErrorNotAvailable;
      return true;
    case CellKind::Number:
      out.vt = VT_R8;
      out.dblVal = value.number;
      return true;
    case CellKind::Date:
      out.vt = VT_DATE;
      out.date = value.number;
      return true;
    case CellKind::Text:
      out.bstrVal = ToBstr(value.text);
      if (!out.bstrVal) return false;
      out.vt = VT_BSTR;
      return true;
  }
  return false;
}

bool ArgumentsOf(SAFEARRAY* array, std::vector<std::string>& out) {
  out.clear();
  VARTYPE type = VT_EMPTY;
  if (!array || SafeArrayGetDim(array) != 1 || FAILED(SafeArrayGetVartype(array, &type)) ||
      type != VT_VARIANT)
    return false;
  LONG low = 0, high = -1;
  if (FAILED(SafeArrayGetLBound(array, 1, &low)) || FAILED(SafeArrayGetUBound(array, 1, &high)))
    return false;
  for (LONG i = low; i <= high; ++i) {
    VARIANT element, text;
    VariantInit(&element);
    VariantInit(&text);
    if (FAILED(SafeArrayGetElement(array, &i, &element))) return false;
    // Excel passes strings; a number typed as an argument is taken as its text.
    const HRESULT changed = VariantChangeType(&text, &element, VARIANT_ALPHABOOL, VT_BSTR);
    VariantClear(&element);
    if (FAILED(changed)) return false;
    out.push_back(FromBstr(text.bstrVal));
    VariantClear(&text);
  }
  return true;
}

}  // namespace rtd

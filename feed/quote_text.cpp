#include "feed/quote_text.h"

#include <windows.h>

namespace tickwell::feed {

namespace {

bool Absent(const wchar_t* field) { return field == nullptr || *field == L'\0'; }

// A refused line leaves nothing half-joined behind.
bool JoinFields(const wchar_t* const fields[], int count, std::wstring& line) {
  line.clear();
  for (int i = 0; i < count; ++i) {
    if (Absent(fields[i]) || std::wstring_view(fields[i]).find(L';') != std::wstring_view::npos) {
      line.clear();
      return false;
    }
    if (i > 0) line += L';';
    line += fields[i];
  }
  return true;
}

}  // namespace

bool JoinQuoteFields(const wchar_t* const fields[kQuoteFields], std::wstring& line) {
  return JoinFields(fields, kQuoteFields, line);
}

bool JoinQuoteFieldsWithRange(const wchar_t* const fields[kQuoteFieldsWithRange],
                              std::wstring& line) {
  const bool noHigh = Absent(fields[kQuoteFields]);
  const bool noLow = Absent(fields[kQuoteFields + 1]);
  if (noHigh != noLow) {
    line.clear();
    return false;
  }
  return JoinFields(fields, noHigh ? kQuoteFields : kQuoteFieldsWithRange, line);
}

bool ToCodePage(std::wstring_view text, unsigned code_page, std::string& out) {
  out.clear();
  if (text.empty()) return true;
  if (text.size() > 0x7FFFFFF) return false;
  const int length = static_cast<int>(text.size());
  // UTF-8 takes no substitute character; it reports bad UTF-16 instead.
  const bool utf8 = code_page == CP_UTF8;
  const DWORD flags = utf8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
  BOOL substituted = FALSE;
  BOOL* substituted_out = utf8 ? nullptr : &substituted;
  const int size =
      WideCharToMultiByte(code_page, flags, text.data(), length, nullptr, 0, nullptr, nullptr);
  if (size <= 0) return false;
  out.resize(static_cast<size_t>(size));
  if (WideCharToMultiByte(code_page, flags, text.data(), length, out.data(), size, nullptr,
                          substituted_out) != size ||
      substituted) {
    out.clear();
    return false;
  }
  return true;
}

std::string LabelText(std::wstring_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const wchar_t c = text[i];
    const bool pair = c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
                      text[i + 1] <= 0xDFFF;
    if (pair) ++i;
    out += c < 0x80 ? static_cast<char>(c) : '_';
  }
  return out;
}

unsigned AnsiCodePage() { return GetACP(); }

}  // namespace tickwell::feed

#include "feed/quote_text.h"

#include <windows.h>

namespace tickwell::feed {

bool JoinQuoteFields(const wchar_t* const fields[kQuoteFields], std::wstring& line) {
  line.clear();
  for (int i = 0; i < kQuoteFields; ++i) {
    const wchar_t* field = fields[i];
    if (field == nullptr || *field == L'\0') return false;
    const std::wstring_view text(field);
    if (text.find(L';') != std::wstring_view::npos) return false;
    if (i > 0) line += L';';
    line += text;
  }
  return true;
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

unsigned AnsiCodePage() { return GetACP(); }

}  // namespace tickwell::feed

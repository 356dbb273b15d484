#include "platform/printing.h"

#include <windows.h>
// After windows.h, which they build on.
#include <commdlg.h>
#include <winspool.h>

#include <algorithm>
#include <cstring>

namespace platform {
namespace {

// The printer picked in the last confirmed print dialog; empty means the default printer.
std::string chosen_printer;

std::string DefaultPrinter() {
  DWORD size = 0;
  GetDefaultPrinterA(nullptr, &size);
  if (size == 0) return {};
  std::string name(size, '\0');
  if (!GetDefaultPrinterA(name.data(), &size)) return {};
  name.resize(std::strlen(name.c_str()));
  return name;
}

IoResult Failed(const std::string& step) {
  return IoResult::Failed("printing failed at " + step + " (error " +
                          std::to_string(GetLastError()) + ")");
}

}  // namespace

bool ChoosePrinter(Hwnd owner) {
  PRINTDLGA dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = reinterpret_cast<HWND>(owner);
  dialog.Flags = PD_NOPAGENUMS | PD_NOSELECTION | PD_USEDEVMODECOPIESANDCOLLATE;
  if (!PrintDlgA(&dialog)) return false;
  if (dialog.hDevNames) {
    auto* names = static_cast<DEVNAMES*>(GlobalLock(dialog.hDevNames));
    if (names) {
      chosen_printer = reinterpret_cast<const char*>(names) + names->wDeviceOffset;
      GlobalUnlock(dialog.hDevNames);
    }
    GlobalFree(dialog.hDevNames);
  }
  if (dialog.hDevMode) GlobalFree(dialog.hDevMode);
  return true;
}

IoResult PrintTextLines(const std::string& title, const std::vector<std::string>& lines) {
  std::string printer = chosen_printer.empty() ? DefaultPrinter() : chosen_printer;
  if (printer.empty()) return IoResult::Failed("no printer is installed");
  HDC dc = CreateDCA("WINSPOOL", printer.c_str(), nullptr, nullptr);
  if (!dc) return Failed("opening printer " + printer);

  DOCINFOA doc{};
  doc.cbSize = sizeof doc;
  doc.lpszDocName = title.c_str();
  IoResult result;
  if (StartDocA(dc, &doc) <= 0) {
    result = Failed("starting the document");
  } else {
    TEXTMETRICA metrics{};
    GetTextMetricsA(dc, &metrics);
    const int row = std::max<int>(1, metrics.tmHeight + metrics.tmExternalLeading);
    const int margin = GetDeviceCaps(dc, LOGPIXELSY) / 2;  // half an inch
    const int bottom = GetDeviceCaps(dc, VERTRES) - margin;
    const int left = GetDeviceCaps(dc, LOGPIXELSX) / 2;
    std::size_t next = 0;
    do {
      if (StartPage(dc) <= 0) {
        result = Failed("starting a page");
        break;
      }
      for (int y = margin; next < lines.size() && (y + row <= bottom || y == margin); y += row) {
        const std::string& line = lines[next++];
        TextOutA(dc, left, y, line.data(), static_cast<int>(line.size()));
      }
      if (EndPage(dc) <= 0) {
        result = Failed("ending a page");
        break;
      }
    } while (next < lines.size());
    if (result.ok && EndDoc(dc) <= 0) result = Failed("ending the document");
    if (!result.ok) AbortDoc(dc);
  }
  DeleteDC(dc);
  return result;
}

}  // namespace platform

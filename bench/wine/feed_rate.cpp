// tw-feed-rate: how fast the terminal's side can hand quotes to Tickwell through TickwellFeed.dll,
// loaded as the terminal loads it. Sends PASSES passes of one quote for each of SYMBOLS symbols
// (SYM0...), every quote different from the one before, the last pass with the volume END_VOLUME,
// and prints the time each pass took: the least, the median and the most, in milliseconds.
//
//   tw-feed-rate SYMBOLS PASSES END_VOLUME
//
// Exit codes: 0 every quote was taken, 2 the DLL or Tickwell was not found, 3 a quote was refused.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "feed/tickwell_feed.h"

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: tw-feed-rate SYMBOLS PASSES END_VOLUME\n");
    return 1;
  }
  const int symbols = std::max(1, std::atoi(argv[1]));
  const int passes = std::max(1, std::atoi(argv[2]));
  const std::wstring end_mark(argv[3], argv[3] + std::strlen(argv[3]));

  wchar_t path[MAX_PATH];
  const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring folder(path, length);
  folder.resize(folder.find_last_of(L"\\/") + 1);
  HMODULE dll = LoadLibraryW((folder + L"TickwellFeed.dll").c_str());
  if (!dll) {
    std::fprintf(stderr, "tw-feed-rate: TickwellFeed.dll not found\n");
    return 2;
  }
  auto open = reinterpret_cast<decltype(&TwfOpen)>(
      reinterpret_cast<void*>(GetProcAddress(dll, "TwfOpen")));
  auto send = reinterpret_cast<decltype(&TwfSendQuoteEx)>(
      reinterpret_cast<void*>(GetProcAddress(dll, "TwfSendQuoteEx")));
  auto close = reinterpret_cast<decltype(&TwfClose)>(
      reinterpret_cast<void*>(GetProcAddress(dll, "TwfClose")));
  if (!open || !send || !close || open(10000) != TWF_OK) {
    std::fprintf(stderr, "tw-feed-rate: Tickwell was not found\n");
    return 2;
  }

  std::vector<double> ms;
  for (int p = 1; p <= passes; ++p) {
    const auto start = std::chrono::steady_clock::now();
    for (int s = 0; s < symbols; ++s) {
      const std::wstring symbol = L"SYM" + std::to_wstring(s);
      const std::wstring n = std::to_wstring(p);
      const std::wstring volume = p == passes ? end_mark : n;
      const int code =
          send(symbol.c_str(), (L"1." + n).c_str(), (L"2." + n).c_str(), L"0",
               std::to_wstring(1700000000 + p).c_str(), volume.c_str(), (L"3." + n).c_str(),
               L"0.5");
      if (code != TWF_OK) {
        std::fprintf(stderr, "tw-feed-rate: pass %d symbol %d refused with code %d\n", p, s,
                     code);
        return 3;
      }
    }
    ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                     .count());
  }
  close();
  std::sort(ms.begin(), ms.end());
  std::printf("%d symbols, %d passes: pass least %.1f ms, median %.1f ms, most %.1f ms\n", symbols,
              passes, ms.front(), ms[ms.size() / 2], ms.back());
  return 0;
}

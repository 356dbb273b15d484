#include "platform/win32/wine_post_fix.h"

namespace platform::win32 {

void InstallWinePostFix() {}

void WineNoteRequestAnswer(std::uintptr_t) {}

}  // namespace platform::win32

#include "platform/win32/wine_post_fix.h"

namespace platform::win32 {

void InstallWinePostFix() {}

}  // namespace platform::win32

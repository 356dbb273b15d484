// The model's common dialogs answer as a test tells them.
#pragma once

#include <optional>
#include <string>

namespace platform::sim {

// How the next save dialogs answer (cancelled until told otherwise) and how often one was shown.
void SetSaveDialogAnswer(std::optional<std::string> path);
int SaveDialogCount();

}  // namespace platform::sim

// The model's printer answers its dialog as a test tells it and records what it was given.
#pragma once

#include <string>
#include <vector>

namespace platform::sim {

struct PrintJob {
  std::string title;
  std::vector<std::string> lines;
};

// How the next print dialogs answer (confirmed unless told otherwise) and how often one was shown.
void SetPrintDialogAnswer(bool confirm);
int PrintDialogCount();

// Every job printed so far, oldest first; ResetPrinter also forgets the dialog count and answer.
std::vector<PrintJob> PrintedJobs();
void ResetPrinter();

// Makes printing fail, as a printer gone offline would.
void SetPrinterFault(bool fail);

}  // namespace platform::sim

// The debug window's logic, run headless: lines, position file, buttons, and the trace sink's
// handling of the window.
#include "dde/diagnostics/debug_form.h"

#include <gtest/gtest.h>

#include "dde/diagnostics/io_error.h"
#include "dde/diagnostics/trace_test_fixture.h"
#include "platform/ini_file.h"
#include "platform/sim/sim_dialogs.h"
#include "platform/sim/sim_files.h"
#include "platform/sim/sim_printing.h"
#include "platform/window.h"

namespace tickwell {
namespace {

class DebugFormTest : public testing::TraceTestBase {
 protected:
  void SetUp() override {
    TraceTestBase::SetUp();
    platform::sim::ResetPrinter();
    platform::sim::SetSaveDialogAnswer(std::nullopt);
  }
  void TearDown() override {
    platform::sim::SetFileWriteFault(nullptr);
    TraceTestBase::TearDown();
  }
  std::unique_ptr<TDDEMLDebugForm> MakeForm() {
    return std::make_unique<TDDEMLDebugForm>(platform::kNoWindow, true, Path("prog.DFP"));
  }
};

TEST_F(DebugFormTest, KeepsTheLatest501Lines) {
  auto form = MakeForm();
  for (int i = 1; i <= 501; ++i) form->AddLine("line " + std::to_string(i));
  ASSERT_EQ(form->Lines().size(), 501u);
  EXPECT_EQ(form->Lines().front(), "line 1");
  form->AddLine("line 502");
  ASSERT_EQ(form->Lines().size(), 501u);
  EXPECT_EQ(form->Lines().front(), "line 2");
  EXPECT_EQ(form->Lines().back(), "line 502");
}

TEST_F(DebugFormTest, PositionFileIsReadAtCreationAndWrittenOnMoves) {
  // No file: the designed place, and nothing is written just by opening.
  TFormBounds designed;
  {
    auto form = MakeForm();
    designed = form->Bounds();
    EXPECT_TRUE(form->Ready());
  }
  EXPECT_FALSE(platform::FileExists(Path("prog.DFP")));

  // Stored keys win; a missing key keeps the designed value.
  Put("prog.DFP", "[Position]\r\nLeft=10\r\nTop=20\r\nWidth=500\r\n");
  {
    auto form = MakeForm();
    EXPECT_EQ(form->Bounds(), (TFormBounds{10, 20, 500, designed.height}));
    form->SetBounds({30, 40, 500, designed.height});
  }
  EXPECT_EQ(platform::IniReadInteger(Path("prog.DFP"), "Position", "Left", 0), 30);
  EXPECT_EQ(platform::IniReadInteger(Path("prog.DFP"), "Position", "Top", 0), 40);
  EXPECT_EQ(platform::IniReadInteger(Path("prog.DFP"), "Position", "Height", 0), designed.height);
  EXPECT_EQ(MakeForm()->Bounds(), (TFormBounds{30, 40, 500, designed.height}));
}

TEST_F(DebugFormTest, MinimisingStoresTheRestoredPositionNotTheIcons) {
  const std::string dfp = Path("prog.DFP");
  TFormBounds placed{30, 40, 420, 300};
  {
    auto form = MakeForm();
    form->Show();
    form->SetBounds(placed);
    form->Minimize();
    EXPECT_TRUE(form->Minimized());
    EXPECT_LT(form->Bounds().left, -10000) << "the icon is off the screen";
    EXPECT_EQ(platform::IniReadInteger(dfp, "Position", "Left", 0), 30);
    EXPECT_EQ(platform::IniReadInteger(dfp, "Position", "Top", 0), 40);
    EXPECT_EQ(platform::IniReadInteger(dfp, "Position", "Width", 0), 420);
    EXPECT_EQ(platform::IniReadInteger(dfp, "Position", "Height", 0), 300);
  }
  EXPECT_EQ(MakeForm()->Bounds(), placed);

  // A file holding an icon's rectangle (as an earlier version wrote it) is not followed.
  platform::RemoveFile(dfp);
  const TFormBounds designed = MakeForm()->Bounds();
  Put("prog.DFP", "[Position]\r\nLeft=-32000\r\nTop=-32000\r\nWidth=160\r\nHeight=24\r\n");
  EXPECT_EQ(MakeForm()->Bounds(), designed);
}

TEST_F(DebugFormTest, CloseHidesAndClearEmpties) {
  auto form = MakeForm();
  form->Show();
  form->AddLine("a");
  form->TheCloseButtonClick();
  EXPECT_FALSE(form->Visible());
  form->AddLine("b");
  EXPECT_EQ(form->Lines().size(), 2u);
  form->TheClearButtonClick();
  EXPECT_TRUE(form->Lines().empty());
}

TEST_F(DebugFormTest, SaveWritesTheLinesToTheChosenFile) {
  auto form = MakeForm();
  form->TheSavebuttonClick();
  EXPECT_EQ(platform::sim::SaveDialogCount(), 0) << "an empty memo asks for nothing";

  form->AddLine("one");
  form->AddLine("two");
  form->TheSavebuttonClick();  // cancelled
  EXPECT_EQ(platform::sim::SaveDialogCount(), 1);

  Put("saved.txt", "previous content that is longer");
  platform::sim::SetSaveDialogAnswer(Path("saved.txt"));
  form->TheSavebuttonClick();
  EXPECT_EQ(Read("saved.txt"), "one\r\ntwo\r\n");

  platform::sim::SetFileWriteFault([](const std::string&) { return true; });
  EXPECT_THROW(form->TheSavebuttonClick(), EInOutError);
}

TEST_F(DebugFormTest, PrintSendsHeaderAndLinesToTheChosenPrinter) {
  auto form = MakeForm();
  form->ThePrintButtonClick();
  EXPECT_EQ(platform::sim::PrintDialogCount(), 0) << "an empty memo prints nothing";

  form->AddLine("one");
  platform::sim::SetPrintDialogAnswer(false);
  form->ThePrintButtonClick();
  EXPECT_TRUE(platform::sim::PrintedJobs().empty());

  platform::sim::SetPrintDialogAnswer(true);
  form->ThePrintButtonClick();
  auto jobs = platform::sim::PrintedJobs();
  ASSERT_EQ(jobs.size(), 1u);
  ASSERT_EQ(jobs[0].lines.size(), 5u);
  EXPECT_EQ(jobs[0].lines[0], "Velmar Software");
  EXPECT_EQ(jobs[0].lines[1], "Brenna DDEML Manager Component - Debug Form Print");
  EXPECT_EQ(jobs[0].lines[2].rfind("As at ", 0), 0u);
  EXPECT_EQ(jobs[0].lines[3], "");
  EXPECT_EQ(jobs[0].lines[4], "one");

  platform::sim::SetPrinterFault(true);
  EXPECT_THROW(form->ThePrintButtonClick(), EInOutError);
}

TEST_F(DebugFormTest, SinkOpensOneWindowPerThreadAndKeepsAHiddenOne) {
  ApplyDebugState(platform::kNoWindow, dbForm, true, "");
  TDDEMLDebugForm* window = DebugForm();
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(window->Visible());
  Trace("shown ", 1);
  window->TheCloseButtonClick();
  Trace("hidden ", 2);
  ApplyDebugState(platform::kNoWindow, dbForm, true, "");
  EXPECT_EQ(DebugForm(), window);
  EXPECT_FALSE(window->Visible());
  ASSERT_EQ(window->Lines().size(), 2u);
  EXPECT_EQ(window->Lines()[1], "hidden 2");

  // Turning tracing off leaves the window open; applying dbNone or dbFile closes it.
  StoreDebugState(dbNone, "");
  Trace("dropped");
  EXPECT_EQ(DebugForm(), window);
  EXPECT_EQ(window->Lines().size(), 2u);
  ApplyDebugState(platform::kNoWindow, dbFile, true, Path("t.log"));
  EXPECT_EQ(DebugForm(), nullptr);
}

TEST_F(DebugFormTest, WindowGoesWithItsOwner) {
  platform::Hwnd owner = platform::CreateHiddenWindow(
      "owner", [](platform::Hwnd w, unsigned m, platform::WParam wp, platform::LParam lp) {
        return platform::DefaultWindowProc(w, m, wp, lp);
      });
  ASSERT_NE(owner, platform::kNoWindow);
  ApplyDebugState(owner, dbForm, true, "");
  ASSERT_NE(DebugForm(), nullptr);
  platform::DestroyWindow(owner);
  EXPECT_NO_THROW(Trace("after the owner"));
  EXPECT_EQ(DebugForm(), nullptr);
  ApplyDebugState(platform::kNoWindow, dbForm, true, "");
  EXPECT_NE(DebugForm(), nullptr) << "a new window replaces the lost one";
}

TEST_F(DebugFormTest, FullDiskMidLogIsReportedOnce) {
  ApplyDebugState(platform::kNoWindow, dbFile, true, Path("t.log"));
  Trace("before");
  platform::sim::SetFileWriteFault([](const std::string& path) { return path.ends_with("t.log"); });
  for (int i = 0; i < 3; ++i) EXPECT_NO_THROW(Trace("lost ", i));
  EXPECT_EQ(reports_.size(), 1u);
  platform::sim::SetFileWriteFault(nullptr);
  Trace("after");
  const std::string log = Read("t.log");
  EXPECT_NE(log.find("before\r\nafter\r\n"), std::string::npos) << log;
}

}  // namespace
}  // namespace tickwell

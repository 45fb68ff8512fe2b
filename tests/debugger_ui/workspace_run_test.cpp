// SPDX-License-Identifier: GPL-3.0-or-later
// The workspace's engine controls on a running machine (the counter game: 0000 LD HL,8000h,
// 0003 INC (HL), 0004 JR 0003): the step toolbar, the watchpoint and condition dialogs, the trace
// pane and its file, and symbols in the listing, the memory pane and "Go to".
#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QSpinBox>
#include <QStatusBar>
#include <QTreeWidget>
#include <QtTest>
#include <fstream>

#include "app/headless_host.h"
#include "debugger/debug_engine.h"
#include "debugger/ui/debugger.h"
#include "debugger/ui/disasm_pane.h"
#include "debugger/ui/memory_pane.h"
#include "debugger/ui/register_pane.h"
#include "debugger/ui/stop_pane.h"
#include "debugger/ui/trace_pane.h"
#include "debugger/ui/workspace.h"
#include "modal.h"
#include "run/history.h"
#include "run/run.h"
#include "support/test_driver.h"

namespace tirvane {

class WorkspaceRunTest : public QObject {
  Q_OBJECT

  std::unique_ptr<testdriver::TempFolder> folder_;
  std::unique_ptr<HeadlessHost> host_;
  std::unique_ptr<ScopedHost> scope_;
  std::unique_ptr<EmulationRun> run_;
  std::unique_ptr<Debugger> debugger_;
  BreakpointList breakpoints_;
  std::string ini_;

  DebuggerWorkspace& Workspace() { return *debugger_->Workspace; }
  DebugEngine& Engine() { return *debugger_->Engine(); }

  void RunUntilPaused(int maxPasses = 100'000) {
    for (int i = 0; i < maxPasses && DebugState != DebugStateKind::Paused && run_->Running(); ++i) run_->RunPass();
  }
  // Debug mode, paused at the loop's INC (HL).
  void PauseInLoop() {
    for (int i = 0; i < 3; ++i) run_->RunPass();
    Workspace().PauseAction->trigger();
    for (int i = 0; i < 1000 && ActiveContext->PC.w != 0x0003; ++i) {
      DebugState = DebugStateKind::Step;
      run_->RunPass();
    }
    QVERIFY2(ActiveContext->PC.w == 0x0003, "single steps never reached the loop's INC (HL)");
  }
  QString Status() { return Workspace().statusBar()->currentMessage(); }

 private slots:
  void init() {
    EmulationRun::SetExtraDrivers(testdriver::TestDrivers);
    ResetRunControls();
    folder_ = std::make_unique<testdriver::TempFolder>("workspace_run");
    host_ = std::make_unique<HeadlessHost>(folder_->path().string() + "/");
    scope_ = std::make_unique<ScopedHost>(*host_);
    run_ = std::make_unique<EmulationRun>();
    debugger_ = std::make_unique<Debugger>();
    debugger_->SetClassic(false);
    breakpoints_.Clear();
    debugger_->Attach(*run_, breakpoints_);
    debugger_->TickDebug = [this] {
      DebugMode = true;
      debugger_->DebugSwitch(true, nullptr);
    };
    ini_ = testdriver::WriteCounterGame(*folder_, "TESTBOARD");
    const StartResult started = run_->Start(ini_);
    QVERIFY2(started.Ok, started.Message.c_str());
    debugger_->TickDebug();
  }

  void cleanup() {
    run_->Stop();
    run_->RunLoop();
    debugger_.reset();
    run_.reset();
    scope_.reset();
    host_.reset();
    folder_.reset();
  }

  void StepToolbarRunsTheEngineCommands() {
    PauseInLoop();
    // Step over an ordinary instruction is one step; run to cursor stops on the selected line.
    Workspace().StepOverAction->trigger();
    RunUntilPaused();
    QCOMPARE(ActiveContext->PC.w, 0x0004);
    Workspace().Disassembly->View->Select(0x0003);
    Workspace().RunToCursorAction->trigger();
    RunUntilPaused();
    QCOMPARE(ActiveContext->PC.w, 0x0003);
    const uint64_t frames = run_->FramesRun();
    Workspace().RunToNextFrameAction->trigger();
    RunUntilPaused();
    QCOMPARE(run_->FramesRun(), frames + 1);
    QCOMPARE(DebugState, DebugStateKind::Paused);
  }

  void PlainBreakpointStandsThereAndReportsInThePanesWithoutABox() {
    BreakpointsEnabled = true;
    breakpoints_.Add("0004");
    RunUntilPaused();
    QCOMPARE(ActiveContext->PC.w, uint16_t(0x0004));
    QVERIFY(host_->Messages.empty());
    const QString said = "The instruction in address of the breakpoint [0004] is the next to be executed.";
    QCOMPARE(Status(), said);
    QCOMPARE(Workspace().Stops->LastStop->text(), said);
    for (int i = 0; i < 3; ++i) run_->RunPass();
    QCOMPARE(ActiveContext->PC.w, uint16_t(0x0004));
    // Run goes on from the breakpoint without hitting it again at once: the next hit is a loop later.
    const uint8_t counter = MemoryImage[0x8000];
    Workspace().RunAction->trigger();
    RunUntilPaused();
    QCOMPARE(ActiveContext->PC.w, uint16_t(0x0004));
    QCOMPARE(MemoryImage[0x8000], uint8_t(counter + 1));
    BreakpointsEnabled = false;
  }

  // An edit in a pane is history: going back to a point after it finds the edited machine, not one
  // replayed without it.
  void PaneEditsSurviveSteppingBack() {
    RunHistory history(*run_);
    run_->History = &history;
    history.Begin();
    PauseInLoop();
    QLineEdit* hl = Workspace().Registers->Fields[3];
    hl->setFocus();
    hl->selectAll();
    QTest::keyClicks(hl, "9000");
    QTest::keyClick(hl, Qt::Key_Return);
    Workspace().Memory->View->SetCursor(0x9000);
    Workspace().Memory->View->setFocus();
    QTest::keyClicks(Workspace().Memory->View, "40");
    for (int i = 0; i < 3; ++i) {  // INC (HL), JR, INC (HL)
      DebugState = DebugStateKind::Step;
      run_->RunPass();
    }
    QCOMPARE(MemoryImage[0x9000], uint8_t(0x42));
    QVERIFY(history.StepBack());  // before the second INC (HL)
    QCOMPARE(ActiveContext->HL.w, uint16_t(0x9000));
    QCOMPARE(MemoryImage[0x9000], uint8_t(0x41));
    run_->History = nullptr;
  }

  void StopBlanksThePanesAndANewGameStartsFresh() {
    for (int i = 0; i < 50; ++i) run_->RunPass();
    run_->Stop();
    debugger_->DiscardDisassembly();
    for (QAction* act : {Workspace().RunAction, Workspace().StepIntoAction, Workspace().StepOverAction})
      QVERIFY(!act->isEnabled());
    QVERIFY(Workspace().Registers->Fields[0]->text().isEmpty());
    QVERIFY(Workspace().Memory->View->Blank);
    QVERIFY(Workspace().Disassembly->View->Blank);
    run_->RunLoop();

    QVERIFY(run_->Start(ini_).Ok);
    debugger_->GameStarted(ini_);
    QVERIFY(Workspace().StepIntoAction->isEnabled());
    QVERIFY(!Workspace().Memory->View->Blank && !Workspace().Disassembly->View->Blank);
    QVERIFY(!Workspace().Registers->Fields[0]->text().isEmpty());
    QVERIFY(!Workspace().Memory->View->Changed(0x8000));  // measured from the new game's start
  }

  void WatchpointFromTheDialogStopsOnItsValue() {
    PauseInLoop();
    const uint8_t start = MemoryImage[0x8000];
    const uint8_t wanted = static_cast<uint8_t>(start + 5);
    testing::WhenModal([wanted](QWidget* dialog) {
      auto* d = qobject_cast<WatchpointDialog*>(dialog);
      d->Range->setText("8000");
      d->Access->setCurrentIndex(1);  // write
      d->Test->setCurrentIndex(1);    // equal to
      d->Value->setText(QString::number(wanted, 16));
      d->accept();
    });
    Workspace().Stops->AddWatchpoint->click();
    QCOMPARE(Workspace().Stops->List->topLevelItemCount(), 1);
    Workspace().RunAction->trigger();
    RunUntilPaused();
    QCOMPARE(MemoryImage[0x8000], wanted);
    QVERIFY2(Status().contains("0003"), qPrintable(Status()));  // the instruction that wrote

    // Unticked in the list, it no longer stops the run.
    Workspace().Stops->List->topLevelItem(0)->setCheckState(0, Qt::Unchecked);
    QVERIFY(!Engine().Watchpoints.AnyEnabled());
  }

  void MalformedConditionStaysInTheDialogWithItsColumn() {
    PauseInLoop();
    QString refused;
    testing::WhenModal([&refused](QWidget* dialog) {
      auto* d = qobject_cast<ConditionDialog*>(dialog);
      d->Where->setText("0003");
      d->Condition->setText("(HL) < < 3");
      d->accept();
      refused = d->isVisible() ? d->Error->text() : QString();
      d->Condition->setText("(HL) < 3");
      d->HitCount->setValue(2);
      d->accept();
    });
    MemoryImage[0x8000] = 0;
    Workspace().Stops->AddBreakpoint->click();
    QVERIFY2(refused.startsWith("Column 8"), qPrintable(refused));
    QCOMPARE(Engine().Breakpoints.Count(), 1);
    Workspace().RunAction->trigger();
    RunUntilPaused();
    // The instruction the run resumes from never hits; then hits at 1 and at 2, which stops.
    QCOMPARE(ActiveContext->PC.w, 0x0003);
    QCOMPARE(MemoryImage[0x8000], 2);
    QVERIFY(Status().startsWith("Breakpoint at 0003"));
  }

  void TraceShowsAndSavesTheStepsOfDebugMode() {
    for (int i = 0; i < 40; ++i) run_->RunPass();
    Workspace().Trace->Refresh();
    const int kept = Engine().Trace.Count();
    QVERIFY(kept >= 40);
    QCOMPARE(Workspace().Trace->List->model()->rowCount(), kept);
    const QString path = QString::fromStdString((folder_->path() / "trace.txt").string());
    Workspace().Trace->AskPath = [path] { return path; };
    Workspace().Trace->Save->click();
    std::ifstream file(path.toStdString());
    std::string first;
    std::getline(file, first);
    QCOMPARE(QString::fromStdString(first), Workspace().Trace->List->model()->index(0, 0).data().toString());
    QVERIFY(Status().startsWith("Trace saved"));
  }

  void DebugModeWithTheTraceRunsAFrameAPassAndRecordsEveryInstruction() {
    const uint64_t frames = run_->FramesRun(), pumps = host_->Pumps;
    for (int i = 0; i < 3; ++i) run_->RunPass();
    QCOMPARE(run_->FramesRun(), frames + 3);
    QCOMPARE(host_->Pumps - pumps, uint64_t(3));
    // 50,000 T-states a frame of INC (HL) and JR, 23 T-states the pair: every one is in the ring.
    QVERIFY(Engine().Trace.Total() >= 3 * 2 * (50'000 / 23));
    QCOMPARE(Engine().Trace.Last().Registers[7], ActiveContext->PC.w);
  }

  void SymbolsBesideTheGameLabelTheListingAndGoTo() {
    testdriver::WriteText(folder_->path() / "counter.sym", "loop EQU 00003H\ncounter EQU 08000H\nnot a line\n");
    debugger_->GameStarted(ini_);
    QCOMPARE(Status(), QString("2 symbols loaded (pasmo symbol table); 1 malformed lines skipped."));
    DisassemblyPane& listing = *Workspace().Disassembly;
    QVERIFY(listing.GoTo("loop"));
    QCOMPARE(listing.View->Selected(), 0x0003);
    MemoryPane& memory = *Workspace().Memory;
    QVERIFY(memory.GoTo("counter"));
    QCOMPARE(memory.View->Cursor(), 0x8000);
    memory.View->SetCursor(0x8002);
    QCOMPARE(memory.Where->text(), QString("8002h  counter+2"));

    // A file of no known form keeps the labels there were.
    testdriver::WriteText(folder_->path() / "junk.txt", "hello\n");
    Workspace().LoadSymbols(QString::fromStdString((folder_->path() / "junk.txt").string()));
    QVERIFY(Engine().Symbols.Find("loop").has_value());
    QVERIFY(Status().startsWith("No symbols found"));
  }
};

}  // namespace tirvane

QTEST_MAIN(tirvane::WorkspaceRunTest)
#include "workspace_run_test.moc"

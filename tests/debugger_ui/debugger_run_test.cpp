// SPDX-License-Identifier: GPL-3.0-or-later
// The debugger on a running machine: Step, breakpoint hits with Debug off and on, and the display
// that follows Debug mode at the display's rate without ever showing a stale pause.
#include <QElapsedTimer>
#include <QLabel>
#include <QToolButton>
#include <QtTest>

#include "app/headless_host.h"
#include "run/run.h"
#include "debugger/ui/debug_window.h"
#include "debugger/ui/debugger.h"
#include "support/test_driver.h"
#include "video/screen.h"

namespace tirvane {

using testdriver::calls;

class DebuggerRunTest : public QObject {
  Q_OBJECT

  std::unique_ptr<testdriver::TempFolder> folder_;
  std::unique_ptr<HeadlessHost> host_;
  std::unique_ptr<ScopedHost> scope_;
  std::unique_ptr<EmulationRun> run_;
  std::unique_ptr<Debugger> debugger_;
  BreakpointList breakpoints_;
  int ticks_ = 0;

  // What the main window's "Debug" box does when a hit ticks it.
  void TickDebug() {
    ++ticks_;
    if (DebugMode) return;
    DebugMode = true;
    debugger_->DebugSwitch(true, nullptr);
  }

  QString Shown(int registerIndex) const {
    return debugger_->frmDebug->RegisterValues[registerIndex]->text();
  }

  // Passes until the machine pauses (or a generous bound), as the loop would turn them.
  void RunUntilPaused(int maxPasses = 1'000'000) {
    for (int i = 0; i < maxPasses && DebugState != DebugStateKind::Paused && run_->Running(); ++i)
      run_->RunPass();
  }

 private slots:
  void init() {
    EmulationRun::SetExtraDrivers(testdriver::TestDrivers);
    calls = {};
    ResetRunControls();
    MemoryImage[0x8000] = 0;
    folder_ = std::make_unique<testdriver::TempFolder>("debugger");
    host_ = std::make_unique<HeadlessHost>(folder_->path().string() + "/");
    scope_ = std::make_unique<ScopedHost>(*host_);
    run_ = std::make_unique<EmulationRun>();
    debugger_ = std::make_unique<Debugger>();
    breakpoints_.Clear();
    ticks_ = 0;
    debugger_->Attach(*run_, breakpoints_);
    debugger_->TickDebug = [this] { TickDebug(); };
    const StartResult started = run_->Start(testdriver::WriteCounterGame(*folder_, "TESTBOARD"));
    QVERIFY2(started.Ok, started.Message.c_str());
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

  void StepRunsExactlyOneInstructionAndTheCaptionGoesThroughStepToPaused() {
    DebugMode = true;
    debugger_->DebugSwitch(true, nullptr);
    for (int i = 0; i < 10; ++i) run_->RunPass();  // LD HL, then INC (HL) and JR in turn
    debugger_->frmDebug->sbPause->click();
    const int drawsAtPause = calls.Draws;
    const uint16_t pc = ActiveContext->PC.w;
    const uint8_t counter = MemoryImage[0x8000];
    for (int i = 0; i < 5; ++i) run_->RunPass();
    QCOMPARE(ActiveContext->PC.w, pc);  // paused: nothing runs

    debugger_->frmDebug->sbStep->click();
    QCOMPARE(debugger_->frmDebug->windowTitle(), QString("Debug (Step)"));
    run_->RunPass();
    QCOMPARE(DebugState, DebugStateKind::Paused);
    QCOMPARE(debugger_->frmDebug->windowTitle(), QString("Debug (Paused)"));
    const bool wasIncrement = pc == 0x0003;
    QCOMPARE(ActiveContext->PC.w, uint16_t(wasIncrement ? 0x0004 : 0x0003));
    QCOMPARE(MemoryImage[0x8000], uint8_t(wasIncrement ? counter + 1 : counter));
    QCOMPARE(calls.Draws, drawsAtPause + 1);  // the stepped instruction's picture, once
    // The window shows the state in which the stepped instruction began.
    QCOMPARE(Shown(7), QString::fromStdString(FormatHex(pc, 4)));

    run_->RunPass();
    QCOMPARE(ActiveContext->PC.w, uint16_t(wasIncrement ? 0x0004 : 0x0003));
    QCOMPARE(calls.Draws, drawsAtPause + 1);
  }

  void HitWithDebugOffTicksDebugShowsTheWindowAndStandsAtTheBreakpoint() {
    BreakpointsEnabled = true;
    breakpoints_.Add("0004");
    breakpoints_.Add("9000");
    RunUntilPaused();
    QCOMPARE(host_->Messages,
             std::vector<std::string>{
                 "The instruction in address of the breakpoint [0004] is the next to be executed."});
    QCOMPARE(ticks_, 1);
    QVERIFY(DebugMode);
    QVERIFY(debugger_->frmDebug->isVisible());
    QCOMPARE(debugger_->frmDebug->windowTitle(), QString("Debug (Paused)"));
    QCOMPARE(Shown(7), QString("0004"));              // refreshed at the breakpoint
    QCOMPARE(ActiveContext->PC.w, uint16_t(0x0004));  // the JR there is still the next
    QCOMPARE(MemoryImage[0x8000], uint8_t(1));
    for (int i = 0; i < 3; ++i) run_->RunPass();
    QCOMPARE(ActiveContext->PC.w, uint16_t(0x0004));

    // Resuming does not fire the same breakpoint at once: the next hit comes a loop later.
    debugger_->frmDebug->sbPlay->click();
    run_->RunPass();
    QCOMPARE(host_->Messages.size(), size_t(1));
    RunUntilPaused(10);
    QCOMPARE(host_->Messages.size(), size_t(2));
    QCOMPARE(ticks_, 2);
    QCOMPARE(MemoryImage[0x8000], uint8_t(2));
  }

  void EqualBreakpointsGiveOneMessageEach() {
    BreakpointsEnabled = true;
    breakpoints_.Add("0003");
    breakpoints_.Add("3");
    breakpoints_.Add("0003");
    RunUntilPaused();
    QCOMPARE(host_->Messages.size(), size_t(3));
    QCOMPARE(host_->Messages[2],
             std::string("The instruction in address of the breakpoint [3] is the next to be executed."));
    QCOMPARE(MemoryImage[0x8000], uint8_t(0));  // INC (HL) at 0003 not yet run
    QCOMPARE(ActiveContext->PC.w, uint16_t(0x0003));
  }

  void BreakTickedWithoutAHitYieldsOnlyAtFrameEnds() {
    BreakpointsEnabled = true;
    breakpoints_.Add("9000");
    const uint64_t pumps = host_->Pumps;
    for (int i = 0; i < 1000 && run_->FramesRun() < 3; ++i) run_->RunPass();
    QCOMPARE(run_->FramesRun(), uint64_t(3));
    QCOMPARE(host_->Pumps - pumps, uint64_t(3));
    QCOMPARE(calls.Frames, 3);
    QVERIFY(host_->Messages.empty());
  }

  void BreakUncheckedStopsTheChecksButKeepsTheList() {
    breakpoints_.Add("0003");
    for (int i = 0; i < 3; ++i) run_->RunPass();  // whole frames
    QVERIFY(host_->Messages.empty());
    QCOMPARE(breakpoints_.Count(), 1);
  }

  void DebugModeRedrawsAtTheDisplayRateAndAPauseShowsTheLatest() {
    DebugMode = true;
    debugger_->DebugSwitch(true, nullptr);
    QElapsedTimer clock;
    clock.start();
    const int passes = 20000;
    for (int i = 0; i < passes; ++i) run_->RunPass();
    const double seconds = clock.nsecsElapsed() / 1e9;
    // At most one redraw per display refresh (60 a second offscreen), plus the first.
    QVERIFY2(calls.Draws <= 2 + static_cast<int>(seconds * 61), qPrintable(QString::number(calls.Draws)));

    const int draws = calls.Draws;
    const bool pending = debugger_->RedrawPending();
    debugger_->frmDebug->sbPause->click();
    QCOMPARE(calls.Draws, draws + (pending ? 1 : 0));
    QVERIFY(!debugger_->RedrawPending());
    QVERIFY(!debugger_->frmDebug->CapturePending());
    // The last capture was taken before the last instruction ran.
    QVERIFY(Shown(7) == "0003" || Shown(7) == "0004");
    QVERIFY(Shown(7) != QString::fromStdString(FormatHex(ActiveContext->PC.w, 4)));
  }

  void UncheckingDebugWhilePausedHidesTheWindowAndKeepsTheMachineFrozen() {
    DebugMode = true;
    debugger_->DebugSwitch(true, nullptr);
    run_->RunPass();
    debugger_->frmDebug->sbPause->click();
    DebugMode = false;
    debugger_->DebugSwitch(false, nullptr);
    QVERIFY(!debugger_->frmDebug->isVisible());
    const uint64_t frames = run_->FramesRun();
    const uint16_t pc = ActiveContext->PC.w;
    for (int i = 0; i < 3; ++i) run_->RunPass();
    QCOMPARE(ActiveContext->PC.w, pc);
    QCOMPARE(run_->FramesRun(), frames);

    DebugMode = true;
    debugger_->DebugSwitch(true, nullptr);  // checking it again runs the machine
    QCOMPARE(DebugState, DebugStateKind::Running);
    run_->RunPass();
    QVERIFY(ActiveContext->PC.w != pc);
  }
};

}  // namespace tirvane

QTEST_MAIN(tirvane::DebuggerRunTest)
#include "debugger_run_test.moc"

// SPDX-License-Identifier: GPL-3.0-or-later
// The register window: registers, flags and watches as the user sees them, the state buttons and
// captions, the Debug switch, adding and deleting watches.
#include "debugger/ui/debug_window.h"

#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>
#include <QtTest>

#include "machine/romset.h"
#include "debugger/message_host.h"
#include "debugger/ui/add_watch_dialog.h"
#include "debugger/ui/hex_edit.h"
#include "modal.h"

namespace tirvane {

class DebugWindowTest : public QObject {
  Q_OBJECT

  Z80Context z_{};

 private slots:
  void init() {
    z_ = Z80Context{};
    z_.MemoryImage = MemoryImage;
    ActiveContext = &z_;
    std::fill(std::begin(MemoryImage), std::end(MemoryImage), 0);
    DebugState = DebugStateKind::Running;
  }

  void FreshWindowShowsZerosAndTheSevenDefaultWatches() {
    TfrmAddWatch addWatch;
    TfrmDebug window(&addWatch);
    QCOMPARE(window.windowTitle(), QString("Z80 Registers"));
    for (QLabel* value : window.RegisterValues) QCOMPARE(value->text(), QString("0000"));
    QCOMPARE(window.lbWatches->count(), 7);
    QCOMPARE(window.lbWatches->item(0)->text(), QString("0000,00,0,0,0,????"));
    QCOMPARE(window.lbWatches->item(6)->text(), QString("0000,00,7,0,1,????"));
    for (QLabel* flag : window.FlagLabels) QVERIFY(flag->isHidden());
  }

  void RefreshShowsRegistersFlagsAndWatchValues() {
    TfrmDebug window(nullptr);
    z_.AF.w = 0x12C5;
    z_.HL.w = 0xBEEF;
    z_.PC.w = 0x0038;
    z_.IY.w = 0x4010;
    MemoryImage[0x4000] = 0x99;  // IY - 16
    MemoryImage[0x1000] = 0x34;
    MemoryImage[0x1001] = 0x12;
    window.Watches().Append("0000,F0,4,0,0,?????");
    window.lbWatches->addItem("0000,F0,4,0,0,?????");
    window.Watches().Append("1000,00,5,0,1,?????");
    window.lbWatches->addItem("1000,00,5,0,1,?????");
    window.Refresh();

    QCOMPARE(window.RegisterValues[0]->text(), QString("12C5"));
    QCOMPARE(window.RegisterValues[3]->text(), QString("BEEF"));
    QCOMPARE(window.RegisterValues[7]->text(), QString("0038"));
    QStringList lit;
    for (size_t i = 0; i < FlagNames.size(); ++i)
      if (!window.FlagLabels[i]->isHidden()) lit << window.FlagLabels[i]->text();
    QCOMPARE(lit, QStringList({"S", "Z", "P/V", "C"}));
    QCOMPARE(window.Watches().ValueText(7), std::string("99"));
    QCOMPARE(WatchLabel(window.Watches().At(7)), std::string("bptr [IY+F0]"));
    QCOMPARE(window.Watches().ValueText(8), std::string("1234"));

    // A capture alone changes nothing on screen until it is shown.
    z_.AF.w = 0x0000;
    window.Capture();
    QVERIFY(window.CapturePending());
    QCOMPARE(window.RegisterValues[0]->text(), QString("12C5"));
    window.ShowCaptured();
    QCOMPARE(window.RegisterValues[0]->text(), QString("0000"));
    QVERIFY(window.FlagLabels[0]->isHidden());
  }

  void ButtonsSetTheStateAndItsCaption() {
    TfrmDebug window(nullptr);
    std::vector<DebugStateKind> seen;
    window.StateChanged = [&](DebugStateKind s) { seen.push_back(s); };
    window.sbPause->click();
    QCOMPARE(DebugState, DebugStateKind::Paused);
    QCOMPARE(window.windowTitle(), QString("Debug (Paused)"));
    window.sbStep->click();
    QCOMPARE(DebugState, DebugStateKind::Step);
    QCOMPARE(window.windowTitle(), QString("Debug (Step)"));
    DebugState = DebugStateKind::Paused;  // what the run loop does after the step
    window.SyncCaption();
    QCOMPARE(window.windowTitle(), QString("Debug (Paused)"));
    window.sbPlay->click();
    QCOMPARE(window.windowTitle(), QString("Debug (Running)"));
    QCOMPARE(seen.size(), size_t(3));
  }

  void DebugSwitchShowsBelowTheMainWindowAndOffKeepsTheState() {
    QWidget main;
    main.setGeometry(40, 30, 153, 244);
    main.show();
    TfrmDebug window(nullptr);
    DebugState = DebugStateKind::Paused;
    window.DebugSwitch(true, &main);
    QVERIFY(window.isVisible());
    QCOMPARE(DebugState, DebugStateKind::Running);
    QCOMPARE(window.windowTitle(), QString("Debug (Running)"));
    QCOMPARE(window.width(), main.width());
    QVERIFY(window.pos().y() > main.frameGeometry().bottom());
    QCOMPARE(window.pos().x(), main.frameGeometry().left());

    window.sbPause->click();
    window.DebugSwitch(false, &main);
    QVERIFY(!window.isVisible());
    QCOMPARE(DebugState, DebugStateKind::Paused);
    window.DebugSwitch(true, &main);
    QCOMPARE(DebugState, DebugStateKind::Running);
  }

  void AddingThroughTheDialogAppendsAndDeletingNeedsASelection() {
    MessageHost host;
    TfrmAddWatch addWatch;
    TfrmDebug window(&addWatch);
    z_.IY.w = 0x2000;
    z_.IX.w = 0x3000;
    MemoryImage[0x2005] = 0x11;
    MemoryImage[0x3005] = 0x22;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    testing::WhenModal([&](QWidget*) {
      addWatch.IndexChoices[3]->click();  // "[IY+nn]"
      addWatch.edDesloc->setText("05");
      addWatch.bbOk->click();
    });
    window.sbAddWatch->click();
    testing::WhenModal([&](QWidget*) {
      addWatch.IndexChoices[4]->click();  // "[IX+nn]"
      addWatch.bbOk->click();
    });
    window.sbAddWatch->click();
    QCOMPARE(window.lbWatches->count(), 9);
    // The newest watch is in view, not below the last visible row.
    QVERIFY(window.lbWatches->viewport()->rect().contains(window.lbWatches->visualItemRect(window.lbWatches->item(8))));
    QCOMPARE(window.Watches().ValueText(7), std::string(""));  // nothing stored there yet
    window.Refresh();
    QCOMPARE(window.Watches().ValueText(7), std::string("11"));
    QCOMPARE(window.Watches().ValueText(8), std::string("22"));

    window.lbWatches->clearSelection();
    window.lbWatches->setCurrentRow(-1);
    window.sbDelWatch->click();
    QCOMPARE(host.Messages, std::vector<std::string>{"You need to choose a Watch before delete it!"});
    QCOMPARE(window.lbWatches->count(), 9);

    window.lbWatches->setCurrentRow(0);
    window.sbDelWatch->click();
    QCOMPARE(window.lbWatches->count(), 8);
    QCOMPARE(window.Watches().Count(), 8);
    QCOMPARE(WatchLabel(window.Watches().At(0)), std::string("bptr [DE]"));
    QCOMPARE(host.Messages.size(), size_t(1));
    // The deletion selects no other watch: a second click asks again instead of deleting one more.
    window.sbDelWatch->click();
    QCOMPARE(window.lbWatches->count(), 8);
    QCOMPARE(host.Messages.size(), size_t(2));
  }

  void BinaryWordWatchWidensItsRowInsteadOfCuttingTheValue() {
    TfrmDebug window(nullptr);
    window.show();
    window.Watches().Append("1000,00,5,2,1,?????");
    window.lbWatches->addItem("1000,00,5,2,1,?????");
    const QModelIndex plain = window.lbWatches->model()->index(0, 0);
    const QModelIndex binary = window.lbWatches->model()->index(7, 0);
    QStyleOptionViewItem option;
    option.initFrom(window.lbWatches);
    const int plainWidth = window.lbWatches->itemDelegate()->sizeHint(option, plain).width();
    const int binaryWidth = window.lbWatches->itemDelegate()->sizeHint(option, binary).width();
    QVERIFY(binaryWidth > plainWidth);
    QVERIFY(binaryWidth >= 48 + option.fontMetrics.horizontalAdvance(QString(16, u'0')));
  }
};

}  // namespace tirvane

QTEST_MAIN(tirvane::DebugWindowTest)
#include "debug_window_test.moc"

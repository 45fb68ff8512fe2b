// SPDX-License-Identifier: GPL-3.0-or-later
// The two small dialogs: breakpoint address with its shortcuts, and the add-watch choices, both with
// hexadecimal-only edits.
#include <QLabel>
#include <QLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>
#include <QtTest>

#include "debugger/message_host.h"
#include "debugger/ui/add_watch_dialog.h"
#include "debugger/ui/breakpoint_dialog.h"
#include "debugger/ui/hex_edit.h"
#include "modal.h"

namespace tirvane {

class DialogsTest : public QObject {
  Q_OBJECT

 private slots:
  void HexEditKeepsOnlyHexDigitsUpperCaseAndBackspace() {
    HexEdit edit(nullptr, 4, "");
    QTest::keyClicks(&edit, "1g-z ");
    QTest::keyClicks(&edit, "ab");
    QCOMPARE(edit.text(), QString("1AB"));
    QTest::keyClick(&edit, Qt::Key_Backspace);
    QCOMPARE(edit.text(), QString("1A"));
    QTest::keyClicks(&edit, "F0C9");  // at most four characters
    QCOMPARE(edit.text(), QString("1AF0"));
    QTest::keyClick(&edit, Qt::Key_Left);  // dropped: the cursor stays at the end
    QTest::keyClick(&edit, Qt::Key_Backspace);
    QCOMPARE(edit.text(), QString("1AF"));

    // Text that arrives other than by typing is held to the same rule.
    edit.clear();
    edit.insert("x1");
    QCOMPARE(edit.text(), QString(""));
    edit.insert("c3");
    QCOMPARE(edit.text(), QString("C3"));
  }

  void ShortcutsFillTheFieldAndLeaveTheDialogOpen() {
    TfrmBreakPoint dialog;
    QCOMPARE(dialog.windowTitle(), QString("Add Breakpoints"));
    QCOMPARE(dialog.edAddr->text(), QString("0000"));
    const QStringList captions = {"RST00", "RST08", "RST10", "RST18", "RST20",
                                  "RST28", "RST30", "RST38", "NMI"};
    dialog.layout()->activate();
    for (int i = 0; i < 9; ++i) {
      QToolButton& button = *dialog.SpeedButtons[i];
      QCOMPARE(button.text(), captions[i]);
      // In the dialog's own font, with room for the whole caption.
      QCOMPARE(button.font().pointSizeF(), dialog.font().pointSizeF());
      QVERIFY(button.width() >= button.fontMetrics().horizontalAdvance(captions[i]));
    }

    bool stillOpen = false;
    testing::WhenModal([&](QWidget*) {
      dialog.SpeedButtons[6]->click();
      QCOMPARE(dialog.edAddr->text(), QString("0030"));
      dialog.SpeedButtons[8]->click();
      stillOpen = dialog.isVisible();
      dialog.bbCancel->click();
    });
    QVERIFY(!dialog.Ask({10, 10}).has_value());  // Cancel adds nothing
    QVERIFY(stillOpen);
    QCOMPARE(dialog.edAddr->text(), QString("0066"));

    // The field keeps its text for the next use; OK returns it as shown.
    testing::WhenModal([&](QWidget*) {
      QTest::keyClick(dialog.edAddr, Qt::Key_Backspace);
      QTest::keyClicks(dialog.edAddr, "c");
      dialog.bbOk->click();
    });
    QCOMPARE(dialog.Ask({10, 10}).value_or("none"), std::string("006C"));
    QCOMPARE(dialog.pos(), QPoint(10, 10));

    // Help explains and hands Return back to OK.
    MessageHost host;
    testing::WhenModal([&](QWidget*) {
      dialog.bbHelp->setFocus();
      dialog.bbHelp->click();
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    });
    QCOMPARE(dialog.Ask({10, 10}).value_or("none"), std::string("006C"));
    QCOMPARE(host.Messages, std::vector<std::string>{BreakpointHelpText});
  }

  // Laid out in the desktop's font, no caption is cut short.
  void AddWatchDialogFitsItsTexts() {
    TfrmAddWatch dialog;
    dialog.show();
    for (const QWidget* child : dialog.findChildren<QWidget*>()) {
      const bool hasCaption =
          qobject_cast<const QAbstractButton*>(child) || qobject_cast<const QLabel*>(child);
      if (hasCaption)
        QVERIFY2(child->width() >= child->sizeHint().width(), qPrintable(child->property("text").toString()));
    }
  }

  void AddWatchChoicesBecomeTheWatchText() {
    TfrmAddWatch dialog;
    QCOMPARE(dialog.windowTitle(), QString("Add new Watch"));
    // At first: [nnnn], Hexa, byte ptr, address 0000, displacement 00.
    QCOMPARE(dialog.WatchText(), std::string("0000,00,5,0,0,?????"));

    testing::WhenModal([&](QWidget*) {
      dialog.IndexChoices[3]->click();  // "[IY+nn]"
      dialog.ViewChoices[2]->click();   // "Binary"
      dialog.TypeChoices[1]->click();   // "word ptr"
      dialog.edDesloc->selectAll();
      QTest::keyClicks(dialog.edDesloc, "f0q");
      dialog.bbOk->click();
    });
    QCOMPARE(dialog.Ask({0, 0}).value_or("none"), std::string("0000,F0,4,2,1,?????"));

    // The choices stay for the next use; "[IX+nn]" stores code 3; Cancel gives nothing.
    testing::WhenModal([&](QWidget*) {
      QCOMPARE(dialog.IndexChoices[3]->isChecked(), true);
      dialog.IndexChoices[4]->click();
      QCOMPARE(dialog.WatchText(), std::string("0000,F0,3,2,1,?????"));
      dialog.bbCancel->click();
    });
    QVERIFY(!dialog.Ask({0, 0}).has_value());
  }
};

}  // namespace tirvane

QTEST_MAIN(tirvane::DialogsTest)
#include "dialogs_test.moc"

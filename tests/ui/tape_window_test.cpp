// SPDX-License-Identifier: GPL-3.0-or-later
// The SPECTRUM's tape window: it lists the blocks of the tape in the machine, shows where the tape
// stands, and its buttons and check box act on the deck.
#include <QCheckBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QtTest>

#include "app/ui/tape_window.h"
#include "drivers/home_computer.h"

namespace tirvane {

class TapeWindowTest : public QObject {
  Q_OBJECT
 private slots:
  void ListsTheBlocksAndItsButtonsDriveTheDeck() {
    TapeBlock header;
    header.Data = {0x00, 0x00, 'g', 'a', 'm', 'e', ' ', ' ', ' ', ' ', ' ', ' ', 1, 0, 0, 0, 1, 0, 0};
    TapeBlock data;
    data.Data = {0xFF, 1, 2, 0xFC};
    SpectrumTape.Insert({"game.tap", {header, data}});
    SpectrumTape.Instant = true;

    TapeWindow window;
    QCOMPARE(window.lstBlocks->count(), 2);
    QCOMPARE(window.lstBlocks->item(0)->text(), QString("1  Program: game"));
    QCOMPARE(window.lblPosition->text(), QString("Stopped before block 1 of 2"));
    QVERIFY(!window.btnStop->isEnabled());

    window.btnPlay->click();
    QVERIFY(SpectrumTape.Playing());
    QVERIFY(window.btnStop->isEnabled());
    window.btnStop->click();
    QVERIFY(!SpectrumTape.Playing());
    SpectrumTape.Next = 2;
    window.Refresh();
    QCOMPARE(window.lblPosition->text(), QString("At the end of game.tap"));
    window.btnRewind->click();
    QCOMPARE(SpectrumTape.Next, size_t{0});
    window.chkInstant->setChecked(false);
    QVERIFY(!SpectrumTape.Instant);

    SpectrumTape.Eject();
    SpectrumTape.Instant = true;
    window.Refresh();
    QCOMPARE(window.lstBlocks->count(), 0);
    QCOMPARE(window.lblPosition->text(), QString("No tape"));
  }
};

}  // namespace tirvane

QTEST_MAIN(tirvane::TapeWindowTest)
#include "tape_window_test.moc"

// SPDX-License-Identifier: GPL-3.0-or-later
// The disassembler window: opening sweeps once, the listing scrolls by line and by page, rows are
// 12 pixels, Stop discards the listing, and the next opening sweeps the new machine.
#include "debugger/ui/disasm_window.h"

#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QtTest>

#include "machine/romset.h"
#include "z80/z80.h"

namespace tirvane {

class DisasmWindowTest : public QObject {
  Q_OBJECT

  Z80Context z_{};

  // Sizes the window so that its text area is exactly `pixels` high.
  static void SetTextHeight(TfrmDisasm& window, int pixels) {
    window.show();  // a hidden window takes its new size only when shown
    window.resize(window.width(), window.height() + pixels - window.pbShow->height());
  }

 private slots:
  void init() {
    std::fill(std::begin(MemoryImage), std::end(MemoryImage), 0);
    z_ = Z80Context{};
    z_.MemoryImage = MemoryImage;
    z_.RomLimit = 0x0FFF;
    ActiveContext = &z_;
  }

  void TextAreaHeightGivesTheRowsAndThePageStep() {
    TfrmDisasm window(nullptr);
    QCOMPARE(window.windowTitle(), QString("Z80 Disassembler"));
    SetTextHeight(window, 477);
    QCOMPARE(window.pbShow->height(), 477);
    QCOMPARE(window.VisibleRows(), 39);
    QCOMPARE(window.sbShow->pageStep(), 39);
    // No lines: nothing to scroll, never a negative range.
    QCOMPARE(window.sbShow->minimum(), 0);
    QCOMPARE(window.sbShow->maximum(), 0);
  }

  void OpeningSweepsOnceAndClosingKeepsTheListing() {
    TfrmProgress progress;
    TfrmDisasm window(&progress);
    QWidget main, game;
    main.setGeometry(0, 0, 153, 244);
    game.setGeometry(200, 0, 400, 512);  // room on its right on the 800-pixel test screen
    MemoryImage[0] = 0x3E;               // LD A,05
    MemoryImage[1] = 0x05;
    MemoryImage[0x0FFF] = 0x21;  // LD HL,.... reaches past the limit for its operand

    int highest = -1;
    connect(progress.gProgress, &QProgressBar::valueChanged, [&](int v) { highest = std::max(highest, v); });
    window.OpenOrClose(&main, &game);
    QVERIFY(window.isVisible());
    QVERIFY(!progress.isVisible());
    QVERIFY(highest > 94);  // steps of just over 5 up to the end
    QCOMPARE(window.Lines().front(), std::string("0000LD A,05"));
    QCOMPARE(window.Lines().back().substr(0, 4), std::string("0FFF"));
    QCOMPARE(window.LineCount(), 1 + (0x0FFE - 0x0002 + 1) + 1);  // LD, the NOPs, the last LD
    QCOMPARE(window.height(), game.height());
    QCOMPARE(window.pos().x(), game.frameGeometry().left() + game.frameGeometry().width() + 2);

    window.OpenOrClose(&main, &game);
    QVERIFY(!window.isVisible());
    MemoryImage[0] = 0x00;  // not seen: reopening shows the same listing without a sweep
    window.OpenOrClose(&main, &game);
    QCOMPARE(window.Lines().front(), std::string("0000LD A,05"));
    window.bbHide->click();
    QVERIFY(!window.isVisible());

    // Stop discards; the next opening sweeps the new machine.
    window.DiscardLines();
    QCOMPARE(window.LineCount(), 0);
    QCOMPARE(window.sbShow->maximum(), 0);
    window.OpenOrClose(&main, &game);
    QCOMPARE(window.Lines().front(), std::string("0000NOP"));
  }

  void ScrollingMovesByLineAndByPage() {
    TfrmDisasm window(nullptr);
    SetTextHeight(window, 120);         // 10 rows
    window.Sweep(MemoryImage, 0x00FF);  // 256 NOPs
    QCOMPARE(window.LineCount(), 256);
    QCOMPARE(window.sbShow->maximum(), 256 - 10);
    window.sbShow->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    QCOMPARE(window.sbShow->value(), 1);
    window.sbShow->triggerAction(QAbstractSlider::SliderPageStepAdd);
    QCOMPARE(window.sbShow->value(), 11);

    // A taller window shows more rows and scrolls less far.
    SetTextHeight(window, 240);
    QCOMPARE(window.sbShow->maximum(), 256 - 20);
  }

  void ZeroLimitSweepsAddressZeroAlone() {
    TfrmProgress progress;
    TfrmDisasm window(&progress);
    MemoryImage[0] = 0xC3;  // JP 0000, whose operand lies past the limit
    window.Sweep(MemoryImage, 0);
    QCOMPARE(window.LineCount(), 1);
    QCOMPARE(window.Lines()[0], std::string("0000JP 0000"));
    QCOMPARE(window.sbShow->maximum(), 0);
  }

  void RowsDrawABoldAddressAtFourAndTheTextAtForty() {
    TfrmDisasm window(nullptr);
    SetTextHeight(window, 120);
    window.show();
    for (int i = 0; i < 16; ++i) MemoryImage[i] = 0x76;  // HALT
    window.Sweep(MemoryImage, 0x000F);
    const QImage image = window.pbShow->grab().toImage();
    auto inkInColumns = [&](int from, int to, int row) {
      for (int x = from; x < to; ++x)
        for (int y = row * 12; y < row * 12 + 12; ++y)
          if (qGray(image.pixel(x, y)) < 128) return true;
      return false;
    };
    QCOMPARE(image.pixel(0, 0), qRgb(255, 255, 255));
    QVERIFY(!inkInColumns(0, 4, 0));
    QVERIFY(inkInColumns(4, 36, 0));   // "0000"
    QVERIFY(inkInColumns(40, 80, 0));  // "HALT"
    QVERIFY(inkInColumns(40, 80, 9));  // the tenth row

    // After Stop a visible window shows an empty panel from its next repaint on.
    window.DiscardLines();
    QCOMPARE(window.LineCount(), 0);
  }
};

}  // namespace tirvane

QTEST_MAIN(tirvane::DisasmWindowTest)
#include "disasm_window_test.moc"

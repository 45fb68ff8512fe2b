// SPDX-License-Identifier: GPL-3.0-or-later
// The two tile viewers as windows: the set list and its palette rule, flips that persist, and the
// character viewer's set-up and set spin.
#include <QCheckBox>
#include <QComboBox>
#include <QSpinBox>
#include <QtTest>

#include "debugger/ui/char_set_viewer.h"
#include "debugger/ui/sprite_set_viewer.h"
#include "video/screen.h"

namespace tirvane {

namespace {

// Two 2 x 2 sets: "FIRST" with pens 1-3 in its tiles, "SECOND" all pen 3.
struct Sets {
  Tile a, b;
  TileSet first, second;
  TileSet* array[2] = {&first, &second};
  Sets() {
    a = {2, 2, {1, 2, 3, 0}};
    b = {2, 2, {3, 3, 3, 3}};
    first.Name = "FIRST";
    first.Tiles = {&a};
    first.Count = 1;
    first.Colours = 4;
    second.Name = "SECOND";
    second.Tiles = {&b};
    second.Count = 1;
    second.Colours = 4;
    second.ColourBase = 100;
  }
};
Sets* current = nullptr;
void TwoSets(int& count, TileSet**& sets) {
  count = 2;
  sets = current->array;
}
void NoSets(int& count, TileSet**& sets) {
  count = 0;
  sets = nullptr;
}

uint8_t Pixel(int x, int y) { return Screen->Pixels[static_cast<size_t>(y * BitmapStride + x)]; }

}  // namespace

class ViewerWindowsTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    RgbTable[9] = {200, 100, 50};  // palette index 19
    CreateScreenBitmap();
    for (int i = 0; i < ColourLookupSize; ++i) ColourLookup[i] = static_cast<uint8_t>(i);
  }
  void cleanup() { FreeScreenBitmap(); }

  // Only palette index 19 is lit: pen 1 shows it in palette 2, the second set (pens 3 from colour
  // 100) in no palette.
  void SetsAreListedInOrderAndOpenOnTheFirstPaletteThatShowsAnything() {
    Sets sets;
    current = &sets;
    TfrmSpriteSet viewer;
    QCOMPARE(viewer.windowTitle(), QString("Sprite Sets"));
    viewer.sePalette->setValue(5);
    viewer.Prepare(TwoSets);
    QCOMPARE(viewer.cbSets->count(), 2);
    QCOMPARE(viewer.cbSets->itemText(0), QString("FIRST"));
    QCOMPARE(viewer.cbSets->itemText(1), QString("SECOND"));
    QCOMPARE(viewer.cbSets->currentIndex(), 0);
    QCOMPARE(viewer.sePalette->value(), 2);
    QCOMPARE(Pixel(2, 2), 2 * 4 + 1 + 10);

    viewer.cbSets->setCurrentIndex(1);
    QCOMPARE(viewer.sePalette->value(), 0);
    QCOMPARE(Pixel(2, 2), 100 + 3 + 10);
    viewer.sePalette->setValue(1);
    QCOMPARE(Pixel(2, 2), 104 + 3 + 10);
  }

  void FlipBoxesMirrorAndStayTickedForTheNextOpening() {
    Sets sets;
    current = &sets;
    TfrmSpriteSet viewer;
    viewer.Prepare(TwoSets);
    const int base = 2 * 4 + 10;  // palette 2, the first that shows anything
    viewer.cbFlipX->click();
    QCOMPARE(viewer.Flip(), uint8_t(0x80));
    QCOMPARE(Pixel(3, 2), 1 + base);  // pen 1 moved from left to right within its cell
    QCOMPARE(Pixel(2, 2), 2 + base);

    viewer.Prepare(TwoSets);  // reopened with the box still ticked: drawn flipped at once
    QCOMPARE(Pixel(3, 2), 1 + base);
    viewer.cbFlipY->click();
    QCOMPARE(viewer.Flip(), uint8_t(0xC0));
    QCOMPARE(Pixel(3, 3), 1 + base);  // half a turn
  }

  void NoSetsLeavesAnEmptyListAndAClearedPicture() {
    TfrmSpriteSet viewer;
    Screen->Pixels[0] = 7;
    viewer.Prepare(NoSets);
    QCOMPARE(viewer.cbSets->count(), 0);
    QCOMPARE(Pixel(0, 0), 0);
  }

  void CharacterViewerSetUpAndSetSpin() {
    std::vector<Tile> storage(3, Tile{8, 8, std::vector<uint8_t>(64, 1)});
    std::vector<Tile*> tiles;
    for (Tile& t : storage) tiles.push_back(&t);
    TfrmCharSet viewer;
    viewer.seZoom->setValue(1);
    viewer.sePalette->setValue(4);

    viewer.SetUp(tiles.data(), 3, 1, 1, "Sprites");
    QCOMPARE(viewer.windowTitle(), QString("Sprites"));
    QCOMPARE(viewer.seZoom->value(), 3);
    QCOMPARE(viewer.sePalette->value(), 2);  // pen 1 in palette 2 is index 19, the one lit colour
    QCOMPARE(viewer.seSet->value(), 0);
    QVERIFY(!viewer.seSet->isEnabled());  // one set

    viewer.SetUp(tiles.data(), 3, 1, 3, "Char Sets");
    QVERIFY(viewer.seSet->isEnabled());
    QCOMPARE(viewer.seSet->maximum(), 2);
    viewer.seSet->setValue(2);
    QCOMPARE(viewer.CurrentSet(), 2);
    viewer.seZoom->setValue(2);
    QCOMPARE(viewer.Zoom(), 2);
    viewer.sePalette->setValue(2);
    QCOMPARE(viewer.Palette(), 2);

    // The drawing shows palette 2: pen 1 becomes index 19; the area stays black elsewhere.
    viewer.show();
    const QImage image = viewer.pbScreen->grab().toImage();
    QCOMPARE(image.pixel(0, 0), qRgb(0, 0, 0));
    const Rgb expected = Screen->Palette[19];
    QCOMPARE(image.pixel(3, 3), qRgb(expected.r, expected.g, expected.b));
  }
};

}  // namespace tirvane

QTEST_MAIN(tirvane::ViewerWindowsTest)
#include "viewer_windows_test.moc"

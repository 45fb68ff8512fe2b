// SPDX-License-Identifier: GPL-3.0-or-later
// The main window without a run: the catalogue in the two lists, the controls after creation,
// "Screen 2x", the breakpoint and debug controls, the keyboard and the host's dialogs.
#include <QAction>
#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QMimeData>
#include <QPainter>
#include <QSettings>
#include <QStatusBar>
#include <QtTest>
#include <memory>

#include "app/ui/game_screen.h"
#include "app/ui/key_map.h"
#include "app/ui/settings.h"
#include "support/test_driver.h"
#include "ui_support.h"
#include "video/screen.h"

using namespace tirvane;
using testdriver::TempFolder;
using testdriver::WriteText;

namespace {

QStringList ComboItems(const QComboBox& box) {
  QStringList items;
  for (int i = 0; i < box.count(); ++i) items << box.itemText(i);
  return items;
}

QStringList ListItems(const QListWidget& list) {
  QStringList items;
  for (int i = 0; i < list.count(); ++i) items << list.item(i)->text();
  return items;
}

// The game screen's "Sound" tick.
QAction* SoundTick(TfrmEmulator& window) {
  for (QAction* action : window.frmGameScreen->actions())
    if (action->text() == "Sound" && action->isCheckable()) return action;
  return nullptr;
}

}  // namespace

class MainWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void catalogueFillsTheLists();
  void withoutGalaxianTheFirstDriverIsSelected();
  void emptyFolderGivesEmptyListsAndStartDoesNothing();
  void controlsAfterCreation();
  void ownerDrawnListsUseTheirColours();
  void screen2xResizesTheHiddenGameScreen();
  void breakpointControls();
  void debugBoxSwitchesDebugMode();
  void keysFollowKeyEventsAndFocusLoss();
  void hostHandsDialogsToTests();
  void gameScreenKeepsTheRegionInsideTheBitmap();
  void choicesAreRememberedBetweenLaunches();
  void dropsTakeOneLocalFileOfTheirKind();
};

void MainWindowTest::catalogueFillsTheLists() {
  TempFolder folder("ui-catalogue");
  WriteText(folder / "a.ini", "#TITLE=Zeta\n#driver=GALAXIAN\n");
  WriteText(folder / "b.ini", "#TITLE=Alpha\n#DRIVER=GALAXIAN\n");
  WriteText(folder / "c.ini", "#TITLE=Lower\n#driver=ladybug\n");
  WriteText(folder / "d.ini", "#TITLE=Upper\n#driver=LADYBUG\n");
  WriteText(folder / "e.ini", "#TITLE=Frog\n#driver=FROGGER\n");
  WriteText(folder / "f.ini", "#title=lower-case key\n#driver=FROGGER\n");
  WriteText(folder / "notes.txt", "#TITLE=Not a description\n#driver=GALAXIAN\n");
  TfrmEmulator window(folder.path().string());

  // One entry per exact driver name; names differing only in case stay apart.
  QCOMPARE(ComboItems(*window.cbDrivers), QStringList({"FROGGER", "GALAXIAN", "ladybug", "LADYBUG"}));
  QCOMPARE(window.cbDrivers->currentText(), QString("GALAXIAN"));
  QCOMPARE(ListItems(*window.lbGames), QStringList({"Alpha", "Zeta"}));
  QCOMPARE(window.lbGames->currentRow(), 0);
  QVERIFY(window.lbGames->currentItem()->data(Qt::UserRole).toString().endsWith("/b.ini"));

  // Choosing a driver from the keyboard refills the games and selects the first.
  QTest::keyClick(window.cbDrivers, Qt::Key_Up);
  QCOMPARE(window.cbDrivers->currentText(), QString("FROGGER"));
  const QString untitled = QString::fromStdString(folder / "f.ini");
  QCOMPARE(ListItems(*window.lbGames), QStringList({untitled, "Frog"}));
  QCOMPARE(window.lbGames->currentRow(), 0);

  QVERIFY(testing::SelectGame(window, "ladybug", "Lower"));
  QCOMPARE(ListItems(*window.lbGames), QStringList({"Lower"}));
  QVERIFY(testing::SelectGame(window, "LADYBUG", "Upper"));
  QCOMPARE(ListItems(*window.lbGames), QStringList({"Upper"}));
}

void MainWindowTest::withoutGalaxianTheFirstDriverIsSelected() {
  TempFolder folder("ui-no-galaxian");
  WriteText(folder / "p.ini", "#TITLE=Maze\n#DRIVER=PACMAN\n");
  WriteText(folder / "i.ini", "#TITLE=Aliens\n#DRIVER=INVADERS\n");
  WriteText(folder / "g.ini", "#TITLE=Almost\n#DRIVER=GALAXIANS\n");
  TfrmEmulator window(folder.path().string());
  QCOMPARE(ComboItems(*window.cbDrivers), QStringList({"GALAXIANS", "INVADERS", "PACMAN"}));
  QCOMPARE(window.cbDrivers->currentIndex(), 0);
  QCOMPARE(ListItems(*window.lbGames), QStringList({"Almost"}));
}

void MainWindowTest::emptyFolderGivesEmptyListsAndStartDoesNothing() {
  TempFolder folder("ui-empty");
  TfrmEmulator window(folder.path().string());
  QStringList messages;
  window.Host().MessageBoxHook = [&](const std::string& text) { messages << QString::fromStdString(text); };
  QCOMPARE(window.cbDrivers->count(), 0);
  QCOMPARE(window.lbGames->count(), 0);

  window.sbStart->click();
  QVERIFY(messages.isEmpty());
  QVERIFY(StopRequested);
  QVERIFY(!window.frmGameScreen->isVisible());
  QCOMPARE(window.sbStart->text(), QString("Start"));
  QVERIFY(window.cbDrivers->isEnabled());
  QVERIFY(window.lbGames->isEnabled());
}

void MainWindowTest::controlsAfterCreation() {
  TempFolder folder("ui-controls");
  TfrmEmulator window(folder.path().string());
  window.show();
  QVERIFY(QTest::qWaitForWindowExposed(&window));

  QCOMPARE(window.windowTitle(), QString("Tirvane 0.21"));
  QCOMPARE(window.pos(), QPoint(0, 0));
  QCOMPARE(window.minimumSize(), window.maximumSize());
  QVERIFY(!(window.windowFlags() & Qt::WindowMaximizeButtonHint));
  QVERIFY(window.windowFlags() & Qt::WindowMinimizeButtonHint);

  const std::pair<QToolButton*, const char*> captions[] = {
      {window.sbStart, "Start"},     {window.sbReset, "Reset"},   {window.sbDSW, "DSW"},
      {window.sbSprites, "Sprites"}, {window.sbDisasm, "Disasm"}, {window.sbCart, "Cartridge"}};
  for (const auto& [button, caption] : captions) QCOMPARE(button->text(), QString(caption));
  QCOMPARE(window.lblDrivers->text(), QString("Drivers"));
  QCOMPARE(window.lblGames->text(), QString("Games"));
  QCOMPARE(window.cbDoubleScr->text(), QString("Screen 2x"));
  QCOMPARE(window.cbDebug->text(), QString("Debug"));
  QCOMPARE(window.cbBreakPoint->text(), QString("Break"));
  QCOMPARE(window.sbAddBreak->toolTip(), QString("Add Break Point"));
  QCOMPARE(window.sbDelBreak->toolTip(), QString("Delete Current Break Point"));

  QVERIFY(window.sbStart->isEnabled());
  for (QWidget* off : {window.sbReset, window.sbDSW, window.sbSprites, window.sbDisasm, window.sbCart})
    QVERIFY2(!off->isEnabled(), qPrintable(off->objectName()));
  QVERIFY(window.cbDrivers->isEnabled());
  QVERIFY(window.lbGames->isEnabled());
  QVERIFY(window.cbDoubleScr->isChecked());
  QVERIFY(DoubleScreen);
  QVERIFY(!window.cbDebug->isChecked());
  QVERIFY(!window.cbBreakPoint->isChecked());
  QVERIFY(!BreakpointsEnabled);
  for (QWidget* off : {static_cast<QWidget*>(window.sbAddBreak), static_cast<QWidget*>(window.sbDelBreak),
                       static_cast<QWidget*>(window.cbBreak)})
    QVERIFY2(!off->isEnabled(), qPrintable(off->objectName()));
  QVERIFY(StopRequested);
  QVERIFY(window.StatusPanel->text().startsWith("Stopped"));

  // Only the main window shows; the game screen waits hidden as a borderless-icon tool window.
  QVERIFY(!window.frmGameScreen->isVisible());
  QCOMPARE(window.frmGameScreen->windowTitle(), QString("Game Screen"));
  QVERIFY(window.frmGameScreen->windowFlags() & Qt::Tool);
  QVERIFY(!(window.frmGameScreen->windowFlags() & Qt::WindowCloseButtonHint));
  // Right-clicking the game screen offers "Limit speed", ticked from the start, first.
  QCOMPARE(window.frmGameScreen->contextMenuPolicy(), Qt::ActionsContextMenu);
  QCOMPARE(window.frmGameScreen->actions().first(), window.frmGameScreen->actLimitSpeed);
  QCOMPARE(window.frmGameScreen->actLimitSpeed->text(), QString("Limit speed"));
  QVERIFY(window.frmGameScreen->actLimitSpeed->isChecked());
}

// Colours found in one item's rectangle of a rendered picture.
QSet<QRgb> ColoursIn(const QImage& image, const QRect& rect) {
  QSet<QRgb> colours;
  for (int y = rect.top(); y <= rect.bottom(); ++y)
    for (int x = rect.left(); x <= rect.right(); ++x) colours.insert(image.pixel(x, y) & 0xFFFFFF);
  return colours;
}

void MainWindowTest::ownerDrawnListsUseTheirColours() {
  TempFolder folder("ui-colours");
  WriteText(folder / "a.ini", "#TITLE=Alpha\n#DRIVER=GALAXIAN\n");
  WriteText(folder / "b.ini", "#TITLE=Beta\n#DRIVER=GALAXIAN\n");
  TfrmEmulator window(folder.path().string());
  window.show();
  QVERIFY(QTest::qWaitForWindowExposed(&window));

  // The selected game: grey with white text; the others: the list's face with black text.
  const QImage games = window.lbGames->viewport()->grab().toImage();
  const QSet<QRgb> selected = ColoursIn(games, window.lbGames->visualItemRect(window.lbGames->item(0)));
  const QSet<QRgb> other = ColoursIn(games, window.lbGames->visualItemRect(window.lbGames->item(1)));
  QVERIFY(selected.contains(0x808080) && selected.contains(0xFFFFFF));
  QVERIFY(other.contains(0x000000) && !other.contains(0x808080));

  // A selected driver in the open list: red text on white.
  QImage item(120, 20, QImage::Format_RGB32);
  {
    QPainter painter(&item);
    QStyleOptionViewItem option;
    option.rect = item.rect();
    option.state = QStyle::State_Selected;
    window.cbDrivers->itemDelegate()->paint(&painter, option, window.cbDrivers->model()->index(0, 0));
  }
  const QSet<QRgb> driver = ColoursIn(item, item.rect());
  QVERIFY(driver.contains(0xFFFFFF) && driver.contains(0xFF0000));
  QVERIFY(ColoursIn(item, QRect(0, 0, 18, 20)) == QSet<QRgb>({0xFFFFFF}));  // the name starts 18 pixels in
}

void MainWindowTest::screen2xResizesTheHiddenGameScreen() {
  TempFolder folder("ui-2x");
  TfrmEmulator window(folder.path().string());
  QCOMPARE(window.frmGameScreen->size(), QSize(512, 512));
  window.cbDoubleScr->click();
  QVERIFY(!DoubleScreen);
  QCOMPARE(window.frmGameScreen->size(), QSize(256, 256));
  window.cbDoubleScr->click();
  QVERIFY(DoubleScreen);
  QCOMPARE(window.frmGameScreen->size(), QSize(512, 512));

  // The offscreen screen is 800 x 800: a 256-pixel picture fits three times, not four.
  TfrmGameScreen& screen = *window.frmGameScreen;
  QVERIFY(screen.actScale[2]->isEnabled() && !screen.actScale[3]->isEnabled());
  screen.SetScale(4);  // as a scale remembered from a larger screen
  QCOMPARE(screen.size(), QSize(768, 768));
  window.cbDoubleScr->click();
  window.cbDoubleScr->click();
}

void MainWindowTest::breakpointControls() {
  TempFolder folder("ui-break");
  TfrmEmulator window(folder.path().string());
  QStringList answers = {"12", "1000", "0038", "0038"};
  bool cancel = false;
  window.Debugger.AskBreakpointAddress = [&]() -> std::optional<std::string> {
    if (cancel || answers.isEmpty()) return std::nullopt;
    return answers.takeFirst().toStdString();
  };

  window.cbBreakPoint->click();
  QVERIFY(BreakpointsEnabled);
  QVERIFY(window.sbAddBreak->isEnabled() && window.sbDelBreak->isEnabled() && window.cbBreak->isEnabled());

  // Items sort as text, duplicates kept, and the new item becomes the selected one.
  for (const char* added : {"12", "1000", "0038", "0038"}) {
    window.sbAddBreak->click();
    QCOMPARE(window.cbBreak->currentText(), QString(added));
  }
  QCOMPARE(ComboItems(*window.cbBreak), QStringList({"0038", "0038", "1000", "12"}));
  std::vector<uint16_t> addresses;
  for (int i = 0; i < window.Breakpoints().Count(); ++i) addresses.push_back(window.Breakpoints().Address(i));
  QCOMPARE(addresses, (std::vector<uint16_t>{0x38, 0x38, 0x1000, 0x12}));
  cancel = true;
  window.sbAddBreak->click();
  QCOMPARE(window.cbBreak->count(), 4);

  window.cbBreak->setCurrentIndex(2);
  window.sbDelBreak->click();
  QCOMPARE(ComboItems(*window.cbBreak), QStringList({"0038", "0038", "12"}));
  QCOMPARE(window.cbBreak->currentIndex(), 0);
  QCOMPARE(window.Breakpoints().Count(), 3);
  window.sbDelBreak->click();
  window.sbDelBreak->click();
  window.sbDelBreak->click();
  QCOMPARE(window.cbBreak->count(), 0);
  QCOMPARE(window.cbBreak->currentIndex(), -1);
  window.sbDelBreak->click();  // nothing selected: nothing happens
  QCOMPARE(window.Breakpoints().Count(), 0);

  window.AddBreakpoint("0066");
  window.cbBreakPoint->click();
  QVERIFY(!BreakpointsEnabled);
  QVERIFY(!window.sbAddBreak->isEnabled() && !window.sbDelBreak->isEnabled() && !window.cbBreak->isEnabled());
  QCOMPARE(window.cbBreak->count(), 1);  // unchecking keeps the list
}

void MainWindowTest::debugBoxSwitchesDebugMode() {
  TempFolder folder("ui-debug");
  TfrmEmulator window(folder.path().string());
  DebugState = DebugStateKind::Paused;
  window.cbDebug->click();
  QVERIFY(DebugMode);
  QCOMPARE(DebugState, DebugStateKind::Running);
  QVERIFY(window.StatusPanel->text().contains("debug"));
  window.cbDebug->click();
  QVERIFY(!DebugMode);

  // With the debugger plugged in, it decides the state and the register window.
  std::vector<bool> switched;
  window.Debugger.DebugSwitch = [&](bool on) { switched.push_back(on); };
  DebugState = DebugStateKind::Paused;
  window.cbDebug->setChecked(true);  // as a breakpoint hit ticks it
  window.cbDebug->click();
  QCOMPARE(switched, (std::vector<bool>{true, false}));
  QCOMPARE(DebugState, DebugStateKind::Paused);
  QVERIFY(!DebugMode);
  DebugState = DebugStateKind::Running;
}

void MainWindowTest::keysFollowKeyEventsAndFocusLoss() {
  TempFolder folder("ui-keys");
  TfrmEmulator window(folder.path().string());
  window.show();
  window.frmGameScreen->show();
  QWidget* screen = window.frmGameScreen;

  QTest::keyPress(screen, Qt::Key_Left);
  QTest::keyPress(screen, Qt::Key_Control);
  QTest::keyPress(screen, Qt::Key_A);
  QTest::keyPress(window.lbGames, Qt::Key_F12);  // the main window's keys count too
  QTest::keyPress(screen, Qt::Key_Enter);
  QVERIFY(KeyHeld(VirtualKey::Left) && KeyHeld(VirtualKey::Ctrl) && KeyHeld(VirtualKey::A));
  QVERIFY(KeyHeld(VirtualKey::F12) && KeyHeld(VirtualKey::Return));
  QTest::keyRelease(screen, Qt::Key_Left);
  QVERIFY(!KeyHeld(VirtualKey::Left));
  QVERIFY(KeyHeld(VirtualKey::A));

  // Auto-repeat delivers a release and a press; the key stays held.
  QKeyEvent repeatRelease(QEvent::KeyRelease, Qt::Key_A, Qt::NoModifier, QString("a"), true);
  QCoreApplication::sendEvent(screen, &repeatRelease);
  QVERIFY(KeyHeld(VirtualKey::A));

  // Shift changes the reported key between press and release; the physical key still lets go.
  QKeyEvent press2(QEvent::KeyPress, Qt::Key_2, Qt::NoModifier, 11, 0, 0, "2");
  QCoreApplication::sendEvent(screen, &press2);
  QVERIFY(KeyHeld(VirtualKey::D2));
  QKeyEvent releaseQuote(QEvent::KeyRelease, Qt::Key_QuoteDbl, Qt::ShiftModifier, 11, 0, 0, "\"");
  QCoreApplication::sendEvent(screen, &releaseQuote);
  QVERIFY(!KeyHeld(VirtualKey::D2));
  QTest::keyPress(screen, Qt::Key_Exclam);  // Shift+1 without a scan code
  QVERIFY(KeyHeld(VirtualKey::D1));
  QTest::keyPress(screen, Qt::Key_Asterisk);  // Shift+8: the digit, and the character for boards that type it
  QVERIFY(KeyHeld(VirtualKey::D8) && KeyHeld(VirtualKey::Asterisk));
  QVERIFY(!VirtualKeyFromQtKey(Qt::Key_Insert));  // the save-state shortcut is no game key

  // Losing the focus lets go of everything: the releases would go to another program.
  QEvent deactivate(QEvent::WindowDeactivate);
  QCoreApplication::sendEvent(screen, &deactivate);
  for (int key = 0; key < VirtualKeyCount; ++key) QCOMPARE(KeyState[key], uint8_t{0});
}

void MainWindowTest::hostHandsDialogsToTests() {
  TempFolder folder("ui-host");
  TfrmEmulator window(folder.path().string());
  QtHost& host = window.Host();
  QCOMPARE(&CurrentHost(), static_cast<Host*>(&host));
  QCOMPARE(host.programFolder(), folder.path().string() + "/");

  std::vector<std::string> shown;
  host.MessageBoxHook = [&](const std::string& text) { shown.push_back(text); };
  CurrentHost().messageBox("Invalid Driver:\rXYZ");
  QCOMPARE(shown, std::vector<std::string>{"Invalid Driver:\rXYZ"});

  FileDialogRequest asked;
  host.FileDialogHook = [&](const FileDialogRequest& request) -> std::optional<std::string> {
    asked = request;
    return std::string("/games/jet.sna");
  };
  const auto chosen = CurrentHost().openFileDialog({"Load snapshot", "Snapshots|*.sna", "sna", "/games", ""});
  QCOMPARE(chosen, std::optional<std::string>("/games/jet.sna"));
  QCOMPARE(asked.Title, std::string("Load snapshot"));

  QCOMPARE(QtNameFilters("Snapshots|*.sna"), QStringList({"Snapshots (*.sna)"}));
  QCOMPARE(QtNameFilters("Cartridges|*.col;*.rom|All|*.*"),
           QStringList({"Cartridges (*.col *.rom)", "All (*.*)"}));
  QCOMPARE(QtNameFilters(""), QStringList({"All files (*)"}));

  CurrentHost().setCaption("Maze [PACMAN]");
  QCOMPARE(window.frmGameScreen->windowTitle(), QString("Maze [PACMAN]"));
}

void MainWindowTest::gameScreenKeepsTheRegionInsideTheBitmap() {
  TempFolder folder("ui-region");
  TfrmEmulator window(folder.path().string());
  auto bitmap = std::make_unique<ScreenBitmap>();
  bitmap->Palette[10] = {1, 2, 3};
  bitmap->Pixels[287 * BitmapStride + 255] = 10;
  TfrmGameScreen& screen = *window.frmGameScreen;

  // "Screen 2x" is on: every bitmap pixel is a 2 x 2 block of the picture.
  screen.TakePicture(*bitmap, 250, 280, 100, 100);
  QCOMPARE(screen.Picture().size(), QSize(12, 16));
  QCOMPARE(screen.Picture().pixel(10, 14), qRgb(1, 2, 3));
  QCOMPARE(screen.Picture().pixel(11, 15), qRgb(1, 2, 3));
  QCOMPARE(screen.Picture().pixel(9, 15), qRgb(0, 0, 0));
  screen.TakePicture(*bitmap, -40, -40, 300, 400);
  QCOMPARE(screen.Picture().size(), QSize(512, 576));
  screen.TakePicture(*bitmap, 300, 0, 16, 16);  // nothing visible: the last picture stays
  QCOMPARE(screen.Picture().size(), QSize(512, 576));

  // While the rewind key is held during a run, the screen says so over the picture.
  screen.resize(512, 576);
  StopRequested = false;  // as during a run
  const QImage forwards = screen.grab().toImage();
  RewindHeld = true;
  const QImage backwards = screen.grab().toImage();
  RewindHeld = false;
  StopRequested = true;
  QVERIFY(forwards != backwards);
  QCOMPARE(backwards.pixel(400, 400), forwards.pixel(400, 400));
}

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"

void MainWindowTest::choicesAreRememberedBetweenLaunches() {
  TempFolder folder("ui-settings");
  WriteText(folder.path() / "one.ini", "#TITLE=One\n#driver=AAA\n");
  WriteText(folder.path() / "two.ini", "#TITLE=Two\n#driver=BBB\n");
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                     QString::fromStdString((folder.path() / "settings").string()));
  PersistSettings = true;
  {
    TfrmEmulator window(folder.path().string());
    window.cbDoubleScr->click();
    window.frmGameScreen->actLimitSpeed->setChecked(false);
    QVERIFY(SoundTick(window) && SoundTick(window)->isChecked());
    SoundTick(window)->setChecked(false);
    QVERIFY(testing::SelectGame(window, "BBB", "Two"));
    for (int i = 1; i <= RecentFileCount + 1; ++i) AddRecentFile(QString("/f%1.sna").arg(i));
    AddRecentFile("/f3.sna");  // once only, moved to the front
  }
  TfrmEmulator again(folder.path().string());
  PersistSettings = false;
  QVERIFY(!again.cbDoubleScr->isChecked());
  QVERIFY(!DoubleScreen);
  QVERIFY(!again.frmGameScreen->actLimitSpeed->isChecked());
  QVERIFY(!again.Run.LimitSpeed);
  QVERIFY(SoundTick(again) && !SoundTick(again)->isChecked());
  QCOMPARE(again.cbDrivers->currentText(), QString("BBB"));
  QCOMPARE(again.lbGames->currentItem()->text(), QString("Two"));
  PersistSettings = true;
  QCOMPARE(RecentFiles(), QStringList({"/f3.sna", "/f6.sna", "/f5.sna", "/f4.sna", "/f2.sna"}));
  PersistSettings = false;
  again.cbDoubleScr->click();
}

void MainWindowTest::dropsTakeOneLocalFileOfTheirKind() {
  const struct {
    QList<QUrl> Urls;
    bool Taken;
  } cases[] = {
      {{QUrl::fromLocalFile("/games/a.SNA")}, true},
      {{QUrl::fromLocalFile("/games/a.col")}, true},
      {{QUrl::fromLocalFile("/games/a.ini")}, false},
      {{QUrl::fromLocalFile("/games/a.sna"), QUrl::fromLocalFile("/games/b.sna")}, false},
      {{QUrl("http://example.org/a.sna")}, false},
  };
  for (const auto& c : cases) {
    QMimeData data;
    data.setUrls(c.Urls);
    QCOMPARE(DroppedFile(data, {"sna", "col"}).has_value(), c.Taken);
  }
}

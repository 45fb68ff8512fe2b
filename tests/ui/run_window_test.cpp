// SPDX-License-Identifier: GPL-3.0-or-later
// Runs from the main window: Start and Stop with the enabled states around them, the three
// failure messages, double-click start, closing during a run, a Start inside a stopping run,
// Reset and Cartridge, "Screen 2x" during a run and the picture on the game screen.
#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QSettings>
#include <QtTest>
#include <filesystem>
#include <fstream>
#include <memory>

#include "app/headless_runner.h"
#include "app/ui/game_screen.h"
#include "app/ui/settings.h"
#include "app/ui/state_menu.h"
#include "debugger/ui/workspace.h"
#include "support/test_driver.h"
#include "ui_support.h"
#include "video/png_image.h"
#include "video/screen.h"

using namespace tirvane;
using testdriver::TempFolder;
using testdriver::WriteText;
namespace td = testdriver;

namespace {

// What the controls showed, sampled in one pump of a run.
struct ControlStates {
  QString startCaption;
  bool drivers, games, reset, sprites, disasm, cart, dsw, screenVisible, screenHasFocus;
  QSize screenSize;
  QPoint screenPos, expectedPos;
  QString caption;
};

ControlStates Sample(TfrmEmulator& w) {
  const QRect outer = w.frameGeometry();
  return {w.sbStart->text(),
          w.cbDrivers->isEnabled(),
          w.lbGames->isEnabled(),
          w.sbReset->isEnabled(),
          w.sbSprites->isEnabled(),
          w.sbDisasm->isEnabled(),
          w.sbCart->isEnabled(),
          w.sbDSW->isEnabled(),
          w.frmGameScreen->isVisible(),
          QApplication::activeWindow() == w.frmGameScreen,
          w.frmGameScreen->size(),
          w.frmGameScreen->pos(),
          QPoint(outer.x() + outer.width() + 2, outer.y()),
          w.frmGameScreen->windowTitle()};
}

// The state every stop and every failed start must leave behind.
void VerifyStopped(TfrmEmulator& w) {
  QVERIFY(StopRequested);
  QVERIFY(!w.Run.LoopActive());
  QCOMPARE(w.sbStart->text(), QString("Start"));
  QVERIFY(w.cbDrivers->isEnabled());
  QVERIFY(w.lbGames->isEnabled());
  for (QWidget* off : {w.sbReset, w.sbSprites, w.sbDisasm, w.sbCart, w.sbDSW})
    QVERIFY2(!off->isEnabled(), qPrintable(off->objectName()));
  QVERIFY(!w.frmGameScreen->isVisible());
  QVERIFY(w.frmGameScreen->MayClose);
}

// Runs until the test driver has drawn `frames` frames, lets `inside` act, then clicks Stop.
bool RunFrames(TfrmEmulator& w, int frames, const std::function<void()>& inside = {}) {
  return testing::RunGame(w, [&] {
    if (td::calls.Frames < frames) return;
    if (inside) inside();
    if (w.Run.Running()) w.sbStartClick();
  });
}

// The counter game with more description lines after the shared ones.
std::string WriteCounterGameWith(const TempFolder& folder, const std::string& extraLines) {
  const std::string ini = td::WriteCounterGame(folder, "TESTBOARD");
  std::ofstream(ini, std::ios::app) << extraLines;
  return ini;
}

QColor PatternColour(int x, int y, int frame) {
  const Rgb c = td::PatternColours[td::PatternPixel(x, y, frame) - 10];
  return QColor(c.r, c.g, c.b);
}

}  // namespace

class RunWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { EmulationRun::SetExtraDrivers(td::TestDrivers); }
  void init();
  void cleanup();

  void startAndStopSetTheControls_data();
  void startAndStopSetTheControls();
  void failuresShowTheirMessageThenANewStartWorks_data();
  void failuresShowTheirMessageThenANewStartWorks();
  void doubleClickOrReturnStartsTheSelectedGame();
  void keysDuringARunReachOnlyTheMachine();
  void droppedDescriptionReplacesTheRunningGame();
  void closingTheMainWindowStopsTheRunFirst();
  void startInsideAStoppingRunNeverNests();
  void resetAndCartridgeDuringARun();
  void onlyLoadedCartridgesJoinRecent();
  void insertSavesAndHomeLoadsTheFirstSlot();
  void screen2xDuringARunRescalesThePicture();
  void pictureMatchesTheHeadlessRunner();
  void ladybugScreenSizes();

 private:
  std::unique_ptr<TempFolder> folder_;
  std::unique_ptr<TfrmEmulator> window_;
  QStringList messages_;
  void OpenWindow();
};

void RunWindowTest::init() {
  td::calls = {};
  messages_.clear();
  folder_ = std::make_unique<TempFolder>("ui-run");
}

void RunWindowTest::OpenWindow() {
  window_ = std::make_unique<TfrmEmulator>(folder_->path().string());
  // The speed limit is on from the start, and the run knows it before the first Start.
  QVERIFY(window_->Run.LimitSpeed);
  QVERIFY(window_->StatusPanel->text().contains("speed limit"));
  window_->Host().MessageBoxHook = [this](const std::string& text) {
    messages_ << QString::fromStdString(text);
  };
  // Tests want frames, not wall-clock pacing.
  window_->frmGameScreen->actLimitSpeed->setChecked(false);
  window_->show();
  QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
}

void RunWindowTest::cleanup() {
  window_.reset();
  folder_.reset();
  if (!DoubleScreen) DoubleScreen = true;
}

void RunWindowTest::startAndStopSetTheControls_data() {
  QTest::addColumn<QString>("extra");
  QTest::addColumn<bool>("sprites");
  QTest::addColumn<bool>("cartridge");
  QTest::newRow("sprites and cartridge") << "#sprites=40\n#cartridge=carts\n" << true << true;
  QTest::newRow("neither") << "" << false << false;
}

void RunWindowTest::startAndStopSetTheControls() {
  QFETCH(QString, extra);
  QFETCH(bool, sprites);
  QFETCH(bool, cartridge);
  WriteCounterGameWith(*folder_, extra.toStdString());
  OpenWindow();
  TfrmEmulator& w = *window_;
  w.frmGameScreen->actLimitSpeed->setChecked(true);

  ControlStates during{};
  bool closeAccepted = true;
  QString status;
  const bool finished = testing::RunGame(w, [&] {
    if (td::calls.Frames == 1 && during.startCaption.isEmpty()) {
      during = Sample(w);
      closeAccepted = w.frmGameScreen->close();
    }
    // The status bar measures about twice a second.
    if (w.StatusPanel->text().contains("fps")) {
      status = w.StatusPanel->text();
      during.screenHasFocus = QApplication::activeWindow() == w.frmGameScreen;
      w.sbStartClick();
    }
  });
  QVERIFY(finished);

  QCOMPARE(during.startCaption, QString("Stop"));
  QVERIFY(!during.drivers && !during.games);
  QVERIFY(during.reset && during.disasm);
  QCOMPARE(during.sprites, sprites);
  QCOMPARE(during.cart, cartridge);
  QVERIFY(!during.dsw);
  QVERIFY(during.screenVisible);
  // Keys typed for the machine land on the game screen, not on the main window's Stop button.
  QVERIFY(during.screenHasFocus);
  QCOMPARE(during.caption, QString("Counter [TESTBOARD]"));
  QCOMPARE(during.screenSize, QSize(2 * td::Geometry.Width, 2 * td::Geometry.Height));
  QCOMPARE(during.screenPos, during.expectedPos);
  QVERIFY(!closeAccepted);
  QVERIFY2(status.contains("MHz") && status.contains("speed limit"), qPrintable(status));

  VerifyStopped(w);
  QCOMPARE(td::calls.Stops, 1);
  QVERIFY(!td::calls.ScreenAtStop);  // the bitmap went first, then the loop ended
  QVERIFY(messages_.isEmpty());
  // Stopped, the geometry is back to its defaults; the hidden screen takes them when the box changes.
  w.cbDoubleScr->click();
  QCOMPARE(w.frmGameScreen->size(), QSize(256, 256));
  w.cbDoubleScr->click();
  QCOMPARE(w.frmGameScreen->size(), QSize(512, 512));
}

void RunWindowTest::failuresShowTheirMessageThenANewStartWorks_data() {
  QTest::addColumn<QString>("description");
  QTest::addColumn<QString>("driver");
  QTest::addColumn<QString>("message");
  const QString folder = "%FOLDER%";
  QTest::newRow("missing ROM") << "#TITLE=Broken\n#driver=TESTBOARD\n0000~missing.bin\n"
                               << "TESTBOARD"
                               << "Failed when loading ROMS:\r%FOLDER%missing.bin";
  QTest::newRow("unknown driver")
      << "#TITLE=Broken\n#driver=NoSuchBoard\n"
      << "NoSuchBoard"
      << "Invalid Driver:\rNoSuchBoard\rNo driver of that name, named in %FOLDER%broken.ini";
  QTest::newRow("blank before driver")
      << "#TITLE=Broken\n#driver= TESTBOARD\n"
      << " TESTBOARD"
      << "Invalid Driver:\r TESTBOARD\rNo driver of that name, named in %FOLDER%broken.ini";
  QTest::newRow("item without path") << ""
                                     << "TESTBOARD"
                                     << "Error reading INI file!";
}

void RunWindowTest::failuresShowTheirMessageThenANewStartWorks() {
  QFETCH(QString, description);
  QFETCH(QString, driver);
  QFETCH(QString, message);
  // Its "#title=" key is lower case: the list shows the path, the running game its title.
  const QString counter = QString::fromStdString(td::WriteCounterGame(*folder_, "TESTBOARD"));
  if (!description.isEmpty()) WriteText(*folder_ / "broken.ini", description.toStdString());
  OpenWindow();
  TfrmEmulator& w = *window_;

  if (description.isEmpty()) {
    // The catalogue always writes a path; a damaged item can only be planted.
    auto* item = new QListWidgetItem("Damaged", w.lbGames);
    item->setData(Qt::UserRole, QString("Damaged"));
    w.lbGames->setCurrentItem(item);
  } else {
    QVERIFY(testing::SelectGame(w, driver, "Broken"));
  }
  w.sbStart->click();
  message.replace("%FOLDER%", QString::fromStdString(folder_->path().string() + "/"));
  QCOMPARE(messages_, QStringList({message}));
  VerifyStopped(w);
  QCOMPARE(td::calls.Initialise, 0);

  messages_.clear();
  QVERIFY(testing::SelectGame(w, "TESTBOARD", counter));
  QVERIFY(RunFrames(w, 2));
  QVERIFY(messages_.isEmpty());
  QCOMPARE(td::calls.Initialise, 1);
  QCOMPARE(td::calls.Stops, 1);
  VerifyStopped(w);
}

void RunWindowTest::doubleClickOrReturnStartsTheSelectedGame() {
  const QString path = QString::fromStdString(td::WriteCounterGame(*folder_, "TESTBOARD"));
  WriteText(*folder_ / "other.ini", "#TITLE=Another\n#driver=TESTBOARD\n0000~counter.bin\n");
  OpenWindow();
  TfrmEmulator& w = *window_;
  const auto found = w.lbGames->findItems(path, Qt::MatchExactly);
  QCOMPARE(found.size(), 1);
  QListWidgetItem* counter = found.first();

  QString caption;
  const auto stopAfterTwoFrames = [&] {
    if (td::calls.Frames < 2 || !w.Run.Running()) return;
    caption = w.frmGameScreen->windowTitle();
    w.sbStartClick();
  };
  w.Host().PumpHook = stopAfterTwoFrames;
  // A real double click: press and release, then the double-click press.
  const QPoint at = w.lbGames->visualItemRect(counter).center();
  QTest::mouseClick(w.lbGames->viewport(), Qt::LeftButton, {}, at);
  QTest::mouseDClick(w.lbGames->viewport(), Qt::LeftButton, {}, at);
  QCOMPARE(caption, QString("Counter [TESTBOARD]"));
  QCOMPARE(td::calls.Stops, 1);
  VerifyStopped(w);

  // Return on the selected game starts it the same way.
  caption.clear();
  td::calls.Frames = 0;
  w.Host().PumpHook = stopAfterTwoFrames;
  QTest::keyClick(w.lbGames, Qt::Key_Return);
  w.Host().PumpHook = nullptr;
  QCOMPARE(caption, QString("Counter [TESTBOARD]"));
  QCOMPARE(td::calls.Stops, 2);
}

// A description dropped during a run stops it; the dropped one starts once the loop has ended.
void RunWindowTest::droppedDescriptionReplacesTheRunningGame() {
  td::WriteCounterGame(*folder_, "TESTBOARD");
  const std::string other = *folder_ / "other.ini";
  WriteText(other, "#TITLE=Another\n#driver=TESTBOARD\n0000~counter.bin\n");
  OpenWindow();
  TfrmEmulator& w = *window_;
  QStringList captions;
  QVERIFY(testing::RunGame(w, [&] {
    if (td::calls.Frames < 2) return;
    captions << w.frmGameScreen->windowTitle();
    td::calls.Frames = 0;
    if (captions.size() == 1)
      w.StartDescription(other);
    else
      w.sbStartClick();
  }));
  QCOMPARE(captions, QStringList({"Counter [TESTBOARD]", "Another [TESTBOARD]"}));
  QCOMPARE(td::calls.Stops, 2);
  QCOMPARE(w.lbGames->currentItem()->text(), QString("Another"));
  VerifyStopped(w);
}

// During a run a focused control of the main window never acts on a game key; a text field and a
// window that keeps its keys (the debugger's) keep them from the machine.
void RunWindowTest::keysDuringARunReachOnlyTheMachine() {
  td::WriteCounterGame(*folder_, "TESTBOARD");
  OpenWindow();
  TfrmEmulator& w = *window_;
  QLineEdit field;
  QWidget pane;
  pane.setProperty(KeepsKeysProperty, true);
  pane.setFocusPolicy(Qt::StrongFocus);
  bool heldFromBox = false, heldFromField = true, heldFromPane = true;
  QVERIFY(RunFrames(w, 1, [&] {
    QTest::keyPress(w.cbDoubleScr, Qt::Key_Space);
    heldFromBox = KeyHeld(VirtualKey::Space);
    QTest::keyRelease(w.cbDoubleScr, Qt::Key_Space);
    field.show();
    QApplication::setActiveWindow(&field);
    field.setFocus();
    QTest::keyPress(&field, Qt::Key_A);
    heldFromField = KeyHeld(VirtualKey::A);
    pane.show();
    QApplication::setActiveWindow(&pane);
    pane.setFocus();
    QTest::keyPress(&pane, Qt::Key_B);
    heldFromPane = KeyHeld(VirtualKey::B);
  }));
  QVERIFY(!heldFromPane);
  QVERIFY(heldFromBox);
  QVERIFY(w.cbDoubleScr->isChecked());
  QVERIFY(!heldFromField);
  QCOMPARE(field.text(), QString("a"));
}

void RunWindowTest::closingTheMainWindowStopsTheRunFirst() {
  td::WriteCounterGame(*folder_, "TESTBOARD");
  OpenWindow();
  TfrmEmulator& w = *window_;
  bool closed = false;
  QVERIFY(testing::RunGame(w, [&] {
    if (td::calls.Frames >= 2) closed = w.close();
  }));
  QVERIFY(closed);
  QVERIFY(!w.isVisible());
  QCOMPARE(td::calls.Stops, 1);
  VerifyStopped(w);
}

void RunWindowTest::startInsideAStoppingRunNeverNests() {
  td::WriteCounterGame(*folder_, "TESTBOARD");
  OpenWindow();
  TfrmEmulator& w = *window_;
  int clicks = 0;
  QVERIFY(testing::RunGame(
      w,
      [&] {
        if (td::calls.Frames < 2 || clicks > 0) return;
        clicks = 2;
        w.sbStart->click();  // Stop
        w.sbStart->click();  // Start again, inside the same pump
      },
      10));
  QCOMPARE(td::calls.Initialise, 1);
  QCOMPARE(td::calls.Stops, 1);
  VerifyStopped(w);
}

void RunWindowTest::resetAndCartridgeDuringARun() {
  WriteCounterGameWith(*folder_, "#cartridge=carts\n");
  td::WriteFile(folder_->path() / "cart.bin", {0xAB, 0xCD});
  OpenWindow();
  TfrmEmulator& w = *window_;
  std::vector<FileDialogRequest> asked;
  w.Host().FileDialogHook = [&](const FileDialogRequest& request) -> std::optional<std::string> {
    asked.push_back(request);
    return *folder_ / "cart.bin";
  };
  uint16_t pcAfterReset = 1, spAfterReset = 0;
  uint16_t pcBefore = 0;
  QVERIFY(RunFrames(w, 3, [&] {
    pcBefore = ActiveContext->PC.w;
    w.sbReset->click();
    pcAfterReset = ActiveContext->PC.w;
    spAfterReset = ActiveContext->SP.w;
    w.sbCart->click();
  }));
  QVERIFY(pcBefore >= 3);  // the counter loop never passes through 0
  QCOMPARE(pcAfterReset, uint16_t{0});
  QCOMPARE(spAfterReset, uint16_t{0xF000});
  QCOMPARE(td::calls.Loads, 1);
  QCOMPARE(asked.size(), size_t{1});
  QCOMPARE(MemoryImage[td::LoadAddress], uint8_t{0xAB});

  // A dropped or recent file loads the same way without the dialog; one the loader's filter would not
  // list is refused with a message.
  td::WriteFile(folder_->path() / "other.bin", {0x12});
  QVERIFY(RunFrames(w, 1, [&] {
    w.LoadFileAsCartridge(*folder_ / "game.col");
    w.LoadFileAsCartridge(*folder_ / "other.bin");
  }));
  QCOMPARE(td::calls.Loads, 2);
  QCOMPARE(asked.size(), size_t{1});
  QCOMPARE(MemoryImage[td::LoadAddress], uint8_t{0x12});
  QCOMPARE(messages_.size(), 1);
  QVERIFY(messages_[0].startsWith("This machine does not load that kind of file"));
}

void RunWindowTest::onlyLoadedCartridgesJoinRecent() {
  WriteCounterGameWith(*folder_, "#cartridge=carts\n");
  const std::string good = *folder_ / "good.bin", empty = *folder_ / "empty.bin", state = *folder_ / "junk.state";
  td::WriteFile(good, {0x12});
  td::WriteFile(empty, {});
  td::WriteFile(state, {1, 2, 3});
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, QString::fromStdString(*folder_ / "settings"));
  PersistSettings = true;
  OpenWindow();
  TfrmEmulator& w = *window_;
  w.Host().FileDialogHook = [&](const FileDialogRequest&) -> std::optional<std::string> { return state; };
  QVERIFY(RunFrames(w, 1, [&] {
    w.LoadFileAsCartridge(empty);
    w.LoadFileAsCartridge(good);
    for (QAction* action : w.frmGameScreen->actions())
      if (action->text() == "Load state from…") action->trigger();
  }));
  const QStringList recent = RecentFiles();
  PersistSettings = false;
  QCOMPARE(messages_.size(), 2);  // the empty cartridge and the junk state, each refused
  QCOMPARE(recent, QStringList{QString::fromStdString(good)});
}

void RunWindowTest::insertSavesAndHomeLoadsTheFirstSlot() {
  td::WriteCounterGame(*folder_, "TESTBOARD");
  OpenWindow();
  TfrmEmulator& w = *window_;
  TfrmGameScreen& screen = *w.frmGameScreen;
  uint8_t saved = 0, loaded = 1;
  bool written = false;
  QString status;
  QVERIFY(RunFrames(w, 3, [&] {
    screen.activateWindow();
    QApplication::processEvents();
    saved = MemoryImage[0x8000];
    QTest::keyClick(&screen, Qt::Key_Insert);
    written = std::filesystem::exists(StateSlotPath(w.Run, 1));
    MemoryImage[0x8000] = static_cast<uint8_t>(saved + 1);
    // As if the game had run long since the save: loading takes the counters far back.
    w.Run.SetCounters(w.Run.FramesRun() + 1'000'000'000, w.Run.CyclesRun());
    w.UpdateStatus();
    QTest::keyClick(&screen, Qt::Key_Home);
    loaded = MemoryImage[0x8000];
    w.UpdateStatus();
    status = w.StatusPanel->text();
  }));
  QVERIFY(written);
  QCOMPARE(loaded, saved);
  // The jump is no speed: the figure after the load counts only frames run since.
  QVERIFY2(status.section(' ', 0, 0).toDouble() < 1e6, qPrintable(status));
  QVERIFY(messages_.isEmpty());
}

void RunWindowTest::screen2xDuringARunRescalesThePicture() {
  td::WriteCounterGame(*folder_, "TESTBOARD");
  OpenWindow();
  TfrmEmulator& w = *window_;
  const auto& g = td::Geometry;
  QImage doubled, single;
  QSize doubledSize, singleSize;
  int frame = 0;
  QVERIFY(RunFrames(w, 5, [&] {
    frame = td::calls.Frames;
    doubledSize = w.frmGameScreen->size();
    doubled = w.frmGameScreen->grab().toImage();
    w.cbDoubleScr->click();
    singleSize = w.frmGameScreen->size();
    single = w.frmGameScreen->grab().toImage();
    w.cbDoubleScr->click();
  }));
  QCOMPARE(doubledSize, QSize(2 * g.Width, 2 * g.Height));
  QCOMPARE(singleSize, QSize(g.Width, g.Height));
  QCOMPARE(doubled.size(), doubledSize);
  QCOMPARE(single.size(), singleSize);
  // The visible region starts at the driver's offsets; 2x turns every pixel into a sharp 2 x 2 block.
  for (int y = 0; y < g.Height; ++y)
    for (int x = 0; x < g.Width; ++x) {
      const QColor expected = PatternColour(x + g.OffsetX, y + g.OffsetY, frame);
      QCOMPARE(single.pixelColor(x, y), expected);
      for (int d = 0; d < 4; ++d) QCOMPARE(doubled.pixelColor(2 * x + d % 2, 2 * y + d / 2), expected);
    }

  // The menu's 3x unticks "Screen 2x" and 2x ticks it again (4x, 800 pixels and a frame, is more than
  // the 800-pixel offscreen screen holds, and not offered); full screen centres the largest whole
  // scale on black, and Escape returns to the window.
  TfrmGameScreen& screen = *w.frmGameScreen;
  QImage quadruple, full;
  QSize quadrupleSize;
  bool boxAt4x = true, boxAt2x = false;
  QPoint fullOrigin;
  int fullScale = 0;
  QVERIFY(RunFrames(w, 2, [&] {
    frame = td::calls.Frames;
    QVERIFY(!screen.actScale[3]->isEnabled());
    screen.actScale[2]->trigger();
    boxAt4x = w.cbDoubleScr->isChecked();
    quadrupleSize = screen.size();
    quadruple = screen.grab().toImage();
    screen.actFullScreen->trigger();
    fullScale = screen.ShownScale();
    full = screen.grab().toImage();
    fullOrigin = QPoint(full.width() - g.Width * fullScale, full.height() - g.Height * fullScale) / 2;
    QTest::keyClick(&screen, Qt::Key_Escape);
    screen.actScale[1]->trigger();
    boxAt2x = w.cbDoubleScr->isChecked();
  }));
  QVERIFY(!boxAt4x && boxAt2x);
  QCOMPARE(quadrupleSize, QSize(3 * g.Width, 3 * g.Height));
  QCOMPARE(quadruple.pixelColor(3 * 3 + 2, 3 * 5 + 2), PatternColour(3 + g.OffsetX, 5 + g.OffsetY, frame));
  QCOMPARE(fullScale, std::min(full.width() / g.Width, full.height() / g.Height));
  QCOMPARE(full.pixelColor(fullOrigin + QPoint(3, 5) * fullScale),
           PatternColour(3 + g.OffsetX, 5 + g.OffsetY, frame));
  if (fullOrigin.x() > 0) QCOMPARE(full.pixelColor(0, full.height() / 2), QColor(Qt::black));
  QVERIFY(!screen.isFullScreen());
  QCOMPARE(screen.size(), QSize(2 * g.Width, 2 * g.Height));
}

void RunWindowTest::pictureMatchesTheHeadlessRunner() {
  const std::string ini = td::WriteCounterGame(*folder_, "TESTBOARD");
  constexpr int Frames = 7;
  HeadlessOptions options;
  options.Description = ini;
  options.Frames = Frames;
  const HeadlessResult headless = RunHeadlessJob(options);
  QVERIFY2(headless.Ok, headless.Error.c_str());
  const RgbImage expected = ToRgb(headless.Picture, 2);

  td::calls = {};
  OpenWindow();
  TfrmEmulator& w = *window_;
  QImage shown;
  QVERIFY(RunFrames(w, Frames, [&] { shown = w.frmGameScreen->grab().toImage(); }));
  QCOMPARE(shown.width(), expected.Width);
  QCOMPARE(shown.height(), expected.Height);
  for (int y = 0; y < expected.Height; ++y)
    for (int x = 0; x < expected.Width; ++x) {
      const uint8_t* rgb = &expected.Pixels[(y * expected.Width + x) * 3];
      QCOMPARE(shown.pixelColor(x, y), QColor(rgb[0], rgb[1], rgb[2]));
    }
}

void RunWindowTest::ladybugScreenSizes() {
  QVERIFY(FindDriver("LADYBUG"));
  // A LADYBUG board with variant tag 0 shows 192 x 240; the test driver's ROM is enough to start.
  td::WriteFile(folder_->path() / "counter.bin", td::CounterProgram);
  WriteText(*folder_ / "upright.ini", "#TITLE=Upright\n#driver=LADYBUG\n#drvtag=0\n0000~counter.bin\n");
  WriteText(*folder_ / "wide.ini", "#TITLE=Wide\n#driver=LADYBUG\n#drvtag=1\n0000~counter.bin\n");
  OpenWindow();
  TfrmEmulator& w = *window_;
  const std::pair<const char*, QSize> cases[] = {{"Upright", QSize(384, 480)}, {"Wide", QSize(480, 384)}};
  for (const auto& [title, size] : cases) {
    QVERIFY(testing::SelectGame(w, "LADYBUG", title));
    QSize shown;
    QVERIFY(testing::RunGame(w, [&] {
      shown = w.frmGameScreen->size();
      w.sbStartClick();
    }));
    QVERIFY2(messages_.isEmpty(), qPrintable(messages_.join("; ")));
    QCOMPARE(shown, size);
  }
}

QTEST_MAIN(RunWindowTest)
#include "run_window_test.moc"

// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ui/main_window.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QStylePainter>
#include <QStyledItemDelegate>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <utility>

#include "app/ui/game_screen.h"
#include "app/ui/state_menu.h"
#include "app/ui/typing_menu.h"
#include "app/ui/tape_window.h"
#include "app/ui/qt_host.h"
#include "app/ui/settings.h"
#include "app/ui/sound_output.h"
#include "debugger/ui/window_placement.h"
#include "machine/description.h"
#include "video/screen.h"

namespace tirvane {

namespace {

// Each game item keeps its whole catalogue text (title, character 2, path); the list shows the title.
constexpr int ItemTextRole = Qt::UserRole;

// Item height: the design's 12 pixels, or more when the desktop font needs it.
int ItemHeight(const QWidget& widget) {
  QFont bold = widget.font();
  bold.setBold(true);
  return std::max(12, QFontMetrics(bold).height());
}

class OwnerDrawDelegate : public QStyledItemDelegate {
 public:
  OwnerDrawDelegate(QWidget* owner, OwnerDrawComboBox::DrawItem draw)
      : QStyledItemDelegate(owner), owner_(owner), draw_(std::move(draw)) {}

  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    painter->save();
    draw_(*painter, option.rect, index.row(), option.state.testFlag(QStyle::State_Selected));
    painter->restore();
  }
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    return QSize(QStyledItemDelegate::sizeHint(option, index).width(), ItemHeight(*owner_));
  }

 private:
  QWidget* owner_;
  OwnerDrawComboBox::DrawItem draw_;
};

// The lists draw black text on the button face; under a dark desktop theme that face is dark, so a
// light face is used instead to keep the text readable.
QColor ButtonFace(const QWidget& widget) {
  const QColor face = widget.palette().color(QPalette::Button);
  return face.lightness() >= 128 ? face : QColor(240, 240, 240);
}

void UseButtonFace(QWidget& widget) {
  QPalette colours = widget.palette();
  colours.setColor(QPalette::Base, ButtonFace(widget));
  widget.setPalette(colours);
}

QToolButton* FlatButton(QWidget* parent, const char* name, const char* caption) {
  auto* button = new QToolButton(parent);
  button->setObjectName(name);
  button->setText(caption);
  button->setAutoRaise(true);
  button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  return button;
}

QCheckBox* CheckBox(QWidget* parent, const char* name, const char* caption) {
  auto* box = new QCheckBox(caption, parent);
  box->setObjectName(name);
  return box;
}

}  // namespace

OwnerDrawComboBox::OwnerDrawComboBox(QWidget* parent, DrawItem draw, bool bold)
    : QComboBox(parent), Draw(std::move(draw)) {
  setItemDelegate(new OwnerDrawDelegate(this, Draw));
  UseButtonFace(*this);
  if (bold) {
    QFont boldFont = font();
    boldFont.setBold(true);
    setFont(boldFont);
  }
}

void OwnerDrawComboBox::paintEvent(QPaintEvent*) {
  QStylePainter painter(this);
  QStyleOptionComboBox option;
  initStyleOption(&option);
  option.currentText.clear();
  option.currentIcon = QIcon();
  painter.drawComplexControl(QStyle::CC_ComboBox, option);
  if (currentIndex() < 0 || !Draw) return;
  const QRect field =
      style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this);
  painter.save();
  painter.setClipRect(field);
  Draw(painter, field, currentIndex(), hasFocus());
  painter.restore();
}

TfrmEmulator::TfrmEmulator(std::string programFolder)
    : QMainWindow(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                               Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                               Qt::WindowCloseButtonHint),
      programFolder_(std::move(programFolder)) {
  if (programFolder_.empty()) programFolder_ = QCoreApplication::applicationDirPath().toStdString();
  if (programFolder_.back() != '/') programFolder_ += '/';
  setObjectName("frmEmulator");
  CreateControls();
  FormCreate();

  // The game screen is created second, as the program's start-up orders the windows.
  frmGameScreen = new TfrmGameScreen(this);
  host_ = std::make_unique<QtHost>(*frmGameScreen, this, programFolder_);
  SetHost(host_.get());
  connect(frmGameScreen->actLimitSpeed, &QAction::toggled, this, [this](bool on) {
    Run.LimitSpeed = on;
    if (const auto settings = OpenSettings()) settings->setValue("screen/limitSpeed", on);
    ShowStatus();
  });
  Run.LimitSpeed = frmGameScreen->actLimitSpeed->isChecked();
  // A loaded state shows in the debugger's windows at once, paused or not.
  AddStateMenus(*frmGameScreen, Run, [this] {
    RestartRate();
    if (Run.RefreshRegisters) Run.RefreshRegisters();
    if (Run.DebugRedraw) Run.DebugRedraw();
  });
  Run.History = &History;
  AddHistoryLengthMenu();
  AddTypingMenu(*frmGameScreen, Run);
  AddSpectrumMenu(*frmGameScreen, Run);
  frmGameScreen->ScaleChosen = [this](int scale) {
    const QSignalBlocker blocker(cbDoubleScr);
    cbDoubleScr->setChecked(scale == 2);
    if (const auto settings = OpenSettings()) settings->setValue("screen/scale", scale);
  };
  frmGameScreen->LoadFile = [this](const std::string& path) { LoadFileAsCartridge(path); };
  frmGameScreen->RecentFiles = [] { return RecentFiles(); };
  setAcceptDrops(true);
  RestoreSettings();
  // Connected only now, so that filling the lists does not overwrite the game remembered last time.
  connect(lbGames, &QListWidget::currentItemChanged, this, [](QListWidgetItem* item) {
    const auto settings = OpenSettings();
    if (settings && item)
      settings->setValue("game/last", QString::fromStdString(
                                          GameItemPath(item->data(ItemTextRole).toString().toStdString())));
  });
  ConnectSound();

  statusTimer_.setInterval(500);
  connect(&statusTimer_, &QTimer::timeout, this, &TfrmEmulator::UpdateStatus);
  ShowStatus();
}

TfrmEmulator::~TfrmEmulator() {
  if (Run.Running()) Run.Stop();
  SetHost(nullptr);
}

void TfrmEmulator::CreateControls() {
  auto* panel = new QFrame(this);
  panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  setCentralWidget(panel);
  auto* column = new QVBoxLayout(panel);
  column->setContentsMargins(2, 2, 2, 2);
  column->setSpacing(2);

  auto* buttons = new QGridLayout;
  buttons->setSpacing(2);
  sbStart = FlatButton(panel, "sbStart", "Start");
  sbReset = FlatButton(panel, "sbReset", "Reset");
  sbDSW = FlatButton(panel, "sbDSW", "DSW");
  sbSprites = FlatButton(panel, "sbSprites", "Sprites");
  sbDisasm = FlatButton(panel, "sbDisasm", "Disasm");
  sbCart = FlatButton(panel, "sbCart", "Cartridge");
  buttons->addWidget(sbStart, 0, 0);
  buttons->addWidget(sbReset, 0, 1);
  buttons->addWidget(sbDSW, 0, 2);
  buttons->addWidget(sbSprites, 1, 0);
  buttons->addWidget(sbDisasm, 1, 1);
  buttons->addWidget(sbCart, 1, 2);
  column->addLayout(buttons);

  auto* line = new QFrame(panel);
  line->setFrameStyle(QFrame::HLine | QFrame::Sunken);
  column->addWidget(line);

  lblDrivers = new QLabel("Drivers", panel);
  lblDrivers->setObjectName("lblDrivers");
  column->addWidget(lblDrivers);
  cbDrivers = new OwnerDrawComboBox(
      panel, [this](QPainter& p, const QRect& r, int i, bool s) { cbDriversDrawItem(p, r, i, s); }, true);
  cbDrivers->setObjectName("cbDrivers");
  column->addWidget(cbDrivers);

  lblGames = new QLabel("Games", panel);
  lblGames->setObjectName("lblGames");
  column->addWidget(lblGames);
  lbGames = new QListWidget(panel);
  lbGames->setObjectName("lbGames");
  lbGames->setItemDelegate(new OwnerDrawDelegate(
      lbGames, [this](QPainter& p, const QRect& r, int i, bool s) { lbGamesDrawItem(p, r, i, s); }));
  UseButtonFace(*lbGames);
  // About eight titles show at once, as in the design's 99-pixel list.
  lbGames->setFixedHeight(ItemHeight(*lbGames) * 8 + 2 * lbGames->frameWidth());
  lbGames->setUniformItemSizes(true);
  column->addWidget(lbGames);
  lbGames->installEventFilter(this);

  auto* checks = new QHBoxLayout;
  cbDoubleScr = CheckBox(panel, "cbDoubleScr", "Screen 2x");
  cbDoubleScr->setChecked(true);
  cbDebug = CheckBox(panel, "cbDebug", "Debug");
  sbPause = new QToolButton(panel);
  sbPause->setObjectName("sbPause");
  sbPause->setText("Pause");
  sbPause->setEnabled(false);
  checks->addWidget(cbDoubleScr);
  checks->addStretch();
  checks->addWidget(sbPause);
  checks->addWidget(cbDebug);
  column->addLayout(checks);

  auto* breaks = new QHBoxLayout;
  breaks->setSpacing(2);
  cbBreakPoint = CheckBox(panel, "cbBreakPoint", "Break");
  sbAddBreak = new QToolButton(panel);
  sbAddBreak->setObjectName("sbAddBreak");
  sbAddBreak->setText("+");
  sbAddBreak->setToolTip("Add Break Point");
  sbDelBreak = new QToolButton(panel);
  sbDelBreak->setObjectName("sbDelBreak");
  sbDelBreak->setText("-");
  sbDelBreak->setToolTip("Delete Current Break Point");
  cbBreak = new OwnerDrawComboBox(
      panel, [this](QPainter& p, const QRect& r, int i, bool s) { cbBreakDrawItem(p, r, i, s); }, true);
  cbBreak->setObjectName("cbBreak");
  cbBreak->setMinimumContentsLength(4);
  breaks->addWidget(cbBreakPoint);
  breaks->addWidget(sbAddBreak);
  breaks->addWidget(sbDelBreak);
  breaks->addWidget(cbBreak, 1);
  column->addLayout(breaks);

  // The character tiles have no button of their own: the Sprites button's arrow and the window's
  // context menu offer them.
  actCharSets = new QAction("Char Sets", this);
  actCharSets->setObjectName("actCharSets");
  actCharSets->setEnabled(false);
  sbSprites->addAction(actCharSets);
  auto* spritesMenu = new QMenu(sbSprites);
  spritesMenu->addAction(actCharSets);
  sbSprites->setMenu(spritesMenu);
  sbSprites->setPopupMode(QToolButton::MenuButtonPopup);
  addAction(actCharSets);
  setContextMenuPolicy(Qt::ActionsContextMenu);
  connect(actCharSets, &QAction::triggered, this, [this] {
    if (Debugger.CharSetsClick) Debugger.CharSetsClick();
  });

  StatusPanel = new QLabel(this);
  StatusPanel->setObjectName("StatusPanel");
  statusBar()->addWidget(StatusPanel, 1);
  statusBar()->setSizeGripEnabled(false);
  layout()->setSizeConstraint(QLayout::SetFixedSize);

  connect(sbStart, &QToolButton::clicked, this, &TfrmEmulator::sbStartClick);
  connect(sbReset, &QToolButton::clicked, this, &TfrmEmulator::sbResetClick);
  connect(sbCart, &QToolButton::clicked, this, &TfrmEmulator::sbCartClick);
  connect(sbSprites, &QToolButton::clicked, this, &TfrmEmulator::sbSpritesClick);
  connect(sbDisasm, &QToolButton::clicked, this, &TfrmEmulator::sbDisasmClick);
  connect(cbDrivers, &QComboBox::activated, this, &TfrmEmulator::cbDriversChange);
  connect(lbGames, &QListWidget::itemDoubleClicked, this, &TfrmEmulator::lbGamesDblClick);
  connect(cbDoubleScr, &QCheckBox::toggled, this, &TfrmEmulator::cbDoubleScrClick);
  connect(cbDebug, &QCheckBox::toggled, this, &TfrmEmulator::cbDebugClick);
  connect(sbPause, &QToolButton::clicked, this, &TfrmEmulator::sbPauseClick);
  connect(cbBreakPoint, &QCheckBox::toggled, this, &TfrmEmulator::cbBreakPointClick);
  connect(sbAddBreak, &QToolButton::clicked, this, &TfrmEmulator::sbAddBreakClick);
  connect(sbDelBreak, &QToolButton::clicked, this, &TfrmEmulator::sbDelBreakClick);
}

void TfrmEmulator::FormCreate() {
  setWindowTitle(ApplicationTitle);
  for (QToolButton* button : {sbReset, sbSprites, sbCart, sbDSW, sbDisasm}) button->setEnabled(false);
  PlaceWindow(*this, QPoint(0, 0), nullptr, false);

  LoadCatalogue();

  Controls_.SetDoubleScreen(cbDoubleScr->isChecked());
  cbBreakPoint->setChecked(false);
  cbBreakPointClick();
  Controls_.RequestStop();
}

bool TfrmEmulator::ChangeGamesFolder(const std::string& folder) {
  if (Run.LoopActive() || Run.Running()) return false;
  programFolder_ = folder.empty() || folder.back() == '/' ? folder : folder + '/';
  host_ = std::make_unique<QtHost>(*frmGameScreen, this, programFolder_);
  SetHost(host_.get());
  LoadCatalogue();
  return true;
}

void TfrmEmulator::LoadCatalogue() {
  catalogue_ = BuildGameCatalogue(programFolder_);
  cbDrivers->clear();
  const std::vector<std::string> drivers = CatalogueDrivers(catalogue_);
  for (const std::string& driver : drivers) {
    cbDrivers->addItem(QString::fromStdString(driver));
    cbDrivers->setItemData(cbDrivers->count() - 1, QString::fromStdString(driver), Qt::ToolTipRole);
  }
  cbDrivers->setCurrentIndex(PreselectedDriver(drivers));
  FillGameList();
}

void TfrmEmulator::FillGameList() {
  lbGames->clear();
  if (cbDrivers->currentIndex() < 0) return;
  const std::string driver = cbDrivers->currentText().toStdString();
  for (const std::string& game : CatalogueGames(catalogue_, driver)) {
    const std::string title = game.substr(0, game.find(CatalogueSep2));
    auto* item = new QListWidgetItem(QString::fromStdString(title), lbGames);
    item->setData(ItemTextRole, QString::fromStdString(game));
    // The narrow list cuts long titles short.
    item->setToolTip(item->text());
  }
  if (lbGames->count() > 0) lbGames->setCurrentRow(0);
}

void TfrmEmulator::cbDriversChange() { FillGameList(); }

void TfrmEmulator::cbDriversDrawItem(QPainter& painter, const QRect& rect, int index, bool selected) {
  QFont font = cbDrivers->font();
  font.setBold(true);
  painter.setFont(font);
  painter.fillRect(rect, selected ? QColor(Qt::white) : cbDrivers->palette().color(QPalette::Base));
  painter.setPen(selected ? QColor(Qt::red) : QColor(Qt::black));
  painter.drawText(rect.adjusted(18, 0, 0, 0), Qt::AlignLeft | Qt::AlignTop, cbDrivers->itemText(index));
}

void TfrmEmulator::lbGamesDrawItem(QPainter& painter, const QRect& rect, int index, bool selected) {
  QFont font = lbGames->font();
  font.setBold(selected);
  painter.setFont(font);
  painter.fillRect(rect, selected ? QColor(128, 128, 128) : lbGames->palette().color(QPalette::Base));
  painter.setPen(selected ? QColor(Qt::white) : QColor(Qt::black));
  const QListWidgetItem* item = lbGames->item(index);
  if (item) painter.drawText(rect, Qt::AlignLeft | Qt::AlignTop, item->text());
}

void TfrmEmulator::cbBreakDrawItem(QPainter& painter, const QRect& rect, int index, bool selected) {
  QFont font = cbBreak->font();
  font.setBold(!selected);
  painter.setFont(font);
  painter.fillRect(rect, selected ? QColor(Qt::white) : cbBreak->palette().color(QPalette::Base));
  painter.setPen(selected ? QColor(Qt::red) : QColor(Qt::black));
  painter.drawText(rect.adjusted(2, 0, 0, 0), Qt::AlignLeft | Qt::AlignTop, cbBreak->itemText(index));
}

void TfrmEmulator::SetListsEnabled(bool enabled) {
  cbDrivers->setEnabled(enabled);
  lbGames->setEnabled(enabled);
}

void TfrmEmulator::sbStartClick() {
  // A Start handled inside the pump of a stopping run must not start a run within that run's loop.
  if (!Run.Running() && Run.LoopActive()) return;
  frmGameScreen->PlaceBeside(*this);
  Controls_.ResetGeometry();
  if (Run.Running())
    StopSequence();
  else
    StartSequence();
}

void TfrmEmulator::StartSequence() {
  SetListsEnabled(false);
  const QListWidgetItem* item = lbGames->currentItem();
  if (!item) {
    SetListsEnabled(true);
    return;
  }
  const std::string text = item->data(ItemTextRole).toString().toStdString();
  const size_t separator = text.find(CatalogueSep2);
  if (separator == std::string::npos) {
    host_->messageBox("Error reading INI file!");
    Controls_.RequestStop();
    FreeGameDescription();
    SetListsEnabled(true);
    return;
  }

  StartGame(text.substr(separator + 1));
}

void TfrmEmulator::StartGame(const std::string& firstPath) {
  for (std::string path = firstPath; !path.empty(); path = std::exchange(pendingStart_, {})) {
    SetListsEnabled(false);
    frmGameScreen->PlaceBeside(*this);
    const StartResult started = Run.Start(path);
    if (!started.Ok) {
      host_->messageBox(started.Message);
      SetListsEnabled(true);
      return;
    }
    if (!started.Notice.empty()) host_->messageBox(started.Notice);
    if (Debugger.GameStarted) Debugger.GameStarted(path);
    RunStarted();
  }
}

void TfrmEmulator::RunStarted() {
  frmGameScreen->setWindowTitle(
      QString::fromStdString(Controls_.Description().Title + " [" + Controls_.Description().Driver + "]"));
  frmGameScreen->SizeToGeometry();
  frmGameScreen->PlaceBeside(*this);  // at its new size
  frmGameScreen->ClearPicture();
  frmGameScreen->MayClose = false;
  frmGameScreen->show();
  // Keys typed for the machine must not also press the main window's focused button or box.
  frmGameScreen->raise();
  frmGameScreen->activateWindow();
  frmGameScreen->setFocus();
  sbStart->setText("Stop");
  sbReset->setEnabled(true);
  sbSprites->setEnabled(Controls_.Description().Sprites > 0);
  sbCart->setEnabled(Controls_.Description().HasCartridge == 1);
  sbDisasm->setEnabled(true);
  actCharSets->setEnabled(true);

  Run.LimitSpeed = frmGameScreen->actLimitSpeed->isChecked();
  // A pause left over from an earlier debugging session would freeze the new game with no switch
  // in sight to leave it.
  if (!Controls_.DebugMode()) Controls_.SetDebugState(DebugStateKind::Running);
  statusFrames_ = Run.FramesRun();
  statusCycles_ = Run.CyclesRun();
  statusClock_.start();
  statusFps_ = statusMhz_ = -1;
  statusTimer_.start();
  ShowStatus();
  Run.RunLoop();
  statusTimer_.stop();
  ShowStatus();
}

void TfrmEmulator::StopSequence() {
  Run.Stop();
  sbStart->setText("Start");
  for (QToolButton* button : {sbReset, sbSprites, sbCart}) button->setEnabled(false);
  frmGameScreen->MayClose = true;
  frmGameScreen->hide();
  SetListsEnabled(true);
  sbDisasm->setEnabled(false);
  actCharSets->setEnabled(false);
  if (Debugger.DiscardDisassembly) Debugger.DiscardDisassembly();
}

void TfrmEmulator::sbResetClick() { Run.Reset(); }

void TfrmEmulator::sbCartClick() {
  host_->TakeLastFile();
  const LoadResult loaded = Run.Cartridge();
  if (!loaded.Message.empty()) host_->messageBox(loaded.Message);
  // A file the loader refused is no file to offer again.
  const std::optional<std::string> file = host_->TakeLastFile();
  if (file && loaded.Ok) AddRecentFile(QString::fromStdString(*file));
}

void TfrmEmulator::sbSpritesClick() {
  if (Debugger.SpritesClick) Debugger.SpritesClick();
}

void TfrmEmulator::sbDisasmClick() {
  if (Debugger.DisasmClick) Debugger.DisasmClick();
}

void TfrmEmulator::lbGamesDblClick() { sbStartClick(); }

void TfrmEmulator::cbDoubleScrClick() {
  const int scale = cbDoubleScr->isChecked() ? 2 : 1;
  frmGameScreen->SetScale(scale);
  if (const auto settings = OpenSettings()) settings->setValue("screen/scale", scale);
}

void TfrmEmulator::RestoreSettings() {
  const auto settings = OpenSettings();
  if (!settings) return;
  const int scale = settings->value("screen/scale", frmGameScreen->Scale()).toInt();
  cbDoubleScr->setChecked(scale == 2);
  if (scale > 2) frmGameScreen->SetScale(scale);
  frmGameScreen->actLimitSpeed->setChecked(settings->value("screen/limitSpeed", true).toBool());
  SelectGame(settings->value("game/last").toString().toStdString());
}

bool TfrmEmulator::SelectGame(const std::string& path) {
  for (const std::string& item : catalogue_.Items) {
    const size_t driverEnd = item.find(CatalogueSep1);
    if (driverEnd == std::string::npos || GameItemPath(item.substr(driverEnd + 1)) != path) continue;
    const int driver = cbDrivers->findText(QString::fromStdString(item.substr(0, driverEnd)),
                                           Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (driver < 0) return false;
    cbDrivers->setCurrentIndex(driver);
    FillGameList();
    for (int row = 0; row < lbGames->count(); ++row)
      if (GameItemPath(lbGames->item(row)->data(ItemTextRole).toString().toStdString()) == path)
        lbGames->setCurrentRow(row);
    return true;
  }
  return false;
}

void TfrmEmulator::StartDescription(const std::string& path) {
  SelectGame(path);
  if (Run.Running() || Run.LoopActive()) {
    // The loop turns below this handler: stop it, and the start follows once it has ended.
    pendingStart_ = path;
    if (Run.Running()) sbStartClick();
    return;
  }
  StartGame(path);
}

void TfrmEmulator::LoadFileAsCartridge(const std::string& path) {
  if (!sbCart->isEnabled() || !Run.LoadsFiles()) {
    host_->messageBox("Start a game that loads snapshots or cartridges first:\r" + path);
    return;
  }
  host_->ChooseNextFile(path);
  sbCartClick();
  host_->ChooseNextFile({});  // in case the loader never asked
}

void TfrmEmulator::dragEnterEvent(QDragEnterEvent* event) {
  if (DroppedFile(*event->mimeData(), {"ini"})) event->acceptProposedAction();
}

void TfrmEmulator::dropEvent(QDropEvent* event) {
  const std::optional<std::string> file = DroppedFile(*event->mimeData(), {"ini"});
  if (!file) return;
  event->acceptProposedAction();
  // After the drop has been answered: a start runs the game inside the handler that makes it.
  QTimer::singleShot(0, this, [this, path = *file] { StartDescription(path); });
}

void TfrmEmulator::cbDebugClick() {
  Controls_.SetDebugMode(cbDebug->isChecked());
  if (Debugger.DebugSwitch)
    Debugger.DebugSwitch(Controls_.DebugMode());
  else if (Controls_.DebugMode())
    Controls_.SetDebugState(DebugStateKind::Running);
  ShowStatus();
}

void TfrmEmulator::sbPauseClick() {
  if (!Run.Running()) return;
  const bool pause = Controls_.DebugState() != DebugStateKind::Paused;
  if (Debugger.SetPaused)
    Debugger.SetPaused(pause);
  else
    Controls_.SetDebugState(pause ? DebugStateKind::Paused : DebugStateKind::Running);
  ShowStatus();
}

void TfrmEmulator::cbBreakPointClick() {
  Controls_.SetBreakpointsEnabled(cbBreakPoint->isChecked());
  for (QWidget* control :
       {static_cast<QWidget*>(sbAddBreak), static_cast<QWidget*>(sbDelBreak), static_cast<QWidget*>(cbBreak)})
    control->setEnabled(Controls_.BreakpointsEnabled());
}

void TfrmEmulator::sbAddBreakClick() {
  if (!Debugger.AskBreakpointAddress) return;
  if (const std::optional<std::string> address = Debugger.AskBreakpointAddress()) AddBreakpoint(*address);
}

void TfrmEmulator::AddBreakpoint(const std::string& text) {
  const int index = breakpoints_.Add(text);
  cbBreak->insertItem(index, QString::fromStdString(text));
  cbBreak->setCurrentIndex(index);
}

void TfrmEmulator::sbDelBreakClick() {
  const int index = cbBreak->currentIndex();
  if (index < 0) return;
  breakpoints_.RemoveAt(index);
  cbBreak->removeItem(index);
  cbBreak->setCurrentIndex(cbBreak->count() > 0 ? 0 : -1);
}

// The "Sound" tick joins the game screen's menu here, remembered between launches.
void TfrmEmulator::ConnectSound() {
  sound_ = new SoundOutput(this);
  auto* actSound = new QAction("Sound", frmGameScreen);
  actSound->setCheckable(true);
  const auto settings = OpenSettings();
  actSound->setChecked(!settings || settings->value("sound/on", true).toBool());
  frmGameScreen->addAction(actSound);
  sound_->SetEnabled(actSound->isChecked());
  connect(actSound, &QAction::toggled, this, [this](bool on) {
    if (const auto settings = OpenSettings()) settings->setValue("sound/on", on);
    sound_->SetEnabled(on);
  });
  Run.SoundOut = [this](std::span<const int16_t> samples, bool audible) { sound_->Play(samples, audible); };
  // Once the window shows: a message shown before would sit on top of the status panel.
  if (!sound_->Available())
    QTimer::singleShot(0, this, [this] { statusBar()->showMessage("No audio device: no sound", 10000); });
}

void TfrmEmulator::closeEvent(QCloseEvent* event) { FormClose(event); }

bool TfrmEmulator::eventFilter(QObject* watched, QEvent* event) {
  // Return on a game starts it, as a double click does.
  if (watched == lbGames && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if ((key == Qt::Key_Return || key == Qt::Key_Enter) && lbGames->currentItem()) {
      lbGamesDblClick();
      return true;
    }
  }
  return QMainWindow::eventFilter(watched, event);
}

void TfrmEmulator::FormClose(QCloseEvent* event) {
  if (Run.Running()) sbStartClick();
  event->accept();
}

void TfrmEmulator::UpdateStatus() {
  const double seconds = statusClock_.nsecsElapsed() / 1e9;
  if (seconds <= 0) return;
  // Rewinding runs the counters backwards: the figures are the speed either way.
  const auto moved = [](uint64_t now, uint64_t then) { return static_cast<double>(now > then ? now - then : then - now); };
  statusFps_ = moved(Run.FramesRun(), statusFrames_) / seconds;
  statusMhz_ = moved(Run.CyclesRun(), statusCycles_) / seconds / 1e6;
  statusFrames_ = Run.FramesRun();
  statusCycles_ = Run.CyclesRun();
  statusClock_.restart();
  ShowStatus();
}

void TfrmEmulator::RestartRate() {
  statusFrames_ = Run.FramesRun();
  statusCycles_ = Run.CyclesRun();
  statusClock_.restart();
}

void TfrmEmulator::ShowStatus() {
  sbPause->setEnabled(Run.Running());
  sbPause->setText(Run.Running() && Controls_.DebugState() == DebugStateKind::Paused ? "Resume" : "Pause");
  const QString mode = Controls_.DebugMode() ? "debug" : Run.LimitSpeed ? "speed limit" : "full speed";
  if (!Run.Running())
    StatusPanel->setText("Stopped, " + mode);
  else if (Controls_.DebugState() == DebugStateKind::Paused)
    StatusPanel->setText("Paused, " + mode);
  else if (statusFps_ < 0)
    StatusPanel->setText("Running, " + mode);
  else
    StatusPanel->setText(
        QString("%1 fps, %2 MHz, %3").arg(statusFps_, 0, 'f', 0).arg(statusMhz_, 0, 'f', 2).arg(mode));
}

}  // namespace tirvane

namespace tirvane {

// How far back rewinding and stepping back reach, kept between launches.
void TfrmEmulator::AddHistoryLengthMenu() {
  const auto settings = OpenSettings();
  History.SetLength(settings ? settings->value("history/seconds", 60).toInt() : 60);
  auto* menu = new QMenu("History length", frmGameScreen);
  menu->setObjectName("mnuHistoryLength");
  auto* group = new QActionGroup(menu);
  for (const int seconds : {10, 30, 60, 120, 300, 600}) {
    QAction* action = group->addAction(QString("%1 s").arg(seconds));
    action->setCheckable(true);
    action->setChecked(seconds == History.Length());
    connect(action, &QAction::triggered, this, [this, seconds] {
      History.SetLength(seconds);
      if (const auto kept = OpenSettings()) kept->setValue("history/seconds", seconds);
    });
    menu->addAction(action);
  }
  frmGameScreen->addAction(menu->menuAction());
}

}  // namespace tirvane

// SPDX-License-Identifier: GPL-3.0-or-later
#include "debugger/ui/list_panes.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QListWidget>
#include <QPushButton>
#include <QScrollArea>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "machine/description.h"
#include "machine/romset.h"
#include "debugger/breakpoints.h"
#include "debugger/ui/add_watch_dialog.h"
#include "debugger/ui/char_set_viewer.h"
#include "debugger/ui/debug_window.h"
#include "debugger/ui/pane_font.h"
#include "drivers/driver.h"
#include "video/host.h"

namespace tirvane {

namespace {

QPushButton* Button(QWidget* parent, const char* name, const QString& text) {
  auto* button = new QPushButton(text, parent);
  button->setObjectName(name);
  return button;
}

}  // namespace

WatchPane::WatchPane(TfrmDebug& registers, TfrmAddWatch* addWatch, QWidget* parent)
    : QWidget(parent), registers_(registers), addWatch_(addWatch) {
  setObjectName("watchPane");
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(2, 2, 2, 2);
  List = new QTreeWidget(this);
  List->setObjectName("watchList");
  List->setHeaderLabels({"Watch", "Value"});
  List->setRootIsDecorated(false);
  List->setFont(PaneFont());
  List->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
  layout->addWidget(List, 1);
  auto* buttons = new QHBoxLayout;
  Add = Button(this, "watchAdd", "Add…");
  Remove = Button(this, "watchRemove", "Remove");
  buttons->addWidget(Add);
  buttons->addWidget(Remove);
  buttons->addStretch(1);
  layout->addLayout(buttons);
  connect(Add, &QPushButton::clicked, this, &WatchPane::AddClicked);
  connect(Remove, &QPushButton::clicked, this, &WatchPane::RemoveClicked);
  Refresh();
}

void WatchPane::Refresh() {
  WatchList& watches = registers_.Watches();
  if (ActiveContext != nullptr) watches.Sample(*ActiveContext, MemoryImage);
  while (List->topLevelItemCount() > watches.Count()) delete List->takeTopLevelItem(List->topLevelItemCount() - 1);
  while (List->topLevelItemCount() < watches.Count()) List->addTopLevelItem(new QTreeWidgetItem);
  for (int i = 0; i < watches.Count(); ++i) {
    QTreeWidgetItem* item = List->topLevelItem(i);
    const QString label = QString::fromStdString(WatchLabel(watches.At(i)));
    const QString value = QString::fromStdString(watches.ValueText(i));
    if (item->text(0) != label) item->setText(0, label);
    if (item->text(1) != value) item->setText(1, value);
  }
}

void WatchPane::AddClicked() {
  if (addWatch_ == nullptr) return;
  const std::optional<std::string> text = addWatch_->Ask(mapToGlobal(QPoint(16, 16)));
  if (!text) return;
  // Through the register window's own list, so the classic window shows the same watches.
  registers_.Watches().Append(*text);
  registers_.lbWatches->addItem(QString::fromStdString(*text));
  registers_.lbWatches->scrollToBottom();
  Refresh();
  List->scrollToItem(List->topLevelItem(List->topLevelItemCount() - 1));
}

void WatchPane::RemoveClicked() {
  const int row = List->indexOfTopLevelItem(List->currentItem());
  if (row < 0) {
    CurrentHost().messageBox("You need to choose a Watch before delete it!");
    return;
  }
  registers_.Watches().RemoveAt(row);
  delete registers_.lbWatches->takeItem(row);
  Refresh();
  // The selection stays on the same row, so a second click never removes another watch unasked.
  List->setCurrentItem(nullptr);
}

BreakpointPane::BreakpointPane(const BreakpointControls& controls, QWidget* parent)
    : QWidget(parent), controls_(controls) {
  setObjectName("breakpointPane");
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(2, 2, 2, 2);
  Enabled = new QCheckBox("Stop at breakpoints", this);
  Enabled->setObjectName("breakpointsEnabled");
  Enabled->setToolTip("The main window's \"Break\" box");
  layout->addWidget(Enabled);
  List = new QListWidget(this);
  List->setObjectName("breakpointList");
  List->setFont(PaneFont());
  layout->addWidget(List, 1);
  auto* buttons = new QHBoxLayout;
  Add = Button(this, "breakpointAdd", "Add…");
  Remove = Button(this, "breakpointRemove", "Remove");
  buttons->addWidget(Add);
  buttons->addWidget(Remove);
  buttons->addStretch(1);
  layout->addLayout(buttons);

  connect(Enabled, &QCheckBox::clicked, this, [this](bool on) {
    if (controls_.SetEnabled) controls_.SetEnabled(on);
    Refresh();
  });
  connect(Add, &QPushButton::clicked, this, [this] {
    if (!controls_.Ask || !controls_.Add) return;
    if (const std::optional<std::string> text = controls_.Ask()) {
      if (controls_.SetEnabled) controls_.SetEnabled(true);
      controls_.Add(*text);
    }
    Refresh();
  });
  connect(Remove, &QPushButton::clicked, this, [this] {
    const int row = List->currentRow();
    if (row >= 0 && controls_.Remove) controls_.Remove(row);
    Refresh();
  });
  Refresh();
}

void BreakpointPane::Refresh() {
  const bool enabled = controls_.Enabled && controls_.Enabled();
  if (Enabled->isChecked() != enabled) Enabled->setChecked(enabled);
  static const std::vector<std::string> none;
  const std::vector<std::string>& items = controls_.List != nullptr ? controls_.List->Items() : none;
  if (items == shown_) return;
  shown_ = items;
  const int row = List->currentRow();
  List->clear();
  for (const std::string& item : items) List->addItem(QString::fromStdString(item));
  if (row >= 0 && row < List->count()) List->setCurrentRow(row);
}

bool BreakpointPane::Has(uint16_t address) const {
  return controls_.List != nullptr && controls_.List->Contains(address);
}

void BreakpointPane::Toggle(uint16_t address) {
  if (controls_.List == nullptr || !controls_.Add || !controls_.Remove) return;
  if (Has(address)) {
    for (int i = controls_.List->Count() - 1; i >= 0; --i)
      if (controls_.List->Address(i) == address) controls_.Remove(i);
  } else {
    if (controls_.SetEnabled) controls_.SetEnabled(true);
    controls_.Add(FormatHex(address, 4));
  }
  Refresh();
}

TilePane::TilePane(std::function<void()> spriteSets, QWidget* parent) : QWidget(parent) {
  setObjectName("tilePane");
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(2, 2, 2, 2);
  auto* bar = new QHBoxLayout;
  Which = new QComboBox(this);
  Which->setObjectName("tileWhich");
  Which->addItems({"Characters", "Sprites"});
  SpriteSets = Button(this, "tileSpriteSets", "Sprite sets…");
  SpriteSets->setToolTip("The driver's decoded sprite sets, in their own window");
  SpriteSets->setEnabled(static_cast<bool>(spriteSets));
  bar->addWidget(Which);
  bar->addWidget(SpriteSets);
  bar->addStretch(1);
  layout->addLayout(bar);
  // The viewer of the classic windows, embedded: it keeps its own controls and drawing.
  Viewer = new TfrmCharSet;
  Viewer->setWindowFlags(Qt::Widget);
  Viewer->bbOk->hide();
  auto* scroll = new QScrollArea(this);
  scroll->setWidget(Viewer);
  layout->addWidget(scroll, 1);
  connect(Which, &QComboBox::currentIndexChanged, this, [this] {
    shownTiles_ = nullptr;
    shownCount_ = -1;
    Refresh();
  });
  connect(SpriteSets, &QPushButton::clicked, this, [spriteSets] {
    if (spriteSets) spriteSets();
  });
}

void TilePane::Refresh() {
  const bool sprites = Which->currentIndex() == 1;
  Tile* const* tiles = sprites ? SpriteTiles : CharTiles;
  const int count = sprites ? SpriteTileCount : CharTileCount;
  if (tiles == shownTiles_ && count == shownCount_) return;
  shownTiles_ = tiles;
  shownCount_ = count;
  Viewer->SetUp(tiles, count, sprites ? 64 : 256, Game.CharSets, sprites ? "Sprites" : "Char Sets");
  Viewer->update();
}

}  // namespace tirvane

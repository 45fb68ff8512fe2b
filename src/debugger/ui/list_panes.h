// SPDX-License-Identifier: GPL-3.0-or-later
// The workspace's list panes: the watches (the register window's own list, so both show the same),
// the breakpoints (the main window's list, changed through it), and the tile viewer.
#pragma once

#include <QWidget>
#include <functional>
#include <optional>
#include <string>

class QCheckBox;
class QComboBox;
class QListWidget;
class QPushButton;
class QTreeWidget;

namespace tirvane {

class BreakpointList;
class TfrmAddWatch;
class TfrmCharSet;
class TfrmDebug;

class WatchPane : public QWidget {
  Q_OBJECT

 public:
  WatchPane(TfrmDebug& registers, TfrmAddWatch* addWatch, QWidget* parent = nullptr);

  // Samples the watches and shows their values.
  void Refresh();
  void AddClicked();
  void RemoveClicked();

  QTreeWidget* List;
  QPushButton *Add, *Remove;

 private:
  TfrmDebug& registers_;
  TfrmAddWatch* addWatch_;
};

// What the breakpoint pane does through the main window, which owns the list and the "Break" box.
struct BreakpointControls {
  const BreakpointList* List = nullptr;
  std::function<std::optional<std::string>()> Ask;  // the add-breakpoint dialog
  std::function<void(const std::string&)> Add;
  std::function<void(int index)> Remove;
  std::function<bool()> Enabled;
  std::function<void(bool)> SetEnabled;
};

class BreakpointPane : public QWidget {
  Q_OBJECT

 public:
  BreakpointPane(const BreakpointControls& controls, QWidget* parent = nullptr);

  // Relists when the main window's list changed.
  void Refresh();
  // F9: removes every breakpoint on address, or adds one there and ticks "Break".
  void Toggle(uint16_t address);
  bool Has(uint16_t address) const;

  QListWidget* List;
  QCheckBox* Enabled;
  QPushButton *Add, *Remove;

 private:
  const BreakpointControls& controls_;
  std::vector<std::string> shown_;
};

class TilePane : public QWidget {
  Q_OBJECT

 public:
  explicit TilePane(std::function<void()> spriteSets, QWidget* parent = nullptr);

  // Points the viewer at the running machine's tiles when they changed.
  void Refresh();

  QComboBox* Which;  // "Characters", "Sprites"
  TfrmCharSet* Viewer;
  QPushButton* SpriteSets;

 private:
  const void* shownTiles_ = nullptr;
  int shownCount_ = -1;
};

}  // namespace tirvane

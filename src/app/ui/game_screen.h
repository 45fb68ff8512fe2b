// SPDX-License-Identifier: GPL-3.0-or-later
// The game screen window: shows the newest picture the machine presented, at 1x or 2x.
#pragma once

#include <QElapsedTimer>
#include <QImage>
#include <QStringList>
#include <QTimer>
#include <QWidget>
#include <array>
#include <functional>
#include <optional>
#include <string>

#include "run/run_controls.h"
#include "video/screen.h"

class QAction;
class QMenu;
class QMimeData;

namespace tirvane {

class TfrmGameScreen : public QWidget {
  Q_OBJECT

 public:
  explicit TfrmGameScreen(QWidget* owner);

  // Clear while a run is active: the user cannot close the window then.
  bool MayClose = true;
  // Context menu items. actLimitSpeed ticked: the run paces frames to the machine's real rate.
  QAction* actLimitSpeed;
  std::array<QAction*, 4> actScale;  // 1x to 4x
  QAction* actFullScreen;
  QMenu* mnuRecent;  // the last snapshots and cartridges, filled when the menu opens

  // A whole-number scale of 1 to 4. Scale 2 is "Screen 2x": DoubleScreen follows the scale.
  void SetScale(int scale);
  int Scale() const { return chosenScale_ != 0 ? chosenScale_ : controls_.DoubleScreen() ? 2 : 1; }
  // Full screen shows the picture at the largest whole scale that fits, centred on black.
  void SetFullScreen(bool on);
  // The scale the picture is painted at now.
  int ShownScale() const;
  // The largest scale at which the game's picture and the window's frame fit the screen (at least 1).
  int FittingScale() const;

  // Set by the main window: a scale picked from the menu (to keep "Screen 2x" in step), and a
  // snapshot or cartridge dropped on the screen or picked from "Recent".
  std::function<void(int scale)> ScaleChosen;
  std::function<void(const std::string& path)> LoadFile;
  // Names of the recent files, newest first; set by the main window.
  std::function<QStringList()> RecentFiles;

  // Client area ScreenWidth x ScreenHeight times the scale; full screen keeps its size.
  void SizeToGeometry();
  // Top edge with the owner's, left edge 2 pixels past the owner's outer right edge; elsewhere on the
  // owner's screen when that would leave the screen or cover another of our windows.
  void PlaceBeside(const QWidget& owner);
  // Takes the newest picture and schedules a repaint; emulation never waits for painting.
  void TakePicture(const ScreenBitmap& bitmap, int x, int y, int width, int height);
  // Until the next run presents, the screen shows its background rather than the last game.
  void ClearPicture();
  // The picture as it will be painted next, already at 2x under DoubleScreen.
  const QImage& Picture() {
    CopyPending();
    return picture_;
  }
  int PaintCount() const { return paintCount_; }

 protected:
  void closeEvent(QCloseEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  void CreateContextMenu();
  void FillRecentMenu();
  void FormClose(QCloseEvent* event);
  void FormPaint();
  void CopyPending();
  void CopyRegion(const ScreenBitmap& bitmap, const QRect& region);

  QImage picture_;
  // A picture of the run's bitmap not yet copied, and its region inside it.
  bool pending_ = false;
  QRect pendingRegion_;
  int pictureScale_ = 1;
  RunControls& controls_ = Controls();
  std::array<Rgb, 256> palette_{};
  std::array<QRgb, 256> colours_{};  // palette_ as Qt colours
  bool coloursValid_ = false;
  // Repaints wait for this timer so that they come at most once per display refresh.
  QTimer repaintTimer_;
  QElapsedTimer sinceLastRepaint_;
  int paintIntervalMs_ = 16;
  int paintCount_ = 0;
  int chosenScale_ = 0;  // 3 or 4 when picked from the menu; 0 follows "Screen 2x"
  QPoint normalPos_;     // where the window stood before full screen
};

// A snapshot or cartridge the game screen takes from a drop: one local .sna or .col file.
std::optional<std::string> DroppedFile(const QMimeData& data, const QStringList& suffixes);

}  // namespace tirvane

// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ui/game_screen.h"

#include <QAction>
#include <QActionGroup>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QScreen>
#include <QSignalBlocker>
#include <QUrl>
#include <algorithm>
#include <cmath>
#include <cstring>

#include "debugger/ui/window_placement.h"
#include "run/run.h"

namespace tirvane {

namespace {
constexpr Qt::WindowFlags ToolFlags = Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint;
}  // namespace

TfrmGameScreen::TfrmGameScreen(QWidget* owner)
    : QWidget(owner, ToolFlags) {
  setObjectName("frmGameScreen");
  setWindowTitle("Game Screen");
  setFocusPolicy(Qt::StrongFocus);
  // Every pixel is painted each time; letting Qt erase first would only cost time.
  setAttribute(Qt::WA_OpaquePaintEvent);

  CreateContextMenu();
  setAcceptDrops(true);

  repaintTimer_.setSingleShot(true);
  repaintTimer_.setTimerType(Qt::PreciseTimer);
  // Timed from the request, not the paint: Qt paints a little later, and pictures presented in
  // between must not ask for a second paint.
  connect(&repaintTimer_, &QTimer::timeout, this, [this] {
    sinceLastRepaint_.restart();
    update();
  });
  sinceLastRepaint_.start();
  SizeToGeometry();
}

// The menu is the window's action list, so other parts of the program add their entries with
// addAction and they show in the order added.
void TfrmGameScreen::CreateContextMenu() {
  setContextMenuPolicy(Qt::ActionsContextMenu);
  actLimitSpeed = new QAction("Limit speed", this);
  actLimitSpeed->setCheckable(true);
  actLimitSpeed->setChecked(true);
  addAction(actLimitSpeed);

  auto* separator = new QAction(this);
  separator->setSeparator(true);
  addAction(separator);
  auto* scales = new QActionGroup(this);
  for (int scale = 1; scale <= 4; ++scale) {
    QAction* action = scales->addAction(QString("%1x").arg(scale));
    action->setCheckable(true);
    connect(action, &QAction::triggered, this, [this, scale] {
      SetScale(scale);
      if (ScaleChosen) ScaleChosen(scale);
    });
    addAction(action);
    actScale[static_cast<size_t>(scale - 1)] = action;
  }
  actScale[static_cast<size_t>(Scale() - 1)]->setChecked(true);
  actFullScreen = new QAction("Full screen", this);
  actFullScreen->setCheckable(true);
  connect(actFullScreen, &QAction::toggled, this, &TfrmGameScreen::SetFullScreen);
  addAction(actFullScreen);

  auto* rewind = new QAction("Rewind: hold Page Up", this);
  rewind->setObjectName("actRewindHint");
  rewind->setToolTip("Hold Page Up to play the game backwards through its history (see History length); let go to go on from there");
  rewind->setEnabled(false);
  addAction(rewind);

  mnuRecent = new QMenu("Recent", this);
  connect(mnuRecent, &QMenu::aboutToShow, this, &TfrmGameScreen::FillRecentMenu);
  addAction(mnuRecent->menuAction());
}

void TfrmGameScreen::FillRecentMenu() {
  mnuRecent->clear();
  const QStringList files = RecentFiles ? RecentFiles() : QStringList();
  for (const QString& file : files) {
    connect(mnuRecent->addAction(file), &QAction::triggered, this, [this, file] {
      if (LoadFile) LoadFile(file.toStdString());
    });
  }
  if (files.isEmpty()) mnuRecent->addAction("(none yet)")->setEnabled(false);
}

void TfrmGameScreen::SetScale(int scale) {
  scale = std::clamp(scale, 1, 4);
  controls_.SetDoubleScreen(scale == 2);
  chosenScale_ = scale > 2 ? scale : 0;
  actScale[static_cast<size_t>(scale - 1)]->setChecked(true);
  SizeToGeometry();
  if (isVisible() && !isFullScreen()) PlaceBeside(*parentWidget());
}

int TfrmGameScreen::FittingScale() const {
  const ScreenGeometry shown = controls_.Geometry();
  const QScreen* display = screen();
  if (display == nullptr || shown.Width <= 0 || shown.Height <= 0) return 4;
  // The frame as the window manager drew it, or as it drew the last window it framed.
  const QSize decoration = FrameGeometry(*this).size() - size();
  const QSize room = display->availableGeometry().size() - decoration;
  int scale = 4;
  while (scale > 1 && (shown.Width * scale > room.width() || shown.Height * scale > room.height())) --scale;
  return scale;
}

int TfrmGameScreen::ShownScale() const {
  const ScreenGeometry shown = controls_.Geometry();
  if (!isFullScreen() || shown.Width <= 0 || shown.Height <= 0) return std::min(Scale(), FittingScale());
  return std::max(1, std::min(width() / shown.Width, height() / shown.Height));
}

void TfrmGameScreen::SetFullScreen(bool on) {
  if (on == isFullScreen()) return;
  // Window managers give the whole screen to ordinary windows, not to tool windows: the screen is
  // an ordinary one while it is full.
  if (on) {
    normalPos_ = pos();
    setWindowFlags(Qt::Window);
    setMinimumSize(0, 0);
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    showFullScreen();
  } else {
    showNormal();
    setWindowFlags(ToolFlags);
    SizeToGeometry();
    show();
    // A new native window: placed by its frame again once the window manager has framed it.
    PlaceWindow(*this, normalPos_, parentWidget(), false);
  }
  activateWindow();
  const QSignalBlocker blocker(actFullScreen);
  actFullScreen->setChecked(on);
  pending_ = controls_.Bitmap() != nullptr;  // recopied at the new scale
  update();
}

void TfrmGameScreen::SizeToGeometry() {
  if (isFullScreen()) {
    update();
    return;
  }
  // A scale the screen cannot hold is not offered; one chosen earlier (on a larger screen, or for
  // a smaller game) shows at the largest that fits.
  const int fitting = FittingScale();
  for (int s = 1; s <= 4; ++s) actScale[static_cast<size_t>(s - 1)]->setEnabled(s <= fitting);
  const int scale = std::min(Scale(), fitting);
  const ScreenGeometry shown = controls_.Geometry();
  setFixedSize(std::max(1, shown.Width * scale), std::max(1, shown.Height * scale));
  update();
}

void TfrmGameScreen::dragEnterEvent(QDragEnterEvent* event) {
  if (DroppedFile(*event->mimeData(), {"sna", "col"})) event->acceptProposedAction();
}

void TfrmGameScreen::dropEvent(QDropEvent* event) {
  const std::optional<std::string> file = DroppedFile(*event->mimeData(), {"sna", "col"});
  if (!file) return;
  event->acceptProposedAction();
  // After the drop has been answered: loading may show a message box.
  QTimer::singleShot(0, this, [this, path = *file] {
    if (LoadFile) LoadFile(path);
  });
}

std::optional<std::string> DroppedFile(const QMimeData& data, const QStringList& suffixes) {
  const QList<QUrl> urls = data.urls();
  if (urls.size() != 1 || !urls.first().isLocalFile()) return std::nullopt;
  const QString path = urls.first().toLocalFile();
  if (!suffixes.contains(QFileInfo(path).suffix().toLower())) return std::nullopt;
  return path.toStdString();
}

void TfrmGameScreen::PlaceBeside(const QWidget& owner) {
  const QRect outer = FrameGeometry(owner);
  PlaceWindow(*this, QPoint(outer.x() + outer.width() + 2, outer.y()), &owner, true);
}

void TfrmGameScreen::TakePicture(const ScreenBitmap& bitmap, int x, int y, int width, int height) {
  // The region comes from driver geometry; keep it inside the bitmap whatever it says.
  x = std::clamp(x, 0, bitmap.Width);
  y = std::clamp(y, 0, bitmap.Height);
  width = std::clamp(width, 0, bitmap.Width - x);
  height = std::clamp(height, 0, bitmap.Height - y);
  if (width == 0 || height == 0) return;

  // The run's own bitmap is copied only when a repaint is due, not at every frame: paints happen
  // inside the message pump, where the bitmap still holds what was presented last.
  if (&bitmap == controls_.Bitmap()) {
    pending_ = true;
    pendingRegion_ = QRect(x, y, width, height);
  } else {
    CopyRegion(bitmap, QRect(x, y, width, height));
  }
  if (!repaintTimer_.isActive())
    repaintTimer_.start(std::max<qint64>(0, paintIntervalMs_ - sinceLastRepaint_.elapsed()));
}

void TfrmGameScreen::ClearPicture() {
  pending_ = false;
  picture_ = QImage();
  update();
}

void TfrmGameScreen::CopyPending() {
  // A stopped run has freed its bitmap; the last copy stays.
  if (pending_ && controls_.Bitmap()) CopyRegion(*controls_.Bitmap(), pendingRegion_);
  pending_ = false;
}

// The one place palette indices become a QImage. The picture is made in true colour at the size it
// is shown, so a paint is a plain block copy: drawing an indexed image scaled costs Qt over a
// millisecond per paint.
void TfrmGameScreen::CopyRegion(const ScreenBitmap& bitmap, const QRect& region) {
  const int scale = ShownScale();
  if (picture_.size() != region.size() * scale)
    picture_ = QImage(region.size() * scale, QImage::Format_RGB32);
  pictureScale_ = scale;
  if (!coloursValid_ || palette_ != bitmap.Palette) {
    palette_ = bitmap.Palette;
    for (int i = 0; i < 256; ++i) colours_[i] = qRgb(palette_[i].r, palette_[i].g, palette_[i].b);
    coloursValid_ = true;
  }
  uchar* out = picture_.bits();
  const qsizetype outStride = picture_.bytesPerLine();
  const uint8_t* in = bitmap.Pixels.data() + region.y() * bitmap.Stride + region.x();
  const int width = region.width();
  for (int row = 0; row < region.height(); ++row, in += bitmap.Stride) {
    auto* line = reinterpret_cast<QRgb*>(out + row * scale * outStride);
    if (scale == 1) {
      for (int x = 0; x < width; ++x) line[x] = colours_[in[x]];
    } else if (scale == 2) {
      for (int x = 0; x < width; ++x) line[2 * x] = line[2 * x + 1] = colours_[in[x]];
      std::memcpy(out + (row * 2 + 1) * outStride, line, width * 2 * sizeof(QRgb));
    } else {
      for (int x = 0; x < width; ++x) std::fill_n(line + x * scale, scale, colours_[in[x]]);
      for (int copy = 1; copy < scale; ++copy)
        std::memcpy(out + (row * scale + copy) * outStride, line, width * scale * sizeof(QRgb));
    }
  }
}

void TfrmGameScreen::closeEvent(QCloseEvent* event) { FormClose(event); }

void TfrmGameScreen::FormClose(QCloseEvent* event) {
  if (MayClose)
    event->accept();
  else
    event->ignore();
}

void TfrmGameScreen::paintEvent(QPaintEvent*) { FormPaint(); }

void TfrmGameScreen::FormPaint() {
  CopyPending();
  QPainter painter(this);
  if (picture_.isNull()) {
    painter.fillRect(rect(), palette().window());
  } else {
    // Normally the picture already has the shown size. Right after the scale changes it is scaled
    // without smoothing, so every bitmap pixel still becomes a sharp block.
    const QSize shown = picture_.size() / pictureScale_ * ShownScale();
    const QRect target(QPoint((width() - shown.width()) / 2, (height() - shown.height()) / 2), shown);
    if (target != rect()) painter.fillRect(rect(), Qt::black);
    painter.drawImage(target, picture_);
  }
  // A game played backwards can look like one played forwards: say so while Page Up is held.
  if (RewindHeld && controls_.Running()) {
    QFont bold = font();
    bold.setBold(true);
    painter.setFont(bold);
    const QString text = QString::fromUtf8("\u25C0\u25C0 Rewinding");
    const QRect box(6, 6, painter.fontMetrics().horizontalAdvance(text) + 12, painter.fontMetrics().height() + 6);
    painter.fillRect(box, QColor(0, 0, 0, 170));
    painter.setPen(QColor(255, 220, 0));
    painter.drawText(box, Qt::AlignCenter, text);
  }
  ++paintCount_;
}

void TfrmGameScreen::showEvent(QShowEvent* event) {
  const QScreen* display = screen();
  const qreal rate = display ? display->refreshRate() : 0;
  paintIntervalMs_ = rate >= 1 ? static_cast<int>(std::floor(1000.0 / rate)) : 16;
  QWidget::showEvent(event);
}

}  // namespace tirvane

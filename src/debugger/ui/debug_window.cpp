// SPDX-License-Identifier: GPL-3.0-or-later
#include "debugger/ui/debug_window.h"

#include <QCloseEvent>
#include <QFrame>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QToolButton>

#include "machine/romset.h"
#include "debugger/ui/add_watch_dialog.h"
#include "debugger/ui/window_placement.h"
#include "video/host.h"

namespace tirvane {

namespace {

constexpr int RegisterRows[RegisterCount] = {5, 21, 37, 53, 69, 85, 107, 123};
constexpr QPoint FlagPositions[8] = {{49, 15}, {65, 15}, {80, 15}, {106, 15},
                                     {49, 25}, {65, 25}, {80, 25}, {104, 25}};
constexpr int WatchItemHeight = 12;
constexpr int WatchValueOffset = 48;

// The widest value text a watch can show, so its row is wide enough from the start.
QString WidestValue(const Watch& watch) {
  const bool word = watch.Type == WatchType::Word;
  switch (watch.View) {
    case WatchView::Decimal:
      return word ? "65535" : "255";
    case WatchView::Binary:
      return QString(word ? 16 : 8, u'0');
    case WatchView::Hexa:
      break;
  }
  return word ? "FFFF" : "FF";
}

// Draws one watch: its label, and 48 pixels on (further when the label is wider) the value last
// stored for its position.
class WatchDelegate final : public QStyledItemDelegate {
 public:
  WatchDelegate(QObject* parent, const WatchList& watches) : QStyledItemDelegate(parent), watches_(watches) {}

  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    const int row = index.row();
    if (row < 0 || row >= watches_.Count()) return;
    const bool selected = option.state & QStyle::State_Selected;
    const QPalette& palette = option.palette;
    painter->save();
    painter->fillRect(option.rect, selected ? palette.highlight() : palette.base());
    painter->setFont(option.font);
    const QString label = QString::fromStdString(WatchLabel(watches_.At(row)));
    const QString value = QString::fromStdString(watches_.ValueText(row));
    const QRect rect = option.rect;
    painter->setPen(selected ? palette.highlightedText().color() : QColor(Qt::blue));
    painter->drawText(rect, Qt::AlignLeft | Qt::AlignTop, label);
    painter->setPen(selected ? palette.highlightedText().color() : QColor(Qt::red));
    painter->drawText(rect.adjusted(ValueX(option.fontMetrics, label), 0, 0, 0), Qt::AlignLeft | Qt::AlignTop,
                      value);
    painter->restore();
  }

  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    const int row = index.row();
    if (row < 0 || row >= watches_.Count()) return {0, WatchItemHeight};
    const Watch& watch = watches_.At(row);
    const QString label = QString::fromStdString(WatchLabel(watch));
    return {ValueX(option.fontMetrics, label) + option.fontMetrics.horizontalAdvance(WidestValue(watch)) + 2,
            WatchItemHeight};
  }

 private:
  static int ValueX(const QFontMetrics& metrics, const QString& label) {
    return std::max(WatchValueOffset, metrics.horizontalAdvance(label) + 4);
  }

  const WatchList& watches_;
};

QLabel* PlacedLabel(QWidget* parent, const QString& text, QPoint at, const QFont& font,
                    const QColor& colour) {
  auto* label = new QLabel(text, parent);
  label->setFont(font);
  QPalette palette = label->palette();
  palette.setColor(QPalette::WindowText, colour);
  label->setPalette(palette);
  label->move(at);
  label->adjustSize();
  return label;
}

QToolButton* SmallButton(QWidget* parent, const char* name, const QString& hint, QRect geometry) {
  auto* button = new QToolButton(parent);
  button->setObjectName(name);
  button->setToolTip(hint);
  button->setAutoRaise(true);
  button->setGeometry(geometry);
  button->setIconSize(geometry.size() - QSize(4, 4));
  return button;
}

const Z80Context& ActiveOrEmpty(const RunControls& run) {
  static const Z80Context empty{};
  return run.Registers() != nullptr ? *run.Registers() : empty;
}

}  // namespace

TfrmDebug::TfrmDebug(TfrmAddWatch* addWatch, QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint), addWatch_(addWatch) {
  setObjectName("frmDebug");
  setWindowTitle("Z80 Registers");
  setFixedSize(156, 155);

  QFont small("Sans Serif", 7);
  QFont bold = small;
  bold.setBold(true);
  setFont(small);
  const QColor navy(0, 0, 128);

  for (int i = 0; i < RegisterCount; ++i) {
    RegisterCaptions[static_cast<size_t>(i)] =
        PlacedLabel(this, RegisterNames[static_cast<size_t>(i)], {2, RegisterRows[i]}, bold, Qt::black);
    QLabel* value = PlacedLabel(this, "0000", {19, RegisterRows[i]}, small, navy);
    value->setObjectName(QString("lbl") + RegisterNames[static_cast<size_t>(i)]);
    RegisterValues[static_cast<size_t>(i)] = value;
  }

  auto* frame = new QFrame(this);
  frame->setFrameShape(QFrame::Box);
  frame->setFrameShadow(QFrame::Sunken);
  frame->setGeometry(46, 4, 81, 35);
  PlacedLabel(this, "FLAGS", {48, 5}, bold, Qt::black);
  for (size_t i = 0; i < FlagNames.size(); ++i) {
    QLabel* flag = PlacedLabel(this, FlagNames[i].Name, FlagPositions[i], small, navy);
    flag->setObjectName(QString("lblFlag") + FlagNames[i].Name);
    flag->hide();
    FlagLabels[i] = flag;
  }

  sbAddWatch = SmallButton(this, "sbAddWatch", "Add Watch", {47, 44, 14, 14});
  sbAddWatch->setText("+");
  sbDelWatch = SmallButton(this, "sbDelWatch", "Delete Watch", {62, 44, 14, 14});
  sbDelWatch->setText("-");
  PlacedLabel(this, "Watches", {77, 45}, bold, Qt::black);

  lbWatches = new QListWidget(this);
  lbWatches->setObjectName("lbWatches");
  lbWatches->setGeometry(46, 58, 105, 75);
  lbWatches->setFont(small);
  lbWatches->setUniformItemSizes(false);
  lbWatches->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  lbWatches->setItemDelegate(new WatchDelegate(lbWatches, watches_));
  FillWatchList();

  sbPause = SmallButton(this, "sbPause", "Stop", {2, 138, 16, 16});
  sbPause->setIcon(style()->standardIcon(QStyle::SP_MediaPause));
  sbPlay = SmallButton(this, "sbPlay", "Play", {17, 138, 16, 16});
  sbPlay->setIcon(style()->standardIcon(QStyle::SP_MediaPlay));
  sbStep = SmallButton(this, "sbStep", "Step", {35, 138, 16, 16});
  sbStep->setIcon(style()->standardIcon(QStyle::SP_MediaSkipForward));

  connect(sbPause, &QToolButton::clicked, this, &TfrmDebug::sbPauseClick);
  connect(sbPlay, &QToolButton::clicked, this, &TfrmDebug::sbPlayClick);
  connect(sbStep, &QToolButton::clicked, this, &TfrmDebug::sbStepClick);
  connect(sbAddWatch, &QToolButton::clicked, this, &TfrmDebug::sbAddWatchClick);
  connect(sbDelWatch, &QToolButton::clicked, this, &TfrmDebug::sbDelWatchClick);
}

void TfrmDebug::FillWatchList() {
  lbWatches->clear();
  for (int i = 0; i < watches_.Count(); ++i) lbWatches->addItem(QString::fromStdString(watches_.At(i).Text));
}

void TfrmDebug::SetState(DebugStateKind state) {
  controls_.SetDebugState(state);
  captionState_ = state;
  setWindowTitle(DebugStateCaption(state));
  if (StateChanged) StateChanged(state);
}

void TfrmDebug::SyncCaption() {
  if (captionState_ == controls_.DebugState()) return;
  captionState_ = controls_.DebugState();
  setWindowTitle(DebugStateCaption(captionState_));
}

void TfrmDebug::Capture() {
  const Z80Context& z = ActiveOrEmpty(controls_);
  captured_ = RegisterSnapshot::Of(z);
  watches_.Sample(z, controls_.Memory());
  pending_ = true;
}

void TfrmDebug::ShowCaptured() {
  pending_ = false;
  const std::array<std::string, RegisterCount> texts = RegisterTexts(captured_);
  for (size_t i = 0; i < RegisterCount; ++i) {
    if (shownOnce_ && shown_.Values[i] == captured_.Values[i]) continue;
    RegisterValues[i]->setText(QString::fromStdString(texts[i]));
  }
  const uint8_t flags = captured_.Flags();
  for (size_t i = 0; i < FlagNames.size(); ++i) {
    const bool lit = flags & FlagNames[i].Mask;
    if (!shownOnce_ || lit != bool(shown_.Flags() & FlagNames[i].Mask)) FlagLabels[i]->setVisible(lit);
  }
  shown_ = captured_;
  shownOnce_ = true;
  lbWatches->viewport()->update();
}

void TfrmDebug::Refresh() {
  Capture();
  ShowCaptured();
}

void TfrmDebug::DebugSwitch(bool on, const QWidget* mainWindow) {
  if (!on) {
    hide();
    return;
  }
  if (mainWindow != nullptr) {
    const QRect outer = FrameGeometry(*mainWindow);
    // Same left edge and width as the main window, 2 pixels below its bottom edge.
    setFixedWidth(mainWindow->width());
    PlaceWindow(*this, QPoint(outer.left(), outer.bottom() + 1 + 2), mainWindow, true);
  }
  if (!isVisible()) show();
  SetState(DebugStateKind::Running);
}

void TfrmDebug::closeEvent(QCloseEvent* event) {
  QWidget::closeEvent(event);
  if (event->isAccepted() && Closed) Closed();
}

void TfrmDebug::sbPauseClick() { SetState(DebugStateKind::Paused); }
void TfrmDebug::sbPlayClick() { SetState(DebugStateKind::Running); }
void TfrmDebug::sbStepClick() { SetState(DebugStateKind::Step); }

void TfrmDebug::sbAddWatchClick() {
  if (addWatch_ == nullptr) return;
  const QPoint at = frameGeometry().topLeft() + QPoint(64, 16);
  const std::optional<std::string> text = addWatch_->Ask(at);
  if (!text) return;
  watches_.Append(*text);
  lbWatches->addItem(QString::fromStdString(*text));
  lbWatches->scrollToBottom();  // the new watch in view, below the ones already there
}

void TfrmDebug::sbDelWatchClick() {
  const int row = lbWatches->currentRow();
  if (row < 0 || lbWatches->selectedItems().isEmpty()) {
    CurrentHost().messageBox("You need to choose a Watch before delete it!");
    return;
  }
  watches_.RemoveAt(row);
  delete lbWatches->takeItem(row);
  // Nothing else becomes selected: a second click must not delete the next watch unasked.
  lbWatches->setCurrentRow(-1);
  lbWatches->clearSelection();
}

}  // namespace tirvane

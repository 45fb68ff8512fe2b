// SPDX-License-Identifier: GPL-3.0-or-later
#include "debugger/ui/disasm_window.h"

#include <QApplication>
#include <QFontDatabase>
#include <QFrame>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QResizeEvent>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>
#include <QVBoxLayout>

#include "debugger/disassembler.h"
#include "debugger/locations.h"
#include "debugger/ui/window_placement.h"
#include "z80/z80.h"

namespace tirvane {

namespace {

constexpr int RowHeight = 12;
constexpr int MinimumStripWidth = 41;
constexpr int StripBottomHeight = 43;
// A tool window stays above the windows of its owner, the main window, and so above ours only;
// our dialogs still open above it.
constexpr Qt::WindowFlags ToolOnTop = Qt::Tool;

}  // namespace

TfrmProgress::TfrmProgress(QWidget* parent) : QWidget(parent, ToolOnTop) {
  setObjectName("frmProgress");
  setWindowTitle("Disasming ROMs....");
  setFixedSize(300, 24);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  gProgress = new QProgressBar(this);
  gProgress->setObjectName("gProgress");
  gProgress->setRange(0, 100);
  layout->addWidget(gProgress);
}

TfrmDisasm::TfrmDisasm(TfrmProgress* progress, QWidget* parent)
    : QWidget(parent, ToolOnTop), progress_(progress) {
  setObjectName("frmDisasm");
  setWindowTitle("Z80 Disassembler");

  Panel1 = new QFrame(this);
  Panel1->setFrameShape(QFrame::Panel);
  Panel1->setFrameShadow(QFrame::Sunken);
  Panel1->setLineWidth(2);
  pbShow = new QWidget(Panel1);
  pbShow->setObjectName("pbShow");
  pbShow->installEventFilter(this);

  edGoTo = new QLineEdit(this);
  edGoTo->setObjectName("edGoTo");
  edGoTo->setPlaceholderText("Go to: address, PC, SP, HL, IX, IY");
  edGoTo->setToolTip("Go to an address or the address a register holds (Return)");
  connect(edGoTo, &QLineEdit::returnPressed, this, [this] {
    if (GoTo(edGoTo->text())) setFocus();
  });
  setFocusPolicy(Qt::StrongFocus);

  strip_ = new QWidget(this);
  sbShow = new QScrollBar(Qt::Vertical, strip_);
  sbShow->setObjectName("sbShow");
  sbShow->setRange(0, 0);
  connect(sbShow, &QScrollBar::valueChanged, pbShow, qOverload<>(&QWidget::update));

  stripBottom_ = new QWidget(strip_);
  bbHide = new QPushButton("Hide", stripBottom_);
  bbHide->setObjectName("bbHide");
  bbHide->setIcon(style()->standardIcon(QStyle::SP_DialogCloseButton));
  // Wide enough for its caption in the desktop's font: the strip grows with it.
  bbHide->setGeometry(2, 4, std::max(37, bbHide->sizeHint().width()), 39);
  connect(bbHide, &QPushButton::clicked, this, &TfrmDisasm::bbHideClick);

  // FormCreate: no lines yet; the rows follow from the first layout.
  resize(188, 506);
  FormResize();
}

void TfrmDisasm::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  FormResize();
}

void TfrmDisasm::FormResize() {
  const int stripWidth = std::max(MinimumStripWidth, bbHide->width() + 4);
  const int top = edGoTo->sizeHint().height();
  edGoTo->setGeometry(0, 0, width(), top);
  const int w = width(), h = std::max(height() - top, 0);
  const int panelWidth = std::max(w - stripWidth, 0);
  Panel1->setGeometry(0, top, panelWidth, h);
  const int frame = Panel1->frameWidth();
  pbShow->setGeometry(frame, frame, std::max(panelWidth - 2 * frame, 0), std::max(h - 2 * frame, 0));

  strip_->setGeometry(panelWidth, top, stripWidth, h);
  const int upperHeight = std::max(h - StripBottomHeight, 0);
  stripBottom_->setGeometry(0, upperHeight, stripWidth, StripBottomHeight);
  sbShow->setGeometry(4, 4, 13, std::max(upperHeight - 8, 0));

  visibleRows_ = pbShow->height() / RowHeight;
  sbShow->setPageStep(std::max(visibleRows_, 1));
  UpdateScrollRange();
}

void TfrmDisasm::UpdateScrollRange() {
  // More rows than lines leaves nothing to scroll, never a negative range.
  sbShow->setRange(0, std::max(LineCount() - visibleRows_, 0));
  sbShow->setSingleStep(1);
}

void TfrmDisasm::Sweep(const uint8_t* memory, uint16_t romLimit) {
  QProgressBar* bar = progress_ != nullptr ? progress_->gProgress : nullptr;
  if (bar != nullptr) {
    const QRect screen = progress_->screen()->availableGeometry();
    progress_->move(screen.center() - progress_->rect().center());
    bar->setVisible(true);
    bar->setRange(0, 100);
    bar->setValue(0);
    progress_->show();
  }
  // The sweep keeps the window thread busy, so the bar is painted at once rather than queued.
  lines_ = DisassembleRomArea(memory, romLimit, [bar](int percent) {
    if (bar == nullptr) return;
    bar->setValue(percent);
    bar->repaint();
  });

  addresses_.resize(lines_.size());
  for (size_t i = 0; i < lines_.size(); ++i)
    addresses_[i] = static_cast<uint16_t>(std::stoul(lines_[i].substr(0, 4), nullptr, 16));
  sbShow->setValue(0);
  UpdateScrollRange();
  if (bar != nullptr) {
    bar->setVisible(false);
    progress_->hide();
  }
  pbShow->update();
}

void TfrmDisasm::DiscardLines() {
  lines_.clear();
  lines_.shrink_to_fit();
  addresses_.clear();
  addresses_.shrink_to_fit();
  UpdateScrollRange();
  pbShow->update();
}

void TfrmDisasm::OpenOrClose(const QWidget* mainWindow, const QWidget* gameScreen) {
  if (isVisible()) {
    hide();
    return;
  }
  const Z80Context* z = controls_.Registers();
  if (lines_.empty() && z != nullptr && z->MemoryImage != nullptr) Sweep(z->MemoryImage, z->RomLimit);
  if (gameScreen != nullptr && mainWindow != nullptr) {
    const QRect screen = FrameGeometry(*gameScreen);
    resize(width(), gameScreen->height());
    PlaceWindow(*this, QPoint(screen.left() + screen.width() + 2, FrameGeometry(*mainWindow).top()),
                mainWindow, true);
  }
  show();
}

int TfrmDisasm::LineOf(uint16_t address) const {
  const auto after = std::upper_bound(addresses_.begin(), addresses_.end(), address);
  return after == addresses_.begin() ? 0 : static_cast<int>(after - addresses_.begin()) - 1;
}

void TfrmDisasm::ShowPc(uint16_t pc, bool follow) {
  if (addresses_.empty()) return;
  const int line = LineOf(pc);
  const int marked = addresses_[static_cast<size_t>(line)] == pc ? line : -1;
  if (marked != pc_) {
    pc_ = marked;
    pbShow->update();
  }
  const int first = sbShow->value();
  if (follow && marked >= 0 && (marked < first || marked >= first + visibleRows_))
    sbShow->setValue(marked - visibleRows_ / 4);
}

bool TfrmDisasm::GoTo(const QString& text) {
  static const Z80Context empty{};
  const std::optional<uint16_t> address =
      ResolveLocation(text.toStdString(), ActiveContext != nullptr ? *ActiveContext : empty);
  edGoTo->setStyleSheet(address ? QString() : QString("background: #ffd0d0;"));
  if (!address) return false;
  sbShow->setValue(LineOf(*address));
  return true;
}

void TfrmDisasm::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Home:
      sbShow->triggerAction(QAbstractSlider::SliderToMinimum);
      return;
    case Qt::Key_End:
      sbShow->triggerAction(QAbstractSlider::SliderToMaximum);
      return;
    case Qt::Key_PageUp:
      sbShow->triggerAction(QAbstractSlider::SliderPageStepSub);
      return;
    case Qt::Key_PageDown:
      sbShow->triggerAction(QAbstractSlider::SliderPageStepAdd);
      return;
    case Qt::Key_Up:
      sbShow->triggerAction(QAbstractSlider::SliderSingleStepSub);
      return;
    case Qt::Key_Down:
      sbShow->triggerAction(QAbstractSlider::SliderSingleStepAdd);
      return;
    default:
      QWidget::keyPressEvent(event);
  }
}

bool TfrmDisasm::eventFilter(QObject* watched, QEvent* event) {
  if (watched == pbShow) {
    if (event->type() == QEvent::Paint) {
      pbShowPaint();
      return true;
    }
    if (event->type() == QEvent::Wheel) {
      QApplication::sendEvent(sbShow, event);
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

void TfrmDisasm::pbShowPaint() {
  if (lines_.empty()) return;
  QPainter painter(pbShow);
  painter.fillRect(pbShow->rect(), Qt::white);
  // A fixed-pitch face at the row's full height: its "," and "." stay apart from the digits.
  QFont regular = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  regular.setPixelSize(RowHeight - 1);
  QFont bold = regular;
  bold.setBold(true);
  painter.setPen(palette().color(QPalette::WindowText));
  const int first = sbShow->value();
  const int width = pbShow->width();
  for (int k = 0; k < visibleRows_; ++k) {
    const size_t index = static_cast<size_t>(first + k);
    if (index >= lines_.size()) break;
    const QString line = QString::fromStdString(lines_[index]);
    const int y = k * RowHeight;
    if (static_cast<int>(index) == pc_) {
      painter.fillRect(QRect(0, y, width, RowHeight), QColor(255, 236, 140));
      painter.fillRect(QRect(0, y, 3, RowHeight), QColor(0, 110, 0));
    }
    painter.setFont(bold);
    painter.drawText(QRect(4, y, width - 4, RowHeight), Qt::AlignLeft | Qt::AlignTop, line.left(4));
    painter.setFont(regular);
    painter.drawText(QRect(40, y, std::max(width - 40, 0), RowHeight), Qt::AlignLeft | Qt::AlignTop,
                     line.mid(4));
  }
}

}  // namespace tirvane

// SPDX-License-Identifier: GPL-3.0-or-later
#include "debugger/ui/disasm_window.h"

#include <QApplication>
#include <QFrame>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QResizeEvent>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>
#include <QVBoxLayout>

#include "debugger/disassembler.h"
#include "debugger/ui/window_placement.h"
#include "z80/z80.h"

namespace tirvane {

namespace {

constexpr int RowHeight = 12;
constexpr int StripWidth = 41;
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

  strip_ = new QWidget(this);
  sbShow = new QScrollBar(Qt::Vertical, strip_);
  sbShow->setObjectName("sbShow");
  sbShow->setRange(0, 0);
  connect(sbShow, &QScrollBar::valueChanged, pbShow, qOverload<>(&QWidget::update));

  stripBottom_ = new QWidget(strip_);
  bbHide = new QPushButton("Hide", stripBottom_);
  bbHide->setObjectName("bbHide");
  bbHide->setIcon(style()->standardIcon(QStyle::SP_DialogCloseButton));
  bbHide->setGeometry(2, 4, 37, 39);
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
  const int w = width(), h = height();
  const int panelWidth = std::max(w - StripWidth, 0);
  Panel1->setGeometry(0, 0, panelWidth, h);
  const int frame = Panel1->frameWidth();
  pbShow->setGeometry(frame, frame, std::max(panelWidth - 2 * frame, 0), std::max(h - 2 * frame, 0));

  strip_->setGeometry(panelWidth, 0, StripWidth, h);
  const int upperHeight = std::max(h - StripBottomHeight, 0);
  stripBottom_->setGeometry(0, upperHeight, StripWidth, StripBottomHeight);
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
  QFont regular("ARIAL", 8);
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
    painter.setFont(bold);
    painter.drawText(QRect(4, y, width - 4, RowHeight), Qt::AlignLeft | Qt::AlignTop, line.left(4));
    painter.setFont(regular);
    painter.drawText(QRect(40, y, std::max(width - 40, 0), RowHeight), Qt::AlignLeft | Qt::AlignTop,
                     line.mid(4));
  }
}

}  // namespace tirvane

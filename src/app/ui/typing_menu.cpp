// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ui/typing_menu.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QTimer>
#include <QWidget>

#include "run/run.h"
#include "video/host.h"

namespace tirvane {

QString KeyboardHelpText(const EmulationRun& run) {
  if (run.Running() && run.Row() != nullptr && run.Row()->KeyboardHelp != nullptr)
    return QString::fromUtf8(run.Row()->KeyboardHelp);
  return "The PC keys this machine reads are listed in the README of its board.";
}

void AddTypingMenu(QWidget& screen, EmulationRun& run) {
  auto* separator = new QAction(&screen);
  separator->setSeparator(true);
  screen.addAction(separator);

  auto* paste = new QAction("Paste text", &screen);
  paste->setToolTip("Types the clipboard's text into the machine, a key at a time");
  // Typing goes on over many passes; the watch says so when the machine stopped taking keys.
  auto* watch = new QTimer(&screen);
  watch->setInterval(250);
  QObject::connect(watch, &QTimer::timeout, &screen, [&run, watch] {
    if (run.Typing()) return;
    watch->stop();
    if (!run.TypingStopMessage().empty()) CurrentHost().messageBox(run.TypingStopMessage());
  });
  QObject::connect(paste, &QAction::triggered, &screen, [&run, watch] {
    if (!run.Running()) return;
    const std::string message = run.TypeText(QGuiApplication::clipboard()->text().toStdString());
    if (!message.empty()) CurrentHost().messageBox(message);
    watch->start();
  });
  screen.addAction(paste);

  auto* keyboard = new QAction("Keyboard…", &screen);
  QObject::connect(keyboard, &QAction::triggered, &screen,
                   [&run] { CurrentHost().messageBox(KeyboardHelpText(run).toStdString()); });
  screen.addAction(keyboard);
}

}  // namespace tirvane

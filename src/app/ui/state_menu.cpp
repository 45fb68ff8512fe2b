// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ui/state_menu.h"

#include <QAction>
#include <QDateTime>
#include <QFileInfo>
#include <QMenu>
#include <QShortcut>
#include <QWidget>
#include <filesystem>
#include <utility>

#include "run/run.h"
#include "run/state_file.h"
#include "video/host.h"

namespace tirvane {

namespace {

constexpr int SlotCount = 9;

QString SlotText(const EmulationRun& run, int slot) {
  const QFileInfo file(QString::fromStdString(StateSlotPath(run, slot)));
  const QString when = run.Running() && file.exists()
                           ? file.lastModified().toString("yyyy-MM-dd hh:mm:ss")
                           : QString("empty");
  return QString("Slot %1 (%2)").arg(slot).arg(when);
}

void Report(const StateFileCheck& check) {
  if (!check.Ok) CurrentHost().messageBox(check.Message);
}

void Save(EmulationRun& run, const std::string& path) {
  std::error_code error;
  std::filesystem::create_directories(std::filesystem::path(path).parent_path(), error);
  Report(SaveStateFile(run, path));
}

void Load(EmulationRun& run, const std::string& path, const std::function<void()>& afterLoad) {
  const StateFileCheck check = LoadStateFile(run, path);
  Report(check);
  if (check.Ok && afterLoad) afterLoad();
}

}  // namespace

std::string StateSlotPath(const EmulationRun& run, int slot) {
  const std::string stem = std::filesystem::path(run.DescriptionFile()).stem().string();
  return CurrentHost().programFolder() + "states/" + stem + "." + std::to_string(slot) + ".state";
}

void AddStateMenus(QWidget& screen, EmulationRun& run, std::function<void()> afterLoad) {
  auto* saveMenu = new QMenu("Save state", &screen);
  auto* loadMenu = new QMenu("Load state", &screen);
  for (int slot = 1; slot <= SlotCount; ++slot) {
    QAction* save = saveMenu->addAction(QString("Slot %1").arg(slot));
    QObject::connect(save, &QAction::triggered, &screen, [&run, slot] {
      if (run.Running()) Save(run, StateSlotPath(run, slot));
    });
    QAction* load = loadMenu->addAction(QString("Slot %1").arg(slot));
    QObject::connect(load, &QAction::triggered, &screen, [&run, slot, afterLoad] {
      if (run.Running()) Load(run, StateSlotPath(run, slot), afterLoad);
    });
  }
  // The first slot shows its key after a tab, as a shortcut would be shown: an action shortcut
  // would match in the screen's context beside the QShortcut below, and two matches fire neither.
  for (auto [menu, key] : {std::pair{saveMenu, "Ins"}, std::pair{loadMenu, "Home"}})
    QObject::connect(menu, &QMenu::aboutToShow, menu, [menu, key, &run] {
      for (int slot = 1; slot <= SlotCount; ++slot)
        menu->actions()[slot - 1]->setText(SlotText(run, slot) + (slot == 1 ? QString("\t") + key : QString()));
    });

  auto* saveAs = new QAction("Save state as…", &screen);
  QObject::connect(saveAs, &QAction::triggered, &screen, [&run] {
    if (!run.Running()) return;
    const auto path = CurrentHost().openFileDialog(
        {"Save state as", "Save states|*.state", "state", CurrentHost().programFolder(), ""});
    if (path) Save(run, *path);
  });
  auto* loadFrom = new QAction("Load state from…", &screen);
  QObject::connect(loadFrom, &QAction::triggered, &screen, [&run, afterLoad] {
    if (!run.Running()) return;
    const auto path = CurrentHost().openFileDialog(
        {"Load state from", "Save states|*.state", "state", CurrentHost().programFolder(), ""});
    if (path) Load(run, *path, afterLoad);
  });

  // Insert and Home work with the menu closed; the first slot's items show them.
  QObject::connect(new QShortcut(Qt::Key_Insert, &screen), &QShortcut::activated, &screen, [&run] {
    if (run.Running()) Save(run, StateSlotPath(run, 1));
  });
  QObject::connect(new QShortcut(Qt::Key_Home, &screen), &QShortcut::activated, &screen, [&run, afterLoad] {
    if (run.Running()) Load(run, StateSlotPath(run, 1), afterLoad);
  });

  screen.addAction(saveMenu->menuAction());
  screen.addAction(loadMenu->menuAction());
  screen.addAction(saveAs);
  screen.addAction(loadFrom);
}

}  // namespace tirvane

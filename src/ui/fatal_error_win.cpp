#include <windows.h>

#include <utility>
#include <vector>

#include "ui/fatal_error.h"
#include "ui/message_box.h"
#include "ui/window_helpers.h"

namespace {

struct RegisteredAction {
  std::uint64_t id;
  std::function<void()> action;
};

std::vector<RegisteredAction>& ShutdownActions() {
  static std::vector<RegisteredAction> actions;
  return actions;
}

ProgramEndAction& EndAction() {
  static ProgramEndAction action;
  return action;
}

// Runs each action once, newest first; an action may unregister others.
void RunShutdownActions() {
  auto& actions = ShutdownActions();
  while (!actions.empty()) {
    auto action = std::move(actions.back().action);
    actions.pop_back();
    if (action) action();
  }
}

}  // namespace

ShutdownAction::ShutdownAction(std::function<void()> action) {
  static std::uint64_t next = 0;
  id_ = ++next;
  ShutdownActions().push_back({id_, std::move(action)});
}

ShutdownAction::~ShutdownAction() {
  auto& actions = ShutdownActions();
  for (auto it = actions.begin(); it != actions.end(); ++it) {
    if (it->id == id_) {
      actions.erase(it);
      break;
    }
  }
}

ProgramEndAction SetProgramEndAction(ProgramEndAction action) {
  return std::exchange(EndAction(), std::move(action));
}

void FatalError(std::wstring_view procedure, std::int32_t line, std::wstring_view message) {
  // A second failure while the report is up (a window procedure running in
  // the box's own loop) ends the program without a second box.
  static bool reporting = false;
  if (!reporting) {
    reporting = true;
    ShowCentredMessage(MainWindow(), FatalErrorText(procedure, line, message), MB_OK | MB_ICONERROR);
    reporting = false;
  }
  RunShutdownActions();
  if (const ProgramEndAction& end = EndAction()) end(0);
  // The settings are deliberately not saved: the program's state is not
  // trusted any more. ExitProcess releases windows, fonts and images.
  ::ExitProcess(0);
}

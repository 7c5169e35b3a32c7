#pragma once
// The fatal error report: every procedure that fails to create a window or to
// find a record it relies on ends the program through here, without saving
// the settings.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

// "Fatal error in Main() on line 3971.\r\n\r\nOpen window failed for #WIN_MAIN."
// An empty procedure name reads "main source".
std::wstring FatalErrorText(std::wstring_view procedure, std::int32_t line,
                            std::wstring_view message);

// Shows the report centred on the main window (unowned when there is none),
// runs the shutdown actions and ends the program with exit code 0.
[[noreturn]] void FatalError(std::wstring_view procedure, std::int32_t line,
                             std::wstring_view message);

// Returns result unchanged when it is non-zero (a window, a handle, a found
// record); otherwise reports the failure and ends the program.
template <typename T>
T CheckCreated(T result, std::wstring_view procedure, std::wstring_view message,
               std::int32_t line) {
  if (result) return result;
  FatalError(procedure, line, message);
}

// Something that must happen before the process ends on a fatal error (GDI+
// shutdown, for one). Registered for the life of this object; actions run in
// the reverse order of registration.
class ShutdownAction {
 public:
  explicit ShutdownAction(std::function<void()> action);
  ~ShutdownAction();
  ShutdownAction(const ShutdownAction&) = delete;
  ShutdownAction& operator=(const ShutdownAction&) = delete;

 private:
  std::uint64_t id_;
};

// How the program finally ends after a fatal report; ExitProcess by default.
// Tests replace it with an action that throws, so that the report can be
// checked without ending the test program. The action must not return.
using ProgramEndAction = std::function<void(std::uint32_t exitCode)>;
// Installs action (an empty one restores the default) and returns the previous one.
ProgramEndAction SetProgramEndAction(ProgramEndAction action);

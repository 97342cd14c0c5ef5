#pragma once

// The main dialog's states and how each one looks, as a table the dialog applies
// and the tests read.

#include <string_view>

namespace tbt::ui {

/// What the dialog is doing, as the user sees it.
enum class DialogState { Ready, PowerRefused, Running, Succeeded, Failed, NoPlatformDevice };

/// Visibility and enabled flags of the controls that change between states.
struct StateLook {
  bool updateVisible = false;
  bool updateEnabled = false;
  bool exitVisible = false;
  bool exitEnabled = false;
  bool closeEnabled = false;
  bool pictureVisible = false;
  bool cautionVisible = false;  // the warning mark and the caution line together
  bool busyVisible = false;
  bool resultButtonsVisible = false;  // shut-down and later
};

/// The look of each state; the close button, the bullet and the version caption are
/// visible in every state.
constexpr StateLook LookOf(DialogState state) {
  switch (state) {
    case DialogState::Ready:
      return {true, true, false, false, true, true, false, false, false};
    case DialogState::PowerRefused:
      return {true, true, false, false, true, true, true, false, false};
    case DialogState::Running:
      return {false, false, true, false, false, false, false, true, false};
    case DialogState::Succeeded:
      return {false, false, false, true, true, false, false, false, true};
    case DialogState::Failed:
    case DialogState::NoPlatformDevice:
      return {false, false, true, true, true, false, false, false, false};
  }
  return {};
}

/// The state's name as the tests and the demo print it ("PowerRefused").
constexpr std::string_view DialogStateName(DialogState state) {
  switch (state) {
    case DialogState::Ready:
      return "Ready";
    case DialogState::PowerRefused:
      return "PowerRefused";
    case DialogState::Running:
      return "Running";
    case DialogState::Succeeded:
      return "Succeeded";
    case DialogState::Failed:
      return "Failed";
    case DialogState::NoPlatformDevice:
      return "NoPlatformDevice";
  }
  return "?";
}

}  // namespace tbt::ui

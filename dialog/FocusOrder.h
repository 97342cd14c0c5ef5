#pragma once

// Which button the keyboard reaches: the one Enter presses in each state and the order
// Tab and Shift+Tab walk. Both windows use it.

#include <span>
#include <vector>

#include "dialog/DialogState.h"
#include "dialog/LayoutMath.h"

namespace tbt::ui {

/// A button Tab may stop on: its id, its place, and whether it is shown and enabled.
struct FocusCandidate {
  int id = 0;
  LayoutRect rect;
  bool reachable = false;
};

/// The button Enter presses (and that has the focus) in a state: Update, Shut Down
/// Now or Exit; 0 while the update runs.
int PrimaryButtonId(DialogState state);

/// The ids Tab walks: the reachable buttons in reading order (top to bottom, then left
/// to right), then the close button when it is reachable.
std::vector<int> TabOrder(std::span<const FocusCandidate> buttons, const FocusCandidate& close);

/// Where Tab (`forward`) or Shift+Tab goes from `current`, wrapping around; from an id
/// not in the order, the first (Tab) or the last (Shift+Tab). 0 for an empty order.
int NextFocus(const std::vector<int>& order, int current, bool forward);

}  // namespace tbt::ui

#include "dialog/FocusOrder.h"

#include <algorithm>

#include "dialog/DialogLayout.h"

namespace tbt::ui {

int PrimaryButtonId(DialogState state) {
  switch (state) {
    case DialogState::Ready:
    case DialogState::PowerRefused:
      return kIdUpdate;
    case DialogState::Succeeded:
      return kIdShutdown;
    case DialogState::Failed:
    case DialogState::NoPlatformDevice:
      return kIdExit;
    case DialogState::Running:
      break;
  }
  return 0;
}

std::vector<int> TabOrder(std::span<const FocusCandidate> buttons, const FocusCandidate& close) {
  std::vector<FocusCandidate> reachable;
  std::copy_if(buttons.begin(), buttons.end(), std::back_inserter(reachable),
               [](const FocusCandidate& button) { return button.reachable; });
  std::stable_sort(reachable.begin(), reachable.end(),
                   [](const FocusCandidate& a, const FocusCandidate& b) {
                     return a.rect.y != b.rect.y ? a.rect.y < b.rect.y : a.rect.x < b.rect.x;
                   });
  std::vector<int> order;
  for (const FocusCandidate& button : reachable) {
    order.push_back(button.id);
  }
  if (close.reachable) {
    order.push_back(close.id);
  }
  return order;
}

int NextFocus(const std::vector<int>& order, int current, bool forward) {
  if (order.empty()) {
    return 0;
  }
  const auto found = std::find(order.begin(), order.end(), current);
  if (found == order.end()) {
    return forward ? order.front() : order.back();
  }
  const size_t position = static_cast<size_t>(found - order.begin());
  return order[forward ? (position + 1) % order.size()
                       : (position + order.size() - 1) % order.size()];
}

}  // namespace tbt::ui

#include "dialog/DialogLayout.h"

namespace tbt::ui {

const ControlPlacement* FindPlacement(int id) {
  for (const ControlPlacement& placement : kPlacements) {
    if (placement.id == id) {
      return &placement;
    }
  }
  return nullptr;
}

const TextStyle* FindTextStyle(int id) {
  for (const TextStyle& style : kTextStyles) {
    if (style.id == id) {
      return &style;
    }
  }
  return nullptr;
}

LayoutRect PixelRectOf(int id, int layoutClass) {
  const ControlPlacement* placement = FindPlacement(id);
  if (placement == nullptr) {
    return {};
  }
  return ScaleDesignRect(placement->design, LayoutFactor(layoutClass));
}

}  // namespace tbt::ui

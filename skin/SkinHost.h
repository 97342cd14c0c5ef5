#pragma once

namespace tbt::skin {

class CSkinControl;

/// The window that composes skinned controls into its one image.
class ISkinHost {
 public:
  virtual ~ISkinHost() = default;
  /// Recomposes and shows the whole surface; `pChild` is the control that changed.
  virtual void OnChildChanged(CSkinControl* pChild) = 0;
  /// Forgets a control that is being destroyed, so that no later composition reaches it.
  virtual void OnChildDestroyed(CSkinControl* /*pChild*/) {}
};

}  // namespace tbt::skin

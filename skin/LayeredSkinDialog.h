#pragma once

// The base of the program's one window: a frameless, translucent top-level dialog
// whose every pixel comes from one composed image of its skin and its controls.

#include <QDialog>
#include <QImage>
#include <QPoint>
#include <QRegion>

#include <memory>
#include <vector>

#include "platform/Platform.h"
#include "skin/ResourceImage.h"
#include "skin/SkinControl.h"
#include "skin/SkinHost.h"

namespace tbt::skin {

/// A skinned dialog. The derived dialog builds the skin in InitSkinLayout; every
/// change of a registered control recomposes the whole image at once.
class CLayeredSkinDialog : public QDialog, public ISkinHost {
  Q_OBJECT

 public:
  /// Creates the frameless, translucent dialog. `display` gives the work area it is
  /// centred in (the primary screen's when null); it must outlive the dialog.
  explicit CLayeredSkinDialog(QWidget* parent = nullptr, platform::IDisplay* display = nullptr);
  ~CLayeredSkinDialog() override;

  /// Loads the background (see LoadResourceImage), sizes the window to it, centres
  /// it in the work area and recomposes. An image that cannot be allocated leaves
  /// the dialog without background, neither moved nor repainted.
  /// On a screen with a device pixel ratio the window keeps its size and is composed
  /// at that many device pixels per pixel. Where the display shows no per-pixel
  /// alpha, the window is shaped to the opaque pixels instead.
  void SetBackgroundImage(unsigned nID, const char16_t* type, const CResourceModule* module,
                          double dScale, double devicePixelRatio = 1.0);
  /// Registers a control at the end of the paint order and makes this dialog its
  /// host. A control already registered keeps its place and is not added again.
  /// Does not repaint.
  void AddSkinControl(CSkinControl* pControl);
  /// Forgets every registered control and frees the background.
  void ReleaseSkin();
  /// Composes the background and the visible registered controls, in registration
  /// order, into one premultiplied image of the background's size and shows it.
  /// Does nothing while there is no background.
  void UpdateLayered();

  /// Builds the skin: sets the background, places and registers the controls.
  virtual void InitSkinLayout() = 0;
  /// Runs InitSkinLayout and the first composition; called once before the dialog is
  /// first shown unless the derived dialog called it already. Returns true.
  virtual bool OnInitDialog();

  /// Recomposes (the argument is not needed).
  void OnChildChanged(CSkinControl* pChild) override;
  /// Removes a control that is being destroyed from the paint order.
  void OnChildDestroyed(CSkinControl* pChild) override;

  /// The image the window shows; null before the first composition.
  const QImage& ComposedImage() const { return m_composed; }
  /// How many images have been composed since construction.
  int CompositionCount() const { return m_compositions; }
  /// The background, or null.
  const CResourceImage* Background() const { return m_pBackground.get(); }
  /// The registered controls in paint order.
  const std::vector<CSkinControl*>& SkinControls() const { return m_children; }
  /// The work area the window is centred in.
  platform::ScreenRect WorkArea() const;
  /// False when the window is shaped to its opaque pixels because the display shows
  /// no per-pixel alpha (read when the background is set).
  bool UsesPerPixelAlpha() const { return m_perPixelAlpha; }

  /// Runs OnInitDialog before the first show so the window appears at its size.
  void setVisible(bool visible) override;

 protected:
  /// Shows exactly the composed image, replacing whatever the window held.
  void paintEvent(QPaintEvent* event) override;
  /// A left press on the skin outside any control starts moving the window.
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  /// Lets the pointer through the composed image's fully transparent pixels.
  void UpdateInputMask();

  platform::IDisplay* m_display = nullptr;
  std::unique_ptr<CResourceImage> m_pBackground;
  std::vector<CSkinControl*> m_children;
  bool m_initialised = false;
  QImage m_composed;
  int m_compositions = 0;
  // The background's visible part, computed once per background image.
  QRegion m_backgroundRegion;
  bool m_backgroundRegionValid = false;
  bool m_perPixelAlpha = true;

  // The manual drag used when the window system cannot move the window itself.
  bool m_dragging = false;
  QPoint m_dragStartGlobal;
  QPoint m_dragStartWindow;
};

}  // namespace tbt::skin

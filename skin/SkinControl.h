#pragma once

// The common base of every skinned control: a real child widget that gets input,
// focus, enabling and text as usual, but never paints itself. Its host composes it.

#include <QPainter>
#include <QString>
#include <QStringView>
#include <QWidget>

#include "skin/SkinHost.h"

namespace tbt::skin {

/// Show commands of ShowControl: 0 hides, anything else shows.
inline constexpr int SW_HIDE = 0;
inline constexpr int SW_SHOW = 5;

/// A child widget drawn by its host through PaintSkin. Every change of its look
/// (enabling, moving, resizing, new text, showing or hiding) asks the host to
/// recompose, synchronously and once per change.
class CSkinControl : public QWidget {
  Q_OBJECT

 public:
  /// Creates the control as a visible child of `parent` with the given control id.
  CSkinControl(QWidget* parent, int controlId);
  ~CSkinControl() override;

  /// The host that paints this control; set when the host registers it.
  ISkinHost* m_pHost = nullptr;
  /// 1 while the widget is disabled.
  int m_bDisabled = 0;
  /// 1 while the host is to paint the control; only ShowControl changes it.
  int m_bVisible = 1;

  /// The id the parent knows this control by (carried by a button's click).
  int ControlId() const { return m_controlId; }

  /// Paints the control's whole look at its rectangle in the host's coordinates.
  virtual void PaintSkin(QPainter& painter) = 0;
  /// Asks the host to recompose; does nothing before the control is registered.
  virtual void RequestRedraw();

  /// Hides (SW_HIDE) or shows (any other command) the widget; when that changes
  /// m_bVisible, tells the host directly. Returns 1 if the widget was visible before.
  int ShowControl(int nCmdShow);
  /// Enables or disables the widget; returns true if it was disabled before.
  bool EnableWindow(bool enable);
  /// Sets the text and asks for one repaint, even when the text is the same.
  void SetWindowText(QStringView text);
  /// The control's text (a button's caption, a label's text).
  const QString& GetWindowText() const { return m_text; }

  /// Places the control in its parent's coordinates: one repaint request when the
  /// position changes and one when the size changes.
  void MoveWindow(int x, int y, int width, int height);
  /// As MoveWindow, in the shape of the Win32 call (no z-order or flags).
  void SetWindowPos(int x, int y, int width, int height) { MoveWindow(x, y, width, height); }

  // QWidget's own placement calls, routed through MoveWindow so that they repaint
  // the host synchronously even while the dialog is not shown yet.
  void setGeometry(int x, int y, int width, int height) { MoveWindow(x, y, width, height); }
  void setGeometry(const QRect& rect) {
    MoveWindow(rect.x(), rect.y(), rect.width(), rect.height());
  }
  void move(int x, int y) { MoveWindow(x, y, width(), height()); }
  void move(const QPoint& point) { move(point.x(), point.y()); }
  void resize(int width, int height) { MoveWindow(x(), y(), width, height); }
  void resize(const QSize& size) { resize(size.width(), size.height()); }

  /// The control's rectangle in its parent's (the host's) client coordinates.
  QRectF SkinRect() const { return QRectF(geometry()); }

 protected:
  /// Tells the host to recompose, bypassing any override of RequestRedraw.
  void NotifyHost();
  /// Called when the control becomes something the user can press: shown through
  /// ShowControl, or enabled while shown.
  virtual void OnAppeared() {}

  void changeEvent(QEvent* event) override;
  /// Paints nothing: everything the user sees comes from the host's image.
  void paintEvent(QPaintEvent* event) override;

 private:
  int m_controlId = 0;
  QString m_text;
};

}  // namespace tbt::skin

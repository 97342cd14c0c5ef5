#pragma once

// The main dialog's controls and their look, as constant tables in design units
// (the pixels of the 1560 x 1240 background). The dialog applies them in order.

#include <array>
#include <cstdint>
#include <string_view>

#include "dialog/LayoutMath.h"

namespace tbt::ui {

/// Control ids of the dialog's twelve controls.
inline constexpr int kIdExit = 1;   // IDOK
inline constexpr int kIdClose = 2;  // IDCANCEL
inline constexpr int kIdBullet = 149;
inline constexpr int kIdPicture = 1001;
inline constexpr int kIdWarning = 1002;
inline constexpr int kIdUpdate = 1003;
inline constexpr int kIdMessage = 1004;
inline constexpr int kIdCaution = 1005;
inline constexpr int kIdBusy = 1006;
inline constexpr int kIdShutdown = 1007;
inline constexpr int kIdLater = 1008;
inline constexpr int kIdVersion = 1009;

/// The order in which the controls are bound to their members.
inline constexpr std::array<int, 12> kBindingOrder = {
    kIdClose,   kIdExit,    kIdBullet, kIdPicture,  kIdWarning, kIdUpdate,
    kIdMessage, kIdCaution, kIdBusy,   kIdShutdown, kIdLater,   kIdVersion};

/// Resource type of the skin's images.
inline constexpr char16_t kImageType[] = u"IMG";
/// Image ids of the skin.
inline constexpr int kImageBackground = 129;
inline constexpr int kImageFirstBusyFrame = 141;
inline constexpr int kImageLastBusyFrame = 148;

/// Design size of the background, which is also the window's full-layout size.
inline constexpr int kDesignWidth = kFullLayoutWidth;
inline constexpr int kDesignHeight = kFullLayoutHeight;

/// The four state images of a button; 0 means "none".
struct ButtonImages {
  int normal = 0;
  int disabled = 0;
  int hover = 0;
  int pressed = 0;
};

/// Where a control goes and what it shows, in design units.
struct ControlPlacement {
  int id = 0;
  LayoutRect design;
  ButtonImages images;  // for labels only `normal` is used, 0 for text labels
  /// Whether the control shows before the flow reaches a state that shows it.
  bool initiallyVisible = true;
};

/// The twelve controls in the order the layout places and registers them, which is
/// the paint order.
inline constexpr std::array<ControlPlacement, 12> kPlacements = {{
    {kIdVersion, {1410, 194, 214, 100}, {}, true},
    {kIdClose, {1448, 38, 76, 76}, {130, 133, 132, 131}, true},
    {kIdBullet, {60, 300, 30, 30}, {134, 0, 0, 0}, true},
    {kIdPicture, {56, 498, 1448, 568}, {135, 0, 0, 0}, true},
    {kIdWarning, {70, 1120, 48, 43}, {136, 0, 0, 0}, false},
    {kIdUpdate, {1136, 1109, 368, 76}, {137, 140, 139, 138}, true},
    {kIdExit, {1136, 1109, 368, 76}, {137, 140, 139, 138}, false},
    {kIdMessage, {100, 297, 1400, 180}, {}, true},
    {kIdCaution, {130, 1124, 1000, 100}, {}, false},
    {kIdBusy, {712, 658, 132, 132}, {kImageFirstBusyFrame, 0, 0, 0}, false},
    {kIdShutdown, {466, 1109, 508, 76}, {150, 0, 152, 153}, false},
    {kIdLater, {996, 1109, 508, 76}, {151, 0, 152, 153}, false},
}};

/// The marker that names the emulated platform sits in the lower part of the header
/// band, under the title and left of the version caption, where no control ever goes.
inline constexpr LayoutRect kEmulatedMarkerDesign{222, 204, 1100, 56};
inline constexpr uint32_t kEmulatedMarkerColor = 0xFFFFC857;
inline constexpr int kEmulatedMarkerBaseSize = 20;

/// Which of the font families a text uses.
enum class FontRole { Version, Button, Text };

/// How a control's text looks.
struct TextStyle {
  int id = 0;
  std::u16string_view captionKey;  // empty for the version caption
  FontRole font = FontRole::Text;
  int baseSize = 24;
  uint32_t color = 0;
  uint32_t hoverColor = 0;
  uint32_t pressedColor = 0;
  int alignHorizontal = 0;
  int alignVertical = 0;
};

/// Every control that shows text.
inline constexpr std::array<TextStyle, 7> kTextStyles = {{
    {kIdVersion, u"", FontRole::Version, 20, 0xFF80DFE6, 0xFF80DFE6, 0xFF80DFE6, 0, 0},
    {kIdUpdate, u"IDS_UPDATE", FontRole::Button, 24, 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 1, 1},
    {kIdExit, u"IDS_EXIT", FontRole::Button, 24, 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 1, 1},
    {kIdMessage, u"IDS_PROMPT", FontRole::Text, 24, 0xFF020202, 0xFF020202, 0xFF020202, 0, 0},
    {kIdCaution, u"IDS_CAUTION", FontRole::Text, 24, 0xFFA40000, 0xFFA40000, 0xFFA40000, 0, 0},
    {kIdShutdown, u"IDS_SHUTDOWN", FontRole::Button, 24, 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 1, 1},
    {kIdLater, u"IDS_SHUTDOWN_LATER", FontRole::Button, 24, 0xFF464646, 0xFFFFFFFF, 0xFFFFFFFF, 1,
     1},
}};

/// The placement of one control id; nullptr for an id that is not one of the twelve.
const ControlPlacement* FindPlacement(int id);

/// The text style of one control id; nullptr for a control without text.
const TextStyle* FindTextStyle(int id);

/// The pixel rectangle of a control in the given layout class.
LayoutRect PixelRectOf(int id, int layoutClass);

/// The demos of both windows save their running picture when this many busy frames
/// have been shown, so that the two pictures show the same frame.
inline constexpr int kDemoRunningPictureFrame = 3;

/// The busy frame that follows `frame`: 141, 142, ..., 148, then 141 again.
constexpr int NextBusyFrame(int frame) {
  return frame >= kImageLastBusyFrame ? kImageFirstBusyFrame : frame + 1;
}

}  // namespace tbt::ui

#include "win32/FwUpdateWindow.h"

#include <algorithm>
#include <array>
#include <vector>

#include "dialog/DialogLayout.h"
#include "dialog/FocusOrder.h"
#include "dialog/FontChoice.h"
#include "dialog/LayoutMath.h"
#include "strings/LocalizedString.h"
#include "update/ServiceControl.h"
#include "win32/SkinImage.h"

namespace tbt::win32 {

namespace {

// Captions and the prompt are looked up with this capacity; result messages with 256.
constexpr std::size_t kCaptionCapacity = 512;
constexpr wchar_t kImageType[] = L"IMG";
constexpr int kFontStyleRegular = 0;
constexpr int kFontStyleBold = 1;

std::wstring Wide(std::u16string_view text) {
  return std::wstring(text.begin(), text.end());
}

std::unique_ptr<Gdiplus::Bitmap> Image(int id, double factor) {
  return id == 0 ? nullptr : LoadSkinImage(static_cast<unsigned>(id), kImageType, nullptr, factor);
}

std::u16string_view FamilyFor(ui::FontRole role, const ui::FontChoice& fonts) {
  switch (role) {
    case ui::FontRole::Version:
      return ui::kVersionFontFamily;
    case ui::FontRole::Button:
      return fonts.buttonFamily;
    case ui::FontRole::Text:
      return fonts.textFamily;
  }
  return fonts.textFamily;
}

}  // namespace

ScreenMetrics SystemScreenMetrics() {
  ScreenMetrics metrics;
  RECT area{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
  metrics.workArea = platform::ScreenRect{area.left, area.top, area.right, area.bottom};
  HDC screen = GetDC(nullptr);
  metrics.dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  return metrics;
}

FwUpdateWindow::FwUpdateWindow(platform::IPlatform& platform, ui::ProgramVersion version,
                               std::unique_ptr<ui::IWorkerRunner> runner,
                               std::function<ScreenMetrics()> screen)
    : langId(platform.System().UserDefaultUILanguage()),
      btnExit(ui::kIdExit),
      btnClose(ui::kIdClose),
      btnUpdate(ui::kIdUpdate),
      btnShutdown(ui::kIdShutdown),
      btnLater(ui::kIdLater),
      lblBullet(ui::kIdBullet),
      lblPicture(ui::kIdPicture),
      lblWarning(ui::kIdWarning),
      lblMessage(ui::kIdMessage),
      lblCaution(ui::kIdCaution),
      lblBusy(ui::kIdBusy),
      lblVersion(ui::kIdVersion),
      platform_(platform),
      version_(version),
      runner_(std::move(runner)),
      screen_(screen ? std::move(screen) : std::function<ScreenMetrics()>(SystemScreenMetrics)),
      acpi_(platform.Devices()),
      wmiClient_(platform.Wmi()),
      flow_(ui::UpdateFlowParts{platform_, acpi_, wmiClient_, *runner_, *this, busyFrame}, *this) {
  window_.onClick = [this](int id) { OnControlClicked(id); };
  window_.canClose = [this] { return !flow_.IsRunning(); };
  window_.onKey = [this](WPARAM key) { OnKey(key); };
  window_.onDisplayChange = [this] { InitSkinLayout(); };
}

FwUpdateWindow::~FwUpdateWindow() {
  CloseAcpiDevice(acpi_);
}

bool FwUpdateWindow::Create() {
  if (!window_.Create(Wide(u"VESK Thunderbolt Firmware Update Tool"))) {
    return false;
  }
  InitSkinLayout();
  FocusButton(ui::PrimaryButtonId(state_));
  return true;
}

std::u16string FwUpdateWindow::LocalizedText(std::u16string_view key, std::size_t capacity) const {
  const std::u16string keyText(key);
  std::vector<char16_t> buffer(capacity + 1, u'\0');
  strings::LoadTextOrBuiltIn(platform_.System(), langId, keyText.c_str(), buffer.data(), capacity);
  return std::u16string(buffer.data());
}

void FwUpdateWindow::InitSkinLayout() {
  const ScreenMetrics metrics = screen_();
  const int newClass = ui::LayoutClassFor(metrics.workArea);
  if (newClass == layoutClass) {
    return;
  }
  const bool firstLayout = layoutClass == ui::kLayoutNotLaidOut;
  layoutClass = newClass;
  ApplyLayout(ui::LayoutFactor(newClass), metrics.dpi);
  if (!firstLayout) {
    // The layout starts every control over; bring back what the flow had shown.
    ApplyStateLook(*this, state_, message_);
  }
}

void FwUpdateWindow::ApplyLayout(double factor, int dpi) {
  // Fonts follow the user's interface language, never the text language.
  const ui::FontChoice fonts = ui::FontsForUiLanguage(platform_.System().UserDefaultUILanguage());
  window_.SetBackground(Image(ui::kImageBackground, factor));
  for (const ui::ControlPlacement& placement : ui::kPlacements) {
    SkinButton* button = ButtonWithId(placement.id);
    SkinControl& control = *ControlWithId(placement.id);
    if (const ui::TextStyle* style = ui::FindTextStyle(placement.id)) {
      const int fontStyle =
          style->font == ui::FontRole::Button ? fonts.buttonStyle : kFontStyleRegular;
      control.SetTextFont(Wide(FamilyFor(style->font, fonts)),
                          ui::TextEmSize(style->baseSize, factor, dpi), fontStyle);
      control.SetTextAlign(style->alignHorizontal, style->alignVertical);
      if (button != nullptr) {
        button->SetTextColor(style->color);
        button->SetHoverTextColor(style->hoverColor);
        button->SetPressedTextColor(style->pressedColor);
      } else {
        static_cast<SkinLabel&>(control).SetTextColor(style->color);
      }
      if (!style->captionKey.empty()) {
        control.SetText(Wide(LocalizedText(style->captionKey, kCaptionCapacity)));
      }
    }
    control.SetRect(ui::PixelRectOf(placement.id, layoutClass));
    const ui::ButtonImages& images = placement.images;
    if (button != nullptr) {
      button->SetImages(Image(images.normal, factor), Image(images.disabled, factor),
                        Image(images.hover, factor), Image(images.pressed, factor));
    } else if (images.normal != 0) {
      // The busy label goes on with the frame it had reached.
      const int image = placement.id == ui::kIdBusy ? busyFrame : images.normal;
      static_cast<SkinLabel&>(control).SetImage(Image(image, factor));
    }
    if (placement.id == ui::kIdVersion) {
      control.SetText(Wide(ui::FormatVersionCaption(version_)));
    }
    if (!placement.initiallyVisible) {
      control.Show(false);
    }
    window_.AddControl(&control);
  }
  if (platform_.IsEmulated()) {
    lblEmulated_.SetTextColor(ui::kEmulatedMarkerColor);
    lblEmulated_.SetTextAlign(0, 1);
    lblEmulated_.SetTextFont(Wide(ui::kVersionFontFamily),
                             ui::TextEmSize(ui::kEmulatedMarkerBaseSize, factor, dpi),
                             kFontStyleBold);
    lblEmulated_.SetRect(ui::ScaleDesignRect(ui::kEmulatedMarkerDesign, factor));
    lblEmulated_.SetText(Wide(LocalizedText(u"IDS_EMULATED", kCaptionCapacity)));
    window_.AddControl(&lblEmulated_);
  }
  window_.Recompose();
}

SkinButton* FwUpdateWindow::ButtonWithId(int id) {
  for (SkinButton* button : {&btnExit, &btnClose, &btnUpdate, &btnShutdown, &btnLater}) {
    if (button->Id() == id) {
      return button;
    }
  }
  return nullptr;
}

SkinControl* FwUpdateWindow::ControlWithId(int id) {
  if (SkinButton* button = ButtonWithId(id)) {
    return button;
  }
  for (SkinLabel* label :
       {&lblBullet, &lblPicture, &lblWarning, &lblMessage, &lblCaution, &lblBusy, &lblVersion}) {
    if (label->Id() == id) {
      return label;
    }
  }
  return nullptr;
}

void FwUpdateWindow::ShowFlowControl(int id, bool visible) {
  if (SkinControl* control = ControlWithId(id)) {
    control->Show(visible);
  }
}

void FwUpdateWindow::EnableFlowControl(int id, bool enabled) {
  if (SkinControl* control = ControlWithId(id)) {
    control->Enable(enabled);
  }
}

void FwUpdateWindow::SetMessage(const std::u16string& text) {
  message_ = text;
  lblMessage.SetText(Wide(message_));
}

void FwUpdateWindow::ShowBusyFrame(int frame) {
  lblBusy.SetImage(Image(frame, ui::LayoutFactor(layoutClass)));
  window_.Recompose();
  if (onBusyFrame) {
    onBusyFrame(frame);
  }
}

void FwUpdateWindow::HandleQueuedInput() {
  // At most one queued message per slice keeps the window moving and following
  // display changes while the worker runs.
  MSG message{};
  if (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(message.wParam));  // for the loop after the run
      return;
    }
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

void FwUpdateWindow::EnterState(ui::DialogState state) {
  state_ = state;
  FocusButton(ui::PrimaryButtonId(state));
  if (onState) {
    onState(state);
  }
}

void FwUpdateWindow::OnButtonUpdate() {
  flow_.OnButtonUpdate();
}

void FwUpdateWindow::PostClose() {
  if (window_.Handle() != nullptr) {
    PostMessageW(window_.Handle(), WM_CLOSE, 0, 0);
  }
}

void FwUpdateWindow::OnControlClicked(int id) {
  switch (id) {
    case ui::kIdUpdate:
      OnButtonUpdate();
      break;
    case ui::kIdShutdown:
      ShutdownSystem(platform_.Power(), [this] { PostClose(); });
      break;
    case ui::kIdLater:
    case ui::kIdExit:
    case ui::kIdClose:
      PostClose();
      break;
    default:
      break;
  }
}

void FwUpdateWindow::FocusButton(int id) {
  focusedId_ = id;
  for (SkinButton* button : {&btnExit, &btnClose, &btnUpdate, &btnShutdown, &btnLater}) {
    button->SetFocused(button->Id() == id);
  }
}

std::vector<int> FwUpdateWindow::TabOrderIds() {
  const auto candidate = [](const SkinButton& button) {
    return ui::FocusCandidate{button.Id(), button.Rect(), button.Visible() && button.Enabled()};
  };
  const std::array buttons{candidate(btnShutdown), candidate(btnLater), candidate(btnUpdate),
                           candidate(btnExit)};
  return ui::TabOrder(buttons, candidate(btnClose));
}

void FwUpdateWindow::OnKey(WPARAM key) {
  if (flow_.IsRunning()) {
    return;
  }
  switch (key) {
    case VK_ESCAPE:
      PostClose();
      break;
    case VK_TAB:
      FocusButton(ui::NextFocus(TabOrderIds(), focusedId_, (GetKeyState(VK_SHIFT) & 0x8000) == 0));
      break;
    case VK_RETURN: {
      // The focused button when Tab moved the focus, else the state's main one.
      const std::vector<int> reachable = TabOrderIds();
      const bool focusedReachable =
          std::find(reachable.begin(), reachable.end(), focusedId_) != reachable.end();
      if (const int id = focusedReachable ? focusedId_ : ui::PrimaryButtonId(state_); id != 0) {
        OnControlClicked(id);
      }
      break;
    }
    default:
      break;
  }
}

}  // namespace tbt::win32

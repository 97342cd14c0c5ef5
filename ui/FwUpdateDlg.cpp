#include "ui/FwUpdateDlg.h"

#include <QIcon>
#include <QString>

#include <type_traits>
#include <vector>

#include "dialog/DialogLayout.h"
#include "dialog/FontChoice.h"
#include "dialog/LayoutMath.h"
#include "skin/Fonts.h"
#include "skin/SkinText.h"
#include "strings/LocalizedString.h"
#include "ui/QtTextView.h"

// The dialog's construction, layout and release; the update flow is in
// FwUpdateDlgFlow.cpp, keyboard, focus and window events in FwUpdateDlgEvents.cpp.

namespace tbt::ui {

namespace {

// Captions and the prompt are looked up with this capacity; result messages with 256.
constexpr std::size_t kCaptionCapacity = 512;

std::u16string_view FamilyFor(FontRole role, const FontChoice& fonts) {
  switch (role) {
    case FontRole::Version:
      return kVersionFontFamily;
    case FontRole::Button:
      return fonts.buttonFamily;
    case FontRole::Text:
      return fonts.textFamily;
  }
  return fonts.textFamily;
}

// Colours, alignment and font of a button's caption or a label's text.
template <typename Control>
void ApplyTextStyle(Control& control, const TextStyle& style, const FontChoice& fonts,
                    double factor, int dpi) {
  control.SetTextColor(style.color);
  if constexpr (std::is_same_v<Control, skin::CImageButton>) {
    control.SetHoverTextColor(style.hoverColor);
    control.SetPressedTextColor(style.pressedColor);
  }
  control.SetTextAlign(style.alignHorizontal, style.alignVertical);
  const int fontStyle = style.font == FontRole::Button ? fonts.buttonStyle : kFontStyleRegular;
  control.SetTextFont(View(FamilyFor(style.font, fonts)), TextEmSize(style.baseSize, factor, dpi),
                      fontStyle, skin::kUnitPixel);
}

}  // namespace

CFwUpdateDlg::CFwUpdateDlg(platform::IPlatform& platform, platform::IDisplay& display,
                           ProgramVersion version, std::unique_ptr<IWorkerRunner> runner,
                           QWidget* parent)
    : skin::CLayeredSkinDialog(parent, &display),
      btnExit(this, kIdExit),
      btnClose(this, kIdClose),
      btnUpdate(this, kIdUpdate),
      btnShutdown(this, kIdShutdown),
      btnLater(this, kIdLater),
      lblBullet(this, kIdBullet),
      lblPicture(this, kIdPicture),
      lblWarning(this, kIdWarning),
      lblMessage(this, kIdMessage),
      lblCaution(this, kIdCaution),
      lblBusy(this, kIdBusy),
      lblVersion(this, kIdVersion),
      langId(platform.System().UserDefaultUILanguage()),
      platform_(platform),
      display_(display),
      version_(version),
      runner_(std::move(runner)),
      acpi_(platform.Devices()),
      wmiClient_(platform.Wmi()) {
  if (!runner_) {
    runner_ = std::make_unique<ThreadWorkerRunner>(platform_.Clock());
  }
  IUpdateFlowView& view = *this;
  flow_ = std::make_unique<UpdateFlow>(
      UpdateFlowParts{platform_, acpi_, wmiClient_, *runner_, *this, busyFrame}, view);
  // Every control starts at 0,0 with no size; the first layout places it.
  for (skin::CImageButton* button : Buttons()) {
    button->SetWindowPos(0, 0, 0, 0);
    connect(button, &skin::CImageButton::clicked, this, &CFwUpdateDlg::OnControlClicked);
    button->SetClock(&platform_.Clock());
  }
  for (skin::CTextLabel* label : Labels()) {
    label->SetWindowPos(0, 0, 0, 0);
  }
  if (platform_.IsEmulated()) {
    lblEmulated_ = std::make_unique<skin::CTextLabel>(this, 0);
    lblEmulated_->SetWindowPos(0, 0, 0, 0);
  }
}

CFwUpdateDlg::~CFwUpdateDlg() {
  OnDestroy();
}

std::u16string CFwUpdateDlg::LocalizedText(std::u16string_view key, std::size_t capacity) const {
  std::u16string keyText(key);
  std::vector<char16_t> buffer(capacity + 1, u'\0');
  strings::LoadTextOrBuiltIn(platform_.System(), langId, keyText.c_str(), buffer.data(), capacity);
  return std::u16string(buffer.data());
}

bool CFwUpdateDlg::OnInitDialog() {
  const bool initialised = skin::CLayeredSkinDialog::OnInitDialog();
  setWindowIcon(QIcon(QStringLiteral(":/icon/app.png")));
  setWindowTitle(View(kWindowTitle).toString());
  FocusButton(PrimaryButton());
  return initialised;
}

void CFwUpdateDlg::InitSkinLayout() {
  const int dpi = display_.LogPixelsY();
  const uint16_t uiLanguage = platform_.System().UserDefaultUILanguage();
  const int newClass = LayoutClassFor(display_.WorkArea());
  const double ratio = display_.DevicePixelRatio() > 0 ? display_.DevicePixelRatio() : 1.0;
  if (layoutClass == newClass && pixelRatio_ == ratio) {
    return;
  }
  const bool firstLayout = layoutClass == kLayoutNotLaidOut;
  layoutClass = newClass;
  pixelRatio_ = ratio;
  ApplyLayout(LayoutFactor(newClass), uiLanguage, dpi);
  if (!firstLayout) {
    // The layout starts every control over; bring back what the flow had shown.
    ApplyStateLook(*this, state_, message_);
  }
}

void CFwUpdateDlg::ApplyLayout(double factor, uint16_t uiLanguage, int dpi) {
  const FontChoice fonts = FontsForUiLanguage(uiLanguage);
  const skin::CResourceModule* module = skin::DefaultResourceModule();

  SetBackgroundImage(kImageBackground, kImageType, module, factor, pixelRatio_);

  // The placement table's order is the order of registration, which is the paint order.
  for (const ControlPlacement& placement : kPlacements) {
    skin::CImageButton* button = ButtonWithId(placement.id);
    skin::CTextLabel* label = LabelWithId(placement.id);
    skin::CSkinControl& control =
        button != nullptr ? static_cast<skin::CSkinControl&>(*button) : *label;
    if (const TextStyle* style = FindTextStyle(placement.id)) {
      if (button != nullptr) {
        ApplyTextStyle(*button, *style, fonts, factor, dpi);
      } else {
        ApplyTextStyle(*label, *style, fonts, factor, dpi);
      }
      if (!style->captionKey.empty()) {
        control.SetWindowText(View(LocalizedText(style->captionKey, kCaptionCapacity)));
      }
    }
    const LayoutRect rect = PixelRectOf(placement.id, layoutClass);
    control.SetWindowPos(rect.x, rect.y, rect.width, rect.height);
    const ButtonImages& images = placement.images;
    if (button != nullptr) {
      button->SetImages(images.normal, images.disabled, images.hover, images.pressed, kImageType,
                        module, factor, pixelRatio_);
    } else if (images.normal != 0) {
      // The busy label goes on with the frame it had reached.
      const int image = placement.id == kIdBusy ? busyFrame : images.normal;
      label->SetImage(static_cast<unsigned>(image), kImageType, module, factor, pixelRatio_);
    }
    if (placement.id == kIdVersion) {
      control.SetWindowText(View(FormatVersionCaption(version_)));
    }
    if (!placement.initiallyVisible) {
      control.ShowControl(skin::SW_HIDE);
    }
    AddSkinControl(&control);
  }

  if (lblEmulated_) {
    const LayoutRect rect = ScaleDesignRect(kEmulatedMarkerDesign, factor);
    lblEmulated_->SetTextColor(kEmulatedMarkerColor);
    lblEmulated_->SetTextAlign(skin::kAlignNear, skin::kAlignCenter);
    lblEmulated_->SetTextFont(View(kVersionFontFamily),
                              TextEmSize(kEmulatedMarkerBaseSize, factor, dpi),
                              skin::kFontStyleBold, skin::kUnitPixel);
    lblEmulated_->SetWindowPos(rect.x, rect.y, rect.width, rect.height);
    lblEmulated_->SetWindowText(View(LocalizedText(u"IDS_EMULATED", kCaptionCapacity)));
    AddSkinControl(lblEmulated_.get());
  }
}

std::array<skin::CImageButton*, 5> CFwUpdateDlg::Buttons() {
  return {&btnExit, &btnClose, &btnUpdate, &btnShutdown, &btnLater};
}

std::array<skin::CTextLabel*, 7> CFwUpdateDlg::Labels() {
  return {&lblBullet, &lblPicture, &lblWarning, &lblMessage, &lblCaution, &lblBusy, &lblVersion};
}

skin::CImageButton* CFwUpdateDlg::ButtonWithId(int id) {
  for (skin::CImageButton* button : Buttons()) {
    if (button->ControlId() == id) {
      return button;
    }
  }
  return nullptr;
}

skin::CTextLabel* CFwUpdateDlg::LabelWithId(int id) {
  for (skin::CTextLabel* label : Labels()) {
    if (label->ControlId() == id) {
      return label;
    }
  }
  return nullptr;
}

void CFwUpdateDlg::OnDisplayChange() {
  // The window is not hidden around the re-layout: hiding a modal dialog would end its
  // modal loop. The layout recomposes the window itself when it changes anything.
  InitSkinLayout();
}

void CFwUpdateDlg::OnDestroy() {
  if (destroyed_) {
    return;
  }
  destroyed_ = true;
  CloseAcpiDevice(acpi_);
  for (skin::CImageButton* button : Buttons()) {
    button->ReleaseResources();
  }
  for (skin::CTextLabel* label : Labels()) {
    label->ReleaseResources();
  }
  if (lblEmulated_) {
    lblEmulated_->ReleaseResources();
  }
  ReleaseSkin();
}

}  // namespace tbt::ui

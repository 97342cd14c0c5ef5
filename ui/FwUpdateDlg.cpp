#include "ui/FwUpdateDlg.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QIcon>
#include <QKeyEvent>
#include <QMetaObject>
#include <QString>

#include <type_traits>
#include <vector>

#include "app/strings/LocalizedString.h"
#include "skin/Fonts.h"
#include "ui/DialogLayout.h"
#include "ui/FontChoice.h"
#include "ui/LayoutMath.h"
#include "ui/ResultMessage.h"
#include "update/ServiceControl.h"

namespace tbt::ui {

namespace {

constexpr char16_t kImageType[] = u"IMG";
// Captions and the prompt are looked up with this capacity; result messages with 256.
constexpr std::size_t kCaptionCapacity = 512;
// The worker is looked at this often; each look shows the next busy frame.
constexpr uint32_t kBusySliceMilliseconds = 100;

// The emulated marker sits in the lower part of the header band, under the title and
// left of the version caption, where no control ever goes.
constexpr LayoutRect kEmulatedMarkerDesign{222, 204, 1100, 56};
constexpr uint32_t kEmulatedMarkerColor = 0xFFFFC857;

QStringView View(const std::u16string& text) {
  return QStringView(text.data(), static_cast<qsizetype>(text.size()));
}

QStringView View(std::u16string_view text) {
  return QStringView(text.data(), static_cast<qsizetype>(text.size()));
}

void Place(skin::CSkinControl& control, int layoutClass) {
  const LayoutRect rect = PixelRectOf(control.ControlId(), layoutClass);
  control.SetWindowPos(rect.x, rect.y, rect.width, rect.height);
}

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
  // Like the template's controls: every control starts at 0,0 with no size.
  for (skin::CSkinControl* control : std::vector<skin::CSkinControl*>{
           &btnExit, &btnClose, &btnUpdate, &btnShutdown, &btnLater, &lblBullet, &lblPicture,
           &lblWarning, &lblMessage, &lblCaution, &lblBusy, &lblVersion}) {
    control->SetWindowPos(0, 0, 0, 0);
  }
  for (skin::CImageButton* button : {&btnExit, &btnClose, &btnUpdate, &btnShutdown, &btnLater}) {
    connect(button, &skin::CImageButton::clicked, this, &CFwUpdateDlg::OnControlClicked);
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
  app::LoadLocalizedString(platform_.System(), langId, keyText.c_str(), buffer.data(), capacity);
  return std::u16string(buffer.data());
}

bool CFwUpdateDlg::OnInitDialog() {
  const bool initialised = skin::CLayeredSkinDialog::OnInitDialog();
  setWindowIcon(QIcon(QStringLiteral(":/icon/app.png")));
  setWindowTitle(View(kWindowTitle).toString());
  return initialised;
}

void CFwUpdateDlg::InitSkinLayout() {
  const int dpi = display_.LogPixelsY();
  const uint16_t uiLanguage = platform_.System().UserDefaultUILanguage();
  const int newClass = LayoutClassFor(display_.DesktopSize());
  if (layoutClass == newClass) {
    return;
  }
  const bool firstLayout = layoutClass == kLayoutNotLaidOut;
  layoutClass = newClass;
  ApplyLayout(LayoutFactor(newClass), uiLanguage, dpi);
  if (!firstLayout) {
    // The layout starts every control over; bring back what the flow had shown.
    ApplyLook(state_);
  }
}

void CFwUpdateDlg::ApplyLayout(double factor, uint16_t uiLanguage, int dpi) {
  const FontChoice fonts = FontsForUiLanguage(uiLanguage);
  const skin::CResourceModule* module = skin::DefaultResourceModule();

  SetBackgroundImage(kImageBackground, kImageType, module, factor);

  auto styleText = [&](auto& control) {
    const TextStyle* style = FindTextStyle(control.ControlId());
    control.SetTextColor(style->color);
    if constexpr (std::is_same_v<std::decay_t<decltype(control)>, skin::CImageButton>) {
      control.SetHoverTextColor(style->hoverColor);
      control.SetPressedTextColor(style->pressedColor);
    }
    control.SetTextAlign(style->alignHorizontal, style->alignVertical);
    const int fontStyle = style->font == FontRole::Button ? fonts.buttonStyle : kFontStyleRegular;
    control.SetTextFont(View(FamilyFor(style->font, fonts)),
                        TextEmSize(style->baseSize, factor, dpi), fontStyle, skin::kUnitPixel);
    if (!style->captionKey.empty()) {
      control.SetWindowText(View(LocalizedText(style->captionKey, kCaptionCapacity)));
    }
  };
  auto setButtonImages = [&](skin::CImageButton& button) {
    const ButtonImages& images = FindPlacement(button.ControlId())->images;
    button.SetImages(images.normal, images.disabled, images.hover, images.pressed, kImageType,
                     module, factor);
  };
  auto setLabelImage = [&](skin::CTextLabel& label, int imageId) {
    label.SetImage(static_cast<unsigned>(imageId), kImageType, module, factor);
  };

  styleText(lblVersion);
  Place(lblVersion, layoutClass);
  lblVersion.SetWindowText(View(FormatVersionCaption(version_)));
  AddSkinControl(&lblVersion);

  Place(btnClose, layoutClass);
  setButtonImages(btnClose);
  AddSkinControl(&btnClose);

  Place(lblBullet, layoutClass);
  setLabelImage(lblBullet, FindPlacement(kIdBullet)->images.normal);
  AddSkinControl(&lblBullet);

  Place(lblPicture, layoutClass);
  setLabelImage(lblPicture, FindPlacement(kIdPicture)->images.normal);
  AddSkinControl(&lblPicture);

  Place(lblWarning, layoutClass);
  setLabelImage(lblWarning, FindPlacement(kIdWarning)->images.normal);
  lblWarning.ShowControl(skin::SW_HIDE);
  AddSkinControl(&lblWarning);

  styleText(btnUpdate);
  Place(btnUpdate, layoutClass);
  setButtonImages(btnUpdate);
  AddSkinControl(&btnUpdate);

  styleText(btnExit);
  Place(btnExit, layoutClass);
  setButtonImages(btnExit);
  btnExit.ShowControl(skin::SW_HIDE);
  AddSkinControl(&btnExit);

  styleText(lblMessage);
  Place(lblMessage, layoutClass);
  AddSkinControl(&lblMessage);

  styleText(lblCaution);
  Place(lblCaution, layoutClass);
  lblCaution.ShowControl(skin::SW_HIDE);
  AddSkinControl(&lblCaution);

  Place(lblBusy, layoutClass);
  setLabelImage(lblBusy, busyFrame);
  lblBusy.ShowControl(skin::SW_HIDE);
  AddSkinControl(&lblBusy);

  styleText(btnShutdown);
  Place(btnShutdown, layoutClass);
  setButtonImages(btnShutdown);
  btnShutdown.ShowControl(skin::SW_HIDE);
  AddSkinControl(&btnShutdown);

  styleText(btnLater);
  Place(btnLater, layoutClass);
  setButtonImages(btnLater);
  btnLater.ShowControl(skin::SW_HIDE);
  AddSkinControl(&btnLater);

  if (lblEmulated_) {
    const LayoutRect rect = ScaleDesignRect(kEmulatedMarkerDesign, factor);
    lblEmulated_->SetTextColor(kEmulatedMarkerColor);
    lblEmulated_->SetTextAlign(0, 1);
    lblEmulated_->SetTextFont(View(kVersionFontFamily), TextEmSize(20, factor, dpi),
                              skin::kFontStyleBold, skin::kUnitPixel);
    lblEmulated_->SetWindowPos(rect.x, rect.y, rect.width, rect.height);
    lblEmulated_->SetWindowText(View(kEmulatedMarkerText));
    AddSkinControl(lblEmulated_.get());
  }
}

void CFwUpdateDlg::ApplyLook(DialogState state) {
  const StateLook look = LookOf(state);
  auto show = [](skin::CSkinControl& control, bool visible) {
    control.ShowControl(visible ? skin::SW_SHOW : skin::SW_HIDE);
  };
  show(btnUpdate, look.updateVisible);
  btnUpdate.EnableWindow(look.updateEnabled);
  show(btnExit, look.exitVisible);
  btnExit.EnableWindow(look.exitEnabled);
  btnClose.EnableWindow(look.closeEnabled);
  show(lblPicture, look.pictureVisible);
  show(lblWarning, look.cautionVisible);
  show(lblCaution, look.cautionVisible);
  show(lblBusy, look.busyVisible);
  show(btnShutdown, look.resultButtonsVisible);
  show(btnLater, look.resultButtonsVisible);
  // Before a result the label holds the prompt that the layout has just set.
  if (state == DialogState::Succeeded || state == DialogState::Failed ||
      state == DialogState::NoPlatformDevice) {
    lblMessage.SetWindowText(View(message_));
  }
}

void CFwUpdateDlg::EnterState(DialogState state) {
  state_ = state;
  if (stateObserver_) {
    stateObserver_(state);
  }
}

void CFwUpdateDlg::SetMessage(const std::u16string& text) {
  message_ = text;
  lblMessage.SetWindowText(View(message_));
}

void CFwUpdateDlg::OnButtonUpdate() {
  if (running_) {
    return;
  }
  btnUpdate.EnableWindow(false);
  btnClose.EnableWindow(false);
  lblWarning.ShowControl(skin::SW_HIDE);
  lblCaution.ShowControl(skin::SW_HIDE);

  if (!acpi_.IsOpen()) {
    OpenAcpiDevice(acpi_);
  }
  if (!acpi_.IsOpen()) {
    SetMessage(LocalizedText(u"IDS_FIND_NO_KXR", kMessageCapacity));
    btnUpdate.ShowControl(skin::SW_HIDE);
    lblPicture.ShowControl(skin::SW_HIDE);
    btnExit.ShowControl(skin::SW_SHOW);
    btnClose.EnableWindow(true);
    result = TBU_E_NO_ACPI_DEVICE;
    EnterState(DialogState::NoPlatformDevice);
    return;
  }

  platform::BatteryState battery;
  if (platform_.Power().QueryBatteryState(&battery) == platform::kStatusSuccess &&
      battery.acOnLine == 0) {
    lblWarning.ShowControl(skin::SW_SHOW);
    lblCaution.ShowControl(skin::SW_SHOW);
    btnUpdate.EnableWindow(true);
    btnClose.EnableWindow(true);
    EnterState(DialogState::PowerRefused);
    return;
  }

  btnUpdate.ShowControl(skin::SW_HIDE);
  lblPicture.ShowControl(skin::SW_HIDE);
  btnExit.EnableWindow(false);
  btnExit.ShowControl(skin::SW_SHOW);
  RunWorker();

  btnExit.EnableWindow(true);
  btnClose.EnableWindow(true);
  if (result != TBU_OK) {
    EnterState(DialogState::Failed);
    return;
  }
  btnExit.ShowControl(skin::SW_HIDE);
  btnShutdown.ShowControl(skin::SW_SHOW);
  btnLater.ShowControl(skin::SW_SHOW);
  EnterState(DialogState::Succeeded);
}

void CFwUpdateDlg::RunWorker() {
  const bool started = runner_->Start([this] {
    const UpdateEnvironment environment{platform_, wmiClient_, acpi_, {}};
    UpdateThreadProc(environment, this);
  });
  if (!started) {
    // Without a worker nothing was updated; say so rather than show a success.
    result = TBU_E_NO_MEMORY;
    SetMessage(ComposeResultMessage(result, [this](std::u16string_view key, std::size_t cap) {
      return LocalizedText(key, cap);
    }));
    return;
  }
  running_ = true;
  EnterState(DialogState::Running);
  lblBusy.ShowControl(skin::SW_SHOW);
  while (!runner_->WaitFor(kBusySliceMilliseconds)) {
    const double factor = layoutClass != 0 ? 1.0 : 0.5;
    const int frame = busyFrame;
    lblBusy.SetImage(static_cast<unsigned>(frame), kImageType, skin::DefaultResourceModule(),
                     factor);
    busyFrame = NextBusyFrame(busyFrame);
    UpdateLayered();
    if (busyFrameObserver_) {
      busyFrameObserver_(frame);
    }
    // One pass over what is queued keeps the window responsive (moves, display
    // changes) without leaving this loop.
    QCoreApplication::processEvents(QEventLoop::AllEvents);
  }
  running_ = false;
  lblBusy.ShowControl(skin::SW_HIDE);
  SetMessage(ComposeResultMessage(result, [this](std::u16string_view key, std::size_t cap) {
    return LocalizedText(key, cap);
  }));
}

void CFwUpdateDlg::PostClose() {
  QMetaObject::invokeMethod(
      this, [this] { close(); }, Qt::QueuedConnection);
}

void CFwUpdateDlg::OnButtonShutdown() {
  ShutdownSystem(platform_.Power(), [this] { PostClose(); });
}

void CFwUpdateDlg::OnButtonLater() {
  PostClose();
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
  for (skin::CImageButton* button : {&btnExit, &btnClose, &btnUpdate, &btnShutdown, &btnLater}) {
    button->ReleaseResources();
  }
  for (skin::CTextLabel* label :
       {&lblBullet, &lblPicture, &lblWarning, &lblMessage, &lblCaution, &lblBusy, &lblVersion}) {
    label->ReleaseResources();
  }
  if (lblEmulated_) {
    lblEmulated_->ReleaseResources();
  }
  ReleaseSkin();
}

void CFwUpdateDlg::OnControlClicked(int controlId) {
  switch (controlId) {
    case kIdUpdate:
      OnButtonUpdate();
      break;
    case kIdShutdown:
      OnButtonShutdown();
      break;
    case kIdLater:
      OnButtonLater();
      break;
    case kIdExit:
      accept();
      break;
    case kIdClose:
      reject();
      break;
    default:
      break;
  }
}

void CFwUpdateDlg::done(int code) {
  if (running_) {
    return;
  }
  skin::CLayeredSkinDialog::done(code);
}

void CFwUpdateDlg::closeEvent(QCloseEvent* event) {
  if (running_) {
    event->ignore();
    return;
  }
  skin::CLayeredSkinDialog::closeEvent(event);
}

void CFwUpdateDlg::keyPressEvent(QKeyEvent* event) {
  if (running_) {
    event->accept();
    return;
  }
  skin::CLayeredSkinDialog::keyPressEvent(event);
}

}  // namespace tbt::ui

#include "ui/FwUpdateDlg.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QIcon>
#include <QKeyEvent>
#include <QMetaObject>
#include <QPlatformSurfaceEvent>
#include <QShowEvent>
#include <QString>
#include <QWindow>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <type_traits>
#include <vector>

#include "app/strings/LocalizedString.h"
#include "platform/Utf16.h"
#include "skin/Fonts.h"
#include "ui/DialogLayout.h"
#include "ui/FontChoice.h"
#include "ui/LayoutMath.h"
#include "ui/ResultMessage.h"
#include "ui/UpdateLog.h"
#include "update/BatteryPower.h"
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
    button->SetClock(&platform_.Clock());
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
  app::LoadTextOrBuiltIn(platform_.System(), langId, keyText.c_str(), buffer.data(), capacity);
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
    ApplyLook(state_);
  }
}

void CFwUpdateDlg::ApplyLayout(double factor, uint16_t uiLanguage, int dpi) {
  const FontChoice fonts = FontsForUiLanguage(uiLanguage);
  const skin::CResourceModule* module = skin::DefaultResourceModule();

  SetBackgroundImage(kImageBackground, kImageType, module, factor, pixelRatio_);

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
                     module, factor, pixelRatio_);
  };
  auto setLabelImage = [&](skin::CTextLabel& label, int imageId) {
    label.SetImage(static_cast<unsigned>(imageId), kImageType, module, factor, pixelRatio_);
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
    lblEmulated_->SetWindowText(View(LocalizedText(u"IDS_EMULATED", kCaptionCapacity)));
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
  FocusButton(PrimaryButton());
  if (stateObserver_) {
    stateObserver_(state);
  }
}

skin::CImageButton* CFwUpdateDlg::PrimaryButton() {
  switch (state_) {
    case DialogState::Ready:
    case DialogState::PowerRefused:
      return &btnUpdate;
    case DialogState::Succeeded:
      return &btnShutdown;
    case DialogState::Failed:
    case DialogState::NoPlatformDevice:
      return &btnExit;
    case DialogState::Running:
      break;
  }
  return nullptr;
}

std::vector<skin::CImageButton*> CFwUpdateDlg::TabOrder() {
  std::vector<skin::CImageButton*> order;
  for (skin::CImageButton* button : {&btnShutdown, &btnLater, &btnUpdate, &btnExit}) {
    if (button->m_bVisible != 0 && button->isEnabled()) {
      order.push_back(button);
    }
  }
  // Reading order: top to bottom, then left to right; the close button comes last.
  std::stable_sort(order.begin(), order.end(), [](const QWidget* a, const QWidget* b) {
    return a->y() != b->y() ? a->y() < b->y() : a->x() < b->x();
  });
  if (btnClose.m_bVisible != 0 && btnClose.isEnabled()) {
    order.push_back(&btnClose);
  }
  return order;
}

void CFwUpdateDlg::FocusButton(skin::CImageButton* button) {
  if (button == nullptr || button->m_bVisible == 0 || !button->isEnabled()) {
    return;
  }
  button->setFocus(Qt::OtherFocusReason);
  // An inactive window gets no focus events; the ring must show all the same.
  UpdateLayered();
}

bool CFwUpdateDlg::focusNextPrevChild(bool next) {
  const std::vector<skin::CImageButton*> order = TabOrder();
  if (order.empty()) {
    return false;
  }
  const auto current = std::find(order.begin(), order.end(), focusWidget());
  std::size_t index = 0;
  if (current != order.end()) {
    const auto position = static_cast<std::size_t>(current - order.begin());
    index = next ? (position + 1) % order.size() : (position + order.size() - 1) % order.size();
  } else if (!next) {
    index = order.size() - 1;
  }
  order[index]->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
  UpdateLayered();
  return true;
}

void CFwUpdateDlg::SetMessage(const std::u16string& text) {
  message_ = text;
  lblMessage.SetWindowText(View(message_));
}

void CFwUpdateDlg::OnButtonUpdate() {
  if (running_) {
    return;
  }
  runStarted_ = UtcTimestampNow();
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
    LogRun(UpdateReport{});
    return;
  }

  if (RunsOnBattery(platform_.Power())) {
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
  UpdateReport report;
  RunWorker(&report);
  LogRun(report);

  btnExit.EnableWindow(true);
  btnClose.EnableWindow(true);
  if (result != TBU_OK) {
    EnterState(DialogState::Failed);
  } else {
    btnExit.ShowControl(skin::SW_HIDE);
    btnShutdown.ShowControl(skin::SW_SHOW);
    btnLater.ShowControl(skin::SW_SHOW);
    EnterState(DialogState::Succeeded);
  }
  if (windowLost_) {
    // Nobody can read the window any more: say how the update ended, and end.
    std::fprintf(stderr,
                 "tbt-fwupdate: the window was closed from outside while the update ran; the "
                 "update was finished: %s (result 0x%08X)\n",
                 ToUtf8(message_).c_str(), static_cast<unsigned>(result));
    OnDestroy();
    ending_ = true;
    skin::CLayeredSkinDialog::done(QDialog::Rejected);
  }
}

void CFwUpdateDlg::LogRun(const UpdateReport& report) {
  const std::filesystem::path path =
      UpdateLogPath([](const char* name) { return static_cast<const char*>(std::getenv(name)); });
  if (path.empty()) {
    return;  // neither XDG_STATE_HOME nor HOME: there is no state folder to keep it in
  }
  const UpdateLogEntry entry{runStarted_, platform_.IsEmulated(), report, result, ToUtf8(message_)};
  if (!AppendUpdateLog(path, FormatUpdateLogEntry(entry))) {
    std::fprintf(stderr, "tbt-fwupdate: could not append to the update log '%s'\n",
                 path.string().c_str());
  }
}

void CFwUpdateDlg::RunWorker(UpdateReport* report) {
  const bool started = runner_->Start([this, report] {
    const UpdateEnvironment environment{platform_, wmiClient_, acpi_, {}};
    UpdateThreadProc(environment, this, report);
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
                     factor, pixelRatio_);
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
  if (platform_.IsEmulated()) {
    // The emulated power-off is only recorded; say what a real machine would do.
    std::fprintf(stderr,
                 "tbt-fwupdate: EMULATED platform: the machine would now power off (nothing is "
                 "switched off).\n");
  }
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
  ending_ = true;
  skin::CLayeredSkinDialog::done(code);
}

void CFwUpdateDlg::showEvent(QShowEvent* event) {
  skin::CLayeredSkinDialog::showEvent(event);
  ending_ = false;
  if (!watchingSurface_ && windowHandle() != nullptr) {
    windowHandle()->installEventFilter(this);
    watchingSurface_ = true;
  }
}

bool CFwUpdateDlg::eventFilter(QObject* watched, QEvent* event) {
  if (watched == windowHandle() && event->type() == QEvent::PlatformSurface &&
      static_cast<QPlatformSurfaceEvent*>(event)->surfaceEventType() ==
          QPlatformSurfaceEvent::SurfaceAboutToBeDestroyed &&
      !ending_ && !destroyed_) {
    OnWindowLost();
  }
  return skin::CLayeredSkinDialog::eventFilter(watched, event);
}

void CFwUpdateDlg::OnWindowLost() {
  windowLost_ = true;
  if (running_) {
    // An update is never cut off: it runs to its end, and then the program ends.
    std::fprintf(stderr,
                 "tbt-fwupdate: the window was closed from outside; the update goes on to its "
                 "end.\n");
    return;
  }
  // Idle, nothing is lost: end as the close button would, so the program ends.
  QMetaObject::invokeMethod(
      this, [this] { done(QDialog::Rejected); }, Qt::QueuedConnection);
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
  const bool plain = event->modifiers() == Qt::NoModifier ||
                     (event->modifiers() == Qt::KeypadModifier && event->key() == Qt::Key_Enter);
  if (plain && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)) {
    event->accept();
    auto* focused = dynamic_cast<skin::CImageButton*>(focusWidget());
    if (focused == nullptr || !focused->Click()) {
      if (skin::CImageButton* primary = PrimaryButton()) {
        primary->Click();
      }
    }
    return;
  }
  if (plain && event->key() == Qt::Key_Escape) {
    event->accept();
    accept();  // as Exit: ends the dialog
    return;
  }
  skin::CLayeredSkinDialog::keyPressEvent(event);
}

}  // namespace tbt::ui

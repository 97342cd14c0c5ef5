// The Win32 window's update flow on the emulated platform: success, a failure with its
// code, a missing platform device, and battery power, with the texts of the INI file
// beside the program.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <vector>

#include "dialog/DialogLayout.h"
#include "platform/TemporaryFolder.h"
#include "platform/emulated/EmulatedPlatform.h"
#include "platform/emulated/NvmImageBuilder.h"
#include "win32/FwUpdateWindow.h"
#include "win32/GdiplusSession.h"

namespace tbt::win32 {
namespace {

// Runs the worker on the calling thread; its end is seen at the first wait.
class InlineRunner final : public ui::IWorkerRunner {
 public:
  bool Start(std::function<void()> body) override {
    body();
    return true;
  }
  bool WaitFor(uint32_t /*milliseconds*/) override { return true; }
};

TEST(WindowFlowTest, UpdateEndsInTheStateItsMachineGives) {
  struct {
    const char* name;
    bool devicePresent;
    emulated::PowerMode power;
    bool image;
    ui::DialogState state;
    UpdateResult result;
    std::u16string_view message;
    std::vector<int> tabWalk;  // the focused button first, then where each Tab goes
  } const cases[] = {
      {"success",
       true,
       emulated::PowerMode::kMains,
       true,
       ui::DialogState::Succeeded,
       TBU_OK,
       u"Written.",
       {ui::kIdShutdown, ui::kIdLater, ui::kIdClose, ui::kIdShutdown}},
      {"no image",
       true,
       emulated::PowerMode::kMains,
       false,
       ui::DialogState::Failed,
       TBU_E_NO_IMAGE,
       u"Failed. (0X10430005)",
       {ui::kIdExit, ui::kIdClose, ui::kIdExit}},
      {"no device",
       false,
       emulated::PowerMode::kMains,
       true,
       ui::DialogState::NoPlatformDevice,
       TBU_E_NO_ACPI_DEVICE,
       u"No driver.",
       {ui::kIdExit, ui::kIdClose}},
      {"battery",
       true,
       emulated::PowerMode::kBattery,
       true,
       ui::DialogState::PowerRefused,
       TBU_OK,
       u"Press Update.",
       {ui::kIdUpdate, ui::kIdClose, ui::kIdUpdate}},
  };
  const GdiplusSession gdiplus;
  const std::filesystem::path folder = platform::MakeTemporaryFolder("tbt-win32-flow");
  ASSERT_FALSE(folder.empty());
  std::filesystem::create_directories(folder / "data");
  // Found through the program's Windows path, which only backslashes divide.
  std::ofstream(folder / "data" / "Update.ini")
      << "[Language]\n0x409=English\n[English]\nIDS_SUCCESS=Written.\nIDS_ERROR=Failed.\n"
         "IDS_FIND_NO_KXR=No driver.\nIDS_PROMPT=Press Update.\n";
  for (const auto& c : cases) {
    std::filesystem::remove(folder / "data" / "demo.bin");
    if (c.image) {
      const std::vector<uint8_t> image = emulated::DemoImage();
      std::ofstream(folder / "data" / "demo.bin", std::ios::binary)
          .write(reinterpret_cast<const char*>(image.data()),
                 static_cast<std::streamsize>(image.size()));
    }
    emulated::EmulatedOptions options;
    options.acpiDevicePresent = c.devicePresent;
    options.powerMode = c.power;
    options.moduleFileName = (folder / "tbt-fwupdate.exe").u16string();
    const auto machine = emulated::CreateEmulatedPlatform(options);
    FwUpdateWindow window(*machine, ui::ProgramVersion{1, 0, 0, 9},
                          std::make_unique<InlineRunner>(), [] {
                            return ScreenMetrics{{0, 0, 1280, 1024}, 96};
                          });
    window.langId = 0x409;
    window.InitSkinLayout();
    window.OnControlClicked(ui::kIdUpdate);

    EXPECT_EQ(window.State(), c.state) << c.name;
    EXPECT_EQ(window.result, c.result) << c.name;
    EXPECT_EQ(std::u16string(window.lblMessage.Text().begin(), window.lblMessage.Text().end()),
              c.message)
        << c.name;
    const bool ready = c.state == ui::DialogState::PowerRefused;
    EXPECT_EQ(window.btnUpdate.Visible(), ready) << c.name;
    EXPECT_EQ(window.lblCaution.Visible(), ready) << c.name;
    EXPECT_EQ(window.btnShutdown.Visible(), c.state == ui::DialogState::Succeeded) << c.name;
    EXPECT_EQ(window.btnExit.Visible(), !ready && c.state != ui::DialogState::Succeeded) << c.name;
    // The keyboard: the state's main button has the focus and Tab walks the shown
    // buttons in reading order, then Close, and around.
    for (size_t step = 0; step < c.tabWalk.size(); ++step) {
      if (step > 0) {
        window.Surface().onKey(VK_TAB);
      }
      EXPECT_EQ(window.FocusedId(), c.tabWalk[step]) << c.name << " step " << step;
    }
  }
  std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace tbt::win32

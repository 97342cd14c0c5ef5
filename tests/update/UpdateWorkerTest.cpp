#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/Utf16.h"
#include "platform/emulated/EmulatedPlatform.h"
#include "platform/emulated/EmulatedTbtProvider.h"
#include "platform/emulated/NvmImageBuilder.h"
#include "support/NonRegularFile.h"
#include "support/TempFolder.h"
#include "update/AcpiDevice.h"
#include "update/TbtWmiClient.h"
#include "update/UpdateWorker.h"

namespace tbt {
namespace {

namespace fs = std::filesystem;
using emulated::CallKind;
using Bytes = std::vector<uint8_t>;
using Lines = std::vector<std::string>;

Bytes ImageWithVersion(uint8_t version) {
  return emulated::DefaultBoardBuilder().Version(version).BuildImage();
}

constexpr uint8_t kInstalledVersion = 0x20;  // the version of DefaultControllerNvm()
constexpr char kSwitchOff[] = "DeviceControl DEVS 0x60057 0";

std::unique_ptr<emulated::EmulatedPlatform> PlatformIn(const test::TempFolder& folder) {
  emulated::EmulatedOptions options;
  options.moduleFileName = folder.Path("prog/tbt-fw-update").u16string();
  return emulated::CreateEmulatedPlatform(options);
}

// One emulated machine whose tool lives in <tmp>/prog with its images in data/ beside,
// an open ACPI device and a worker to run.
class WorkerBench {
 public:
  WorkerBench() { EXPECT_TRUE(OpenAcpiDevice(acpi)); }

  void RunWorker() {
    UpdateEnvironment environment{*platform, client, acpi, reader};
    report.written = true;  // the run must reset what it reports
    EXPECT_EQ(UpdateThreadProc(environment, &context, &report), 0u);
  }

  size_t UpdateCalls() { return platform->Provider().CallCount(u"UpdateFirmware"); }

  // The log reduced to switches, service start, waits and provider methods other
  // than the check's many word reads, equal neighbours folded into one.
  Lines Milestones() {
    Lines lines;
    for (const emulated::CallRecord& entry : platform->CallLog().Entries()) {
      const bool listed = entry.kind == CallKind::kDeviceControl ||
                          entry.kind == CallKind::kStartService || entry.kind == CallKind::kSleep;
      std::string line = listed ? entry.ToString() : "";
      if (entry.kind == CallKind::kProviderMethod) {
        line = entry.name == "ReadFirmware" ? "Check" : entry.name;
      }
      if (!line.empty() && (lines.empty() || lines.back() != line)) {
        lines.push_back(line);
      }
    }
    return lines;
  }

  fs::path Data() const { return folder.Path("prog/data"); }
  void Write(const std::string& name, const Bytes& bytes) const {
    folder.Write(fs::path("prog/data") / name, bytes);
  }

  test::TempFolder folder{"tbt-worker"};
  std::unique_ptr<emulated::EmulatedPlatform> platform = PlatformIn(folder);
  CTbtWmiClient client{platform->Wmi()};
  AcpiDevice acpi{platform->Devices()};
  ImageReader reader;
  UpdateContext context;
  UpdateReport report;
};

class UpdateWorkerTest : public ::testing::Test, public WorkerBench {};

TEST_F(UpdateWorkerTest, SuccessPathCallsThePlatformInOrder) {
  const Bytes image = emulated::DemoImage();
  Write("update.bin", image);
  RunWorker();
  EXPECT_EQ(context.result, TBU_OK);
  EXPECT_EQ(Milestones(),
            (Lines{"DeviceControl DEVS 0x60057 1", "StartService ThunderboltService", "Sleep 10000",
                   "GetCurrentNvmVersion", "Check", "UpdateFirmware", "Sleep 10000", kSwitchOff}));
  EXPECT_EQ(platform->Provider().LastWrittenImage(), image);
  EXPECT_EQ(report.installedVersion, kInstalledVersion);
  EXPECT_EQ(report.imageVersion, kInstalledVersion + 1u);
  EXPECT_TRUE(report.written);
  EXPECT_FALSE(platform->DeviceIo().IsDeviceOn(kThunderboltPlatformDevice));
  EXPECT_TRUE(acpi.IsOpen());  // opening and closing the device is the window's job
}

struct FailureCase {
  const char* name;
  Bytes image;  // written as update.bin before the tweak
  std::function<void(WorkerBench&)> tweak;
  UpdateResult expected;
  bool written = false;
  bool switchedOff = true;  // false where the device is not open
};

void PrintTo(const FailureCase& c, std::ostream* os) {
  *os << c.name;
}

class UpdateWorkerFailureTest : public UpdateWorkerTest,
                                public ::testing::WithParamInterface<FailureCase> {};

TEST_P(UpdateWorkerFailureTest, EndsWithTheSecondWaitAndTheSwitchOff) {
  const FailureCase& c = GetParam();
  Write("update.bin", c.image);
  c.tweak(*this);
  const Bytes nvmBefore = platform->ControllerNvm();
  RunWorker();
  EXPECT_EQ(context.result, c.expected) << ResultCodeName(context.result);
  EXPECT_EQ(report.written, c.written);
  EXPECT_EQ(UpdateCalls(), c.written ? 1u : 0u);
  EXPECT_EQ(platform->ControllerNvm(), nvmBefore);
  // Both waits happen on every path, and only the switch-off follows the second.
  EXPECT_EQ(platform->VirtualClock().Sleeps(), (std::vector<uint32_t>{10000, 10000}));
  const Lines milestones = Milestones();
  const auto lastWait = std::find(milestones.rbegin(), milestones.rend(), "Sleep 10000");
  ASSERT_NE(lastWait, milestones.rend());
  EXPECT_EQ(Lines(lastWait.base(), milestones.end()), c.switchedOff ? Lines{kSwitchOff} : Lines{});
  EXPECT_FALSE(platform->DeviceIo().IsDeviceOn(kThunderboltPlatformDevice));
}

const Bytes kDemo = emulated::DemoImage();

const FailureCase kFailureCases[] = {
    {"ProviderAbsentServiceNotInstalled", kDemo,
     [](auto& t) { t.platform->ServiceManager().SetInstalled(u"ThunderboltService", false); },
     TBU_E_WMI_FAILED},
    {"AcpiDeviceNotOpen", kDemo, [](auto& t) { CloseAcpiDevice(t.acpi); }, TBU_E_NO_CONTROLLER,
     false, false},
    {"VersionReturnValuePassedOn", kDemo,
     [](auto& t) { t.platform->Provider().ForceReturnValue(u"GetCurrentNvmVersion", 7); }, 7},
    {"NoDataFolder", kDemo, [](auto& t) { fs::remove_all(t.Data()); }, TBU_E_NO_IMAGE},
    {"EmptyImageFile", {}, [](auto&) {}, TBU_E_NO_IMAGE},
    {"DowngradeRefused", ImageWithVersion(0x1F), [](auto&) {}, TBU_E_DOWNGRADE},
    {"UpdateReturnValuePassedOn", kDemo,
     [](auto& t) { t.platform->Provider().ForceReturnValue(u"UpdateFirmware", 5); }, 5, true},
    // Folders, special and oversized files are refused before a byte is read: no hang,
    // no unbounded read (each kind: ReadBoundedFileTest; the size cap too).
    {"FifoNamedLikeAnImageComesFirst", kDemo,
     [](auto& t) {
#ifdef _WIN32
       fs::create_directories(t.Data() / "a.bin");  // a folder cannot hold a pipe here
#else
       test::MakeNonRegularFile(t.Data() / "a.bin");
#endif
     },
     TBU_E_NO_IMAGE},
    {"ProgramPathBeyondThePathCapacity", kDemo,
     [](auto& t) {
       t.platform->SystemInfo().SetModuleFileName(ToUtf16(
           t.folder.Path("prog/" + std::string(kUpdatePathCapacity, 'x') + "/tool").string()));
     },
     TBU_E_NO_IMAGE},
    {"NoBufferForTheImage", kDemo,
     [](auto& t) {
       t.reader = [](const fs::path&, Bytes*) { return platform::FileReadStatus::kNoMemory; };
     },
     TBU_E_NO_MEMORY},
};

INSTANTIATE_TEST_SUITE_P(Paths, UpdateWorkerFailureTest, ::testing::ValuesIn(kFailureCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(UpdateWorkerTest, WritesTheFirstImageInNameOrderWhenItIsNoDowngrade) {
  const Bytes junk(64, 0xFF);  // taking any other file fails the check
  const struct {
    const char* name;
    std::vector<std::pair<std::string, Bytes>> files;
    bool downgradeAllowed = false;
    bool noInstalledVersion = false;
    bool shortSwitchAnswer = false;
  } cases[] = {
      {"equal version", {{"same.bin", ImageWithVersion(kInstalledVersion)}}},
      {"downgrade allowed", {{"old.bin", ImageWithVersion(0x1F)}}, true},
      {"provider gives no version", {{"old.bin", ImageWithVersion(0x01)}}, false, true},
      {"short switch answer", {{"new.bin", kDemo}}, false, false, true},
      {"several images, suffix in any case",
       {{"C.bin", junk}, {"B.Bin", kDemo}, {"a.bin.old", junk}, {"c.BIN", junk}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    WorkerBench t;
    for (const auto& [name, bytes] : c.files) {
      t.Write(name, bytes);
    }
    t.context.downgradeAllowed = c.downgradeAllowed ? 1 : 0;
    if (c.noInstalledVersion) {
      t.platform->Provider().OmitOutParameter(u"GetCurrentNvmVersion", u"NvmVersion");
    }
    if (c.shortSwitchAnswer) {
      t.platform->DeviceIo().SetAnswerOverride(Bytes{0x01});
    }
    t.RunWorker();
    EXPECT_EQ(t.context.result, TBU_OK) << ResultCodeName(t.context.result);
    EXPECT_TRUE(t.report.written);
    EXPECT_EQ(t.report.installedVersion, c.noInstalledVersion ? 0u : kInstalledVersion);
    const std::string taken = t.report.imagePath.filename().string();
    EXPECT_EQ(taken, c.files.size() > 1 ? "B.Bin" : c.files[0].first);
    EXPECT_EQ(t.platform->Provider().LastWrittenImage(),
              c.files.size() > 1 ? kDemo : c.files[0].second);
  }
}

TEST_F(UpdateWorkerTest, OneUpdateAtATimeAndEachRunWritesAgain) {
  Write("update.bin", kDemo);
  // Another update of the machine holds its lock.
  std::unique_ptr<platform::IHeldUpdateLock> held = platform->UpdateLock().TryAcquire();
  ASSERT_NE(held, nullptr);
  RunWorker();
  EXPECT_EQ(context.result, TBU_E_BUSY);
  EXPECT_FALSE(report.written);
  EXPECT_EQ(Milestones(), Lines{});  // no switch, no service start, no wait, no provider call
  held.reset();
  for (uint32_t run = 0; run < 2; ++run) {  // the same image again: the NVM is rewritten
    RunWorker();
    EXPECT_EQ(context.result, TBU_OK);
    EXPECT_EQ(report.installedVersion, kInstalledVersion + run);
  }
  EXPECT_EQ(UpdateCalls(), 2u);
  EXPECT_NE(platform->UpdateLock().TryAcquire(), nullptr);  // the finished runs released it
}

}  // namespace
}  // namespace tbt

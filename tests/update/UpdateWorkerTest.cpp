#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "platform/Utf16.h"
#include "platform/emulated/EmulatedPlatform.h"
#include "platform/emulated/EmulatedTbtProvider.h"
#include "platform/emulated/NvmImageBuilder.h"
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
  options.moduleFileName = ToUtf16(folder.Path("prog/tbt-fw-update").string());
  return emulated::CreateEmulatedPlatform(options);
}

// One emulated machine whose tool lives in <tmp>/prog with its images in data/ beside,
// an open ACPI device and a worker to run.
class WorkerBench {
 public:
  WorkerBench() { EXPECT_TRUE(OpenAcpiDevice(acpi)); }

  void RunWorker() {
    UpdateEnvironment environment{*platform, client, acpi, opener};
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
  ImageOpener opener;
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
    {"DirectoryNamedLikeAnImageComesFirst", kDemo,
     [](auto& t) { fs::create_directory(t.Data() / "a.bin"); }, TBU_E_NO_IMAGE},
    {"ImageOfAnUnknownDevice", emulated::DefaultBoardBuilder().DeviceId(0x1234).BuildImage(),
     [](auto&) {}, TBU_E_UNKNOWN_DEVICE},
    {"DowngradeRefused", ImageWithVersion(0x1F), [](auto&) {}, TBU_E_DOWNGRADE},
    {"UpdateReturnValuePassedOn", kDemo,
     [](auto& t) { t.platform->Provider().ForceReturnValue(u"UpdateFirmware", 5); }, 5, true},
    {"ShortRead", kDemo,
     [](auto& t) {
       t.opener = [](const fs::path& path) -> std::unique_ptr<std::istream> {
         std::ifstream in(path, std::ios::binary);
         std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
         return std::make_unique<std::istringstream>(bytes.substr(0, bytes.size() / 2));
       };
     },
     TBU_E_NO_IMAGE},
    {"ImageCannotBeOpened", kDemo,
     [](auto& t) {
       t.opener = [](const fs::path&) -> std::unique_ptr<std::istream> { return {}; };
     },
     TBU_E_NO_IMAGE},
};

INSTANTIATE_TEST_SUITE_P(Paths, UpdateWorkerFailureTest, ::testing::ValuesIn(kFailureCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(UpdateWorkerTest, WritesTheFirstImageInNameOrderWhenItIsNoDowngrade) {
  const Bytes junk(64, 0xFF);  // taking any other file fails the check
  struct Case {
    const char* name;
    std::vector<std::pair<std::string, Bytes>> files;
    bool downgradeAllowed = false;
    bool noInstalledVersion = false;
    bool shortSwitchAnswer = false;
  };
  const Case cases[] = {
      {"equal version", {{"same.bin", ImageWithVersion(kInstalledVersion)}}},
      {"downgrade allowed", {{"old.bin", ImageWithVersion(0x1F)}}, true},
      {"provider gives no version", {{"old.bin", ImageWithVersion(0x01)}}, false, true},
      {"short switch answer", {{"new.bin", kDemo}}, false, false, true},
      {"several images, suffix in any case",
       {{"C.bin", junk}, {"B.Bin", kDemo}, {"a.bin.old", junk}, {"c.BIN", junk}}},
  };
  for (const Case& c : cases) {
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

TEST_F(UpdateWorkerTest, SecondRunOfTheSameImageWritesAgain) {
  Write("update.bin", kDemo);
  RunWorker();
  ASSERT_EQ(context.result, TBU_OK);
  RunWorker();
  EXPECT_EQ(context.result, TBU_OK);
  EXPECT_EQ(report.installedVersion, kInstalledVersion + 1u);
  EXPECT_TRUE(report.written);
  EXPECT_EQ(UpdateCalls(), 2u);
}

TEST_F(UpdateWorkerTest, RefusesAProgramPathBeyondThePathCapacity) {
  Write("update.bin", kDemo);
  platform->SystemInfo().SetModuleFileName(ToUtf16(
      folder.Path("prog").string() + "/" + std::string(kUpdatePathCapacity, 'x') + "/tool"));
  RunWorker();
  EXPECT_EQ(context.result, TBU_E_NO_IMAGE);
}

TEST(ImageFolderTest, CutsAfterTheLastSlashAndAppendsData) {
  const std::pair<std::u16string, std::u16string> cases[] = {
      {u"/opt/tbt/tbt-fw-update", u"/opt/tbt/data"},
      {u"/opt/tbt/", u"/opt/tbt/data"},
      {u"tool", u"tooldata"},
      {u"/a\\b/tool", u"/a\\b/data"},
  };
  for (const auto& [module, expected] : cases) {
    EXPECT_EQ(ImageFolderFromModulePath(module), expected) << ToUtf8(module);
  }
}

TEST(FindFirstImageTest, PicksTheFirstBinInNameOrder) {
  struct Case {
    std::vector<std::string> files;
    std::vector<std::string> directories;
    std::string expected;
  };
  const Case cases[] = {
      {{"readme.txt", "bin", "x.bi"}, {}, ""}, {{"z.bin", "m.bin", "n.bin"}, {}, "m.bin"},
      {{"b.bin", "A.BIN"}, {}, "A.BIN"},       {{".bin", "a.bin"}, {}, ".bin"},
      {{"b.bin"}, {"a.bin"}, "a.bin"},         {{"b.bin"}, {"a"}, "b.bin"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.expected);
    test::TempFolder folder;
    for (const std::string& file : c.files) {
      folder.Write(file, Bytes{1});
    }
    for (const std::string& directory : c.directories) {
      fs::create_directory(folder.Path(directory));
    }
    const fs::path found = FindFirstImage(folder.Root());
    EXPECT_EQ(found.filename().string(), c.expected);
    EXPECT_TRUE(found.empty() || found.parent_path() == folder.Root());
  }
  EXPECT_TRUE(FindFirstImage("/nonexistent-folder-of-tbt-tests").empty());
}

TEST(ReadImageTest, ReadsExactlyTheSizeOrRefuses) {
  struct Case {
    std::string content;
    uint64_t size;
    UpdateResult expected;
    Bytes bytes;
  };
  const Case cases[] = {
      {"abcd", 2, TBU_OK, {'a', 'b'}},
      {"", 0, TBU_E_NO_IMAGE, {}},
      {"ab", 3, TBU_E_NO_IMAGE, {}},
      {"ab", 0x100000000ull, TBU_E_NO_MEMORY, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.size);
    std::istringstream in(c.content);
    Bytes image = {9, 9};
    EXPECT_EQ(ReadImage(in, c.size, &image), c.expected);
    EXPECT_EQ(image, c.bytes);
  }
}

}  // namespace
}  // namespace tbt

#include <gtest/gtest.h>

#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "platform/Utf16.h"
#include "platform/emulated/EmulatedPlatform.h"
#include "platform/emulated/EmulatedTbtProvider.h"
#include "platform/emulated/NvmImageBuilder.h"
#include "update/AcpiDevice.h"
#include "update/TbtWmiClient.h"
#include "update/UpdateWorker.h"

namespace tbt {
namespace {

namespace fs = std::filesystem;
using emulated::CallKind;
using emulated::CallRecord;

// A program folder of its own for each test: <tmp>/prog/tbt-fw-update with data/ beside.
class TempProgramFolder {
 public:
  TempProgramFolder() {
    std::string pattern = (fs::temp_directory_path() / "tbt-worker-XXXXXX").string();
    root_ = mkdtemp(pattern.data());
    fs::create_directories(Data());
  }
  ~TempProgramFolder() {
    std::error_code ignored;
    fs::remove_all(root_, ignored);
  }
  fs::path Program() const { return root_ / "prog" / "tbt-fw-update"; }
  fs::path Data() const { return root_ / "prog" / "data"; }
  void Write(const std::string& name, const std::vector<uint8_t>& bytes) const {
    std::ofstream out(Data() / name, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
  }

 private:
  fs::path root_;
};

std::vector<uint8_t> ImageWithVersion(uint8_t version) {
  return emulated::DefaultBoardBuilder().Version(version).BuildImage();
}

constexpr uint8_t kInstalledVersion = 0x20;  // the version of DefaultControllerNvm()
constexpr char16_t kEmulatedServiceName[] = u"ThunderboltService";

class UpdateWorkerTest : public ::testing::Test {
 public:
  void SetUp() override {
    emulated::EmulatedOptions options;
    options.moduleFileName = ToUtf16(folder.Program().string());
    platform = emulated::CreateEmulatedPlatform(options);
    client = std::make_unique<CTbtWmiClient>(platform->Wmi());
    acpi = std::make_unique<AcpiDevice>(platform->Devices());
    ASSERT_TRUE(OpenAcpiDevice(*acpi));
    ASSERT_EQ(platform->ControllerNvm()[0x0A], kInstalledVersion);
  }

  void Run() {
    UpdateEnvironment environment{*platform, *client, *acpi, opener};
    report.written = true;  // the run must reset what it reports
    EXPECT_EQ(UpdateThreadProc(environment, &context, &report), 0u);
  }

  size_t Calls(const char* method) { return platform->Provider().CallCount(ToUtf16(method)); }

  // The log reduced to the milestones of a run: switches, service start, waits, the
  // first reachability check after each wait, and provider methods other than the
  // many word reads of the check, each run of equal lines folded into one.
  std::vector<std::string> Milestones() {
    std::vector<std::string> lines;
    bool reachabilitySeen = false;
    for (const CallRecord& entry : platform->CallLog().Entries()) {
      std::string line;
      switch (entry.kind) {
        case CallKind::kDeviceControl:
        case CallKind::kStartService:
          line = entry.ToString();
          break;
        case CallKind::kSleep:
          line = entry.ToString();
          reachabilitySeen = false;
          break;
        case CallKind::kWmiReachable:
          if (!reachabilitySeen) {
            line = "Connect";
            reachabilitySeen = true;
          }
          break;
        case CallKind::kProviderMethod:
          line = entry.name == "ReadFirmware" ? "Check" : entry.name;
          break;
        default:
          break;
      }
      if (!line.empty() && (lines.empty() || lines.back() != line)) {
        lines.push_back(line);
      }
    }
    return lines;
  }

  TempProgramFolder folder;
  std::unique_ptr<emulated::EmulatedPlatform> platform;
  std::unique_ptr<CTbtWmiClient> client;
  std::unique_ptr<AcpiDevice> acpi;
  ImageOpener opener;
  UpdateContext context;
  UpdateReport report;
};

TEST_F(UpdateWorkerTest, SuccessPathCallsThePlatformInOrder) {
  const std::vector<uint8_t> image = emulated::DemoImage();
  folder.Write("update.bin", image);
  Run();
  EXPECT_EQ(context.result, TBU_OK);
  EXPECT_EQ(Milestones(), (std::vector<std::string>{
                              "DeviceControl DEVS 0x60057 1", "StartService ThunderboltService",
                              "Sleep 10000", "Connect", "GetCurrentNvmVersion", "Check",
                              "UpdateFirmware", "Sleep 10000", "DeviceControl DEVS 0x60057 0"}));
  EXPECT_EQ(platform->Provider().LastWrittenImage(), image);
  EXPECT_EQ(report.installedVersion, kInstalledVersion);
  EXPECT_EQ(report.imageVersion, kInstalledVersion + 1u);
  EXPECT_TRUE(report.written);
  EXPECT_EQ(report.imagePath.filename(), "update.bin");
  EXPECT_FALSE(platform->DeviceIo().IsDeviceOn(kThunderboltPlatformDevice));
  // The worker neither opens nor closes the device: that is the window's job.
  EXPECT_TRUE(acpi->IsOpen());
}

struct FailureCase {
  const char* name;
  std::function<void(UpdateWorkerTest&)> setup;
  UpdateResult expected;
  bool written;
  // False where the driver cannot take the switch-off (device not open or refusing).
  bool switchedOff = true;
};

class UpdateWorkerFailureTest : public UpdateWorkerTest,
                                public ::testing::WithParamInterface<FailureCase> {};

TEST_P(UpdateWorkerFailureTest, EndsWithTheSecondWaitAndTheSwitchOff) {
  const FailureCase& c = GetParam();
  c.setup(*this);
  const std::vector<uint8_t> nvmBefore = platform->ControllerNvm();
  Run();
  EXPECT_EQ(context.result, c.expected) << ResultCodeName(context.result);
  EXPECT_EQ(report.written, c.written);
  EXPECT_EQ(Calls("UpdateFirmware"), c.written ? 1u : 0u);
  EXPECT_EQ(platform->ControllerNvm(), nvmBefore);

  // Both waits happen on every path: a failed run still lasts 20 s.
  EXPECT_EQ(platform->VirtualClock().Sleeps(), (std::vector<uint32_t>{10000, 10000}));
  // After the second wait comes the switch-off and nothing else.
  const std::vector<std::string> milestones = Milestones();
  const auto lastWait = std::find(milestones.rbegin(), milestones.rend(), "Sleep 10000");
  ASSERT_NE(lastWait, milestones.rend());
  const std::vector<std::string> afterWait(lastWait.base(), milestones.end());
  if (c.switchedOff) {
    EXPECT_EQ(afterWait, (std::vector<std::string>{"DeviceControl DEVS 0x60057 0"}));
  } else {
    EXPECT_EQ(std::count(afterWait.begin(), afterWait.end(), "DeviceControl DEVS 0x60057 0"), 0);
    EXPECT_EQ(platform->CallLog().Count(CallKind::kDeviceControl, "DEVS"), 0u);
  }
  EXPECT_FALSE(platform->DeviceIo().IsDeviceOn(kThunderboltPlatformDevice));
}

void WriteDemo(UpdateWorkerTest& t) {
  t.folder.Write("update.bin", emulated::DemoImage());
}

const FailureCase kFailureCases[] = {
    {"ServiceNotInstalled",
     [](UpdateWorkerTest& t) {
       WriteDemo(t);
       t.platform->ServiceManager().SetInstalled(kEmulatedServiceName, false);
     },
     TBU_E_WMI_FAILED, false},
    {"ServiceFailsToStart",
     [](UpdateWorkerTest& t) {
       WriteDemo(t);
       t.platform->ServiceManager().SetStartError(kEmulatedServiceName, 1053);
     },
     TBU_E_WMI_FAILED, false},
    {"AcpiDeviceNotOpenSoControllerStaysOff",
     [](UpdateWorkerTest& t) {
       WriteDemo(t);
       CloseAcpiDevice(*t.acpi);
     },
     TBU_E_NO_CONTROLLER, false, false},
    {"AcpiDriverRefusesSoControllerStaysOff",
     [](UpdateWorkerTest& t) {
       WriteDemo(t);
       t.platform->DeviceIo().SetRefuseAll(true);
     },
     TBU_E_NO_CONTROLLER, false, false},
    {"VersionReturnValuePassedOn",
     [](UpdateWorkerTest& t) {
       WriteDemo(t);
       t.platform->Provider().ForceReturnValue(u"GetCurrentNvmVersion", 7);
     },
     7, false},
    {"NoDataFolder", [](UpdateWorkerTest& t) { fs::remove_all(t.folder.Data()); }, TBU_E_NO_IMAGE,
     false},
    {"NoBinInDataFolder",
     [](UpdateWorkerTest& t) {
       t.folder.Write("update.bin.txt", emulated::DemoImage());
       t.folder.Write("update.binx", emulated::DemoImage());
     },
     TBU_E_NO_IMAGE, false},
    {"EmptyImageFile", [](UpdateWorkerTest& t) { t.folder.Write("update.bin", {}); },
     TBU_E_NO_IMAGE, false},
    {"DirectoryNamedLikeAnImageComesFirst",
     [](UpdateWorkerTest& t) {
       fs::create_directory(t.folder.Data() / "a.bin");
       t.folder.Write("b.bin", emulated::DemoImage());
     },
     TBU_E_NO_IMAGE, false},
    {"ImageOfAnUnknownDevice",
     [](UpdateWorkerTest& t) {
       t.folder.Write("update.bin", emulated::DefaultBoardBuilder().DeviceId(0x1234).BuildImage());
     },
     TBU_E_UNKNOWN_DEVICE, false},
    {"ImageOfZeros",
     [](UpdateWorkerTest& t) { t.folder.Write("update.bin", std::vector<uint8_t>(0x2000, 0)); },
     TBU_E_NO_IMAGE, false},
    {"Downgrade", [](UpdateWorkerTest& t) { t.folder.Write("update.bin", ImageWithVersion(0x1F)); },
     TBU_E_DOWNGRADE, false},
    {"UpdateReturnValuePassedOn",
     [](UpdateWorkerTest& t) {
       WriteDemo(t);
       t.platform->Provider().ForceReturnValue(u"UpdateFirmware", 5);
     },
     5, true},
    {"UpdateCallFails",
     [](UpdateWorkerTest& t) {
       WriteDemo(t);
       t.platform->Provider().FailMethod(u"UpdateFirmware", wmi::WBEM_E_FAILED);
     },
     TBU_E_WMI_FAILED, true},
    {"ShortRead",
     [](UpdateWorkerTest& t) {
       WriteDemo(t);
       t.opener = [](const fs::path& path) -> std::unique_ptr<std::istream> {
         std::ifstream in(path, std::ios::binary);
         std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
         bytes.resize(bytes.size() / 2);
         return std::make_unique<std::istringstream>(bytes);
       };
     },
     TBU_E_NO_IMAGE, false},
    {"ImageCannotBeOpened",
     [](UpdateWorkerTest& t) {
       WriteDemo(t);
       t.opener = [](const fs::path&) -> std::unique_ptr<std::istream> { return nullptr; };
     },
     TBU_E_NO_IMAGE, false},
};

INSTANTIATE_TEST_SUITE_P(Paths, UpdateWorkerFailureTest, ::testing::ValuesIn(kFailureCases),
                         [](const ::testing::TestParamInfo<FailureCase>& info) {
                           return std::string(info.param.name);
                         });

TEST_F(UpdateWorkerTest, GoesOnWhenTheSwitchAnswersShort) {
  platform->DeviceIo().SetAnswerOverride(std::vector<uint8_t>{0x01});
  folder.Write("update.bin", emulated::DemoImage());
  Run();
  EXPECT_EQ(context.result, TBU_OK);
  EXPECT_TRUE(report.written);
}

TEST_F(UpdateWorkerTest, WritesAnImageOfTheInstalledVersion) {
  folder.Write("same.bin", ImageWithVersion(kInstalledVersion));
  Run();
  EXPECT_EQ(context.result, TBU_OK);
  EXPECT_TRUE(report.written);
  EXPECT_EQ(report.imageVersion, report.installedVersion);
}

TEST_F(UpdateWorkerTest, WritesAnOlderImageWhenDowngradeIsAllowed) {
  folder.Write("old.bin", ImageWithVersion(0x1F));
  context.downgradeAllowed = 1;
  Run();
  EXPECT_EQ(context.result, TBU_OK);
  EXPECT_EQ(platform->ControllerNvm()[0x0A], 0x1F);
}

TEST_F(UpdateWorkerTest, TakesTheFirstImageInNameOrderWhateverTheSuffixCase) {
  // Only B.Bin is a valid image: taking any other file fails the check.
  folder.Write("C.bin", std::vector<uint8_t>(64, 0xFF));
  folder.Write("B.Bin", emulated::DemoImage());
  folder.Write("a.bin.old", std::vector<uint8_t>(64, 0xFF));
  folder.Write("c.BIN", std::vector<uint8_t>(64, 0xFF));
  Run();
  EXPECT_EQ(context.result, TBU_OK);
  EXPECT_EQ(report.imagePath.filename(), "B.Bin");
}

TEST_F(UpdateWorkerTest, InstalledVersionStartsAtZeroWhenTheProviderGivesNone) {
  platform->Provider().OmitOutParameter(u"GetCurrentNvmVersion", u"NvmVersion");
  folder.Write("old.bin", ImageWithVersion(0x01));
  Run();
  EXPECT_EQ(report.installedVersion, 0u);
  EXPECT_NE(context.result, TBU_E_DOWNGRADE);
}

TEST_F(UpdateWorkerTest, SecondRunOfTheSameImageIsNoDowngradeAndWritesAgain) {
  const std::vector<uint8_t> image = emulated::DemoImage();
  folder.Write("update.bin", image);
  Run();
  ASSERT_EQ(context.result, TBU_OK);
  const uint8_t newVersion = platform->ControllerNvm()[0x0A];
  EXPECT_EQ(newVersion, kInstalledVersion + 1);

  Run();
  EXPECT_EQ(context.result, TBU_OK);
  EXPECT_EQ(report.installedVersion, newVersion);
  EXPECT_EQ(report.imageVersion, newVersion);
  EXPECT_TRUE(report.written);
  EXPECT_EQ(Calls("UpdateFirmware"), 2u);
  EXPECT_EQ(platform->VirtualClock().TotalSlept(), 40000u);
}

TEST_F(UpdateWorkerTest, RefusesAProgramPathBeyondThePathCapacity) {
  const std::string longName(kUpdatePathCapacity, 'x');
  platform->SystemInfo().SetModuleFileName(
      ToUtf16(folder.Program().parent_path().string() + "/" + longName + "/tool"));
  Run();
  EXPECT_EQ(context.result, TBU_E_NO_IMAGE);
}

TEST(ImageFolderTest, CutsAfterTheLastSlashAndAppendsData) {
  struct Case {
    std::u16string module;
    std::u16string folder;
  };
  const Case cases[] = {
      {u"/opt/tbt/tbt-fw-update", u"/opt/tbt/data"},
      {u"/tool", u"/data"},
      {u"/opt/tbt/", u"/opt/tbt/data"},
      {u"tool", u"tooldata"},
      {u"", u"data"},
      {u"/a\\b/tool", u"/a\\b/data"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ImageFolderFromModulePath(c.module), c.folder) << ToUtf8(c.module);
  }
}

TEST(FindFirstImageTest, PicksTheFirstBinInNameOrder) {
  struct Case {
    const char* name;
    std::vector<std::string> files;
    std::vector<std::string> directories;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {"none", {"readme.txt", "bin", "x.bi"}, {}, ""},
      {"one", {"fw.bin"}, {}, "fw.bin"},
      {"name order", {"z.bin", "m.bin", "n.bin"}, {}, "m.bin"},
      {"suffix in any case", {"b.bin", "A.BIN"}, {}, "A.BIN"},
      {"bare suffix", {".bin", "a.bin"}, {}, ".bin"},
      {"directory first", {"b.bin"}, {"a.bin"}, "a.bin"},
      {"other directories ignored", {"b.bin"}, {"a"}, "b.bin"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempProgramFolder folder;
    for (const std::string& file : c.files) {
      folder.Write(file, {1});
    }
    for (const std::string& directory : c.directories) {
      fs::create_directory(folder.Data() / directory);
    }
    const fs::path found = FindFirstImage(folder.Data());
    EXPECT_EQ(found.filename().string(), c.expected);
    if (!c.expected.empty()) {
      EXPECT_EQ(found.parent_path(), folder.Data());
    }
  }
  EXPECT_TRUE(FindFirstImage("/nonexistent-folder-of-tbt-tests").empty());
}

TEST(ReadImageTest, ReadsExactlyTheSizeOrRefuses) {
  struct Case {
    const char* name;
    std::string content;
    uint64_t size;
    UpdateResult expected;
    std::vector<uint8_t> bytes;
  };
  const std::vector<Case> cases = {
      {"whole file", "abc", 3, TBU_OK, {'a', 'b', 'c'}},
      {"stream longer than the size", "abcd", 2, TBU_OK, {'a', 'b'}},
      {"empty", "", 0, TBU_E_NO_IMAGE, {}},
      {"short read", "ab", 3, TBU_E_NO_IMAGE, {}},
      {"too large for one call", "ab", 0x100000000ull, TBU_E_NO_MEMORY, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::istringstream in(c.content);
    std::vector<uint8_t> image = {9, 9};
    EXPECT_EQ(ReadImage(in, c.size, &image), c.expected);
    EXPECT_EQ(image, c.bytes);
  }
}

}  // namespace
}  // namespace tbt

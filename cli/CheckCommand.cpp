#include "cli/CheckCommand.h"

#include <memory>

#include "cli/CliFiles.h"
#include "cli/Json.h"
#include "platform/Utf16.h"
#include "platform/emulated/EmulatedPlatform.h"
#include "platform/emulated/EmulatedTbtProvider.h"
#include "platform/emulated/NvmImageBuilder.h"
#include "platform/wmi/Wmi.h"
#include "update/NvmCheck.h"
#include "update/TbtWmiClient.h"

namespace tbt::cli {
namespace {

constexpr char kUsage[] =
    "usage: tbt-nvm check IMAGE [--controller-nvm FILE | --controller-image FILE]\n"
    "                           [--installed-version N] [--controller-id STR] [--json]\n";

bool TakeValue(const std::vector<std::string>& args, size_t* i, std::string* value,
               std::string* error) {
  if (*i + 1 >= args.size()) {
    *error = args[*i] + " needs a value";
    return false;
  }
  *value = args[++*i];
  return true;
}

std::string RowName(int row) {
  return row >= 0 ? ToUtf8(kNvmCheckTable.at(static_cast<size_t>(row)).name) : std::string();
}

}  // namespace

bool ParseCheckArguments(const std::vector<std::string>& args, CheckRequest* request,
                         std::string* error) {
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& word = args[i];
    std::string value;
    if (word == "--json") {
      request->json = true;
    } else if (word == "--controller-nvm" || word == "--controller-image") {
      if (!TakeValue(args, &i, &value, error)) {
        return false;
      }
      (word == "--controller-nvm" ? request->controllerNvmPath : request->controllerImagePath) =
          value;
    } else if (word == "--installed-version") {
      uint32_t version = 0;
      if (!TakeValue(args, &i, &value, error)) {
        return false;
      }
      if (!ParseUnsigned32(value, &version)) {
        *error =
            "--installed-version takes a decimal or 0x hex number up to 0xFFFFFFFF, not " + value;
        return false;
      }
      request->installedVersion = version;
    } else if (word == "--controller-id") {
      if (!TakeValue(args, &i, &value, error)) {
        return false;
      }
      request->controllerId = value;
    } else if (word.size() > 1 && word[0] == '-') {
      *error = "unknown option " + word;
      return false;
    } else if (request->imagePath.empty()) {
      request->imagePath = word;
    } else {
      *error = "more than one image given";
      return false;
    }
  }
  if (request->imagePath.empty()) {
    *error = "no image given";
    return false;
  }
  if (!request->controllerNvmPath.empty() && !request->controllerImagePath.empty()) {
    *error = "give --controller-nvm or --controller-image, not both";
    return false;
  }
  return true;
}

CheckReport CheckAgainstEmulatedController(const std::vector<uint8_t>& image,
                                           const std::vector<uint8_t>& nvm,
                                           const std::u16string& controllerId,
                                           std::optional<uint32_t> installedVersion) {
  wmi::NamespaceRegistry registry;
  auto provider = std::make_shared<emulated::EmulatedTbtProvider>();
  provider->AddController({controllerId, nvm});
  if (installedVersion.has_value()) {
    // The provider carries the version as its 32-bit field; the bits are kept.
    provider->SetNvmVersion(static_cast<int32_t>(*installedVersion));
  }
  emulated::RegisterEmulatedTbtProvider(registry, provider);
  CTbtWmiClient client(registry);

  CheckReport report;
  client.ConnectWmi();
  client.GetCurrentNvmVersion(&report.installedVersion);
  const size_t readsBefore = provider->CallCount(u"ReadFirmware");
  uint32_t imageVersion = 0;
  report.result =
      CheckFirmwareImage(client, image.data(), image.size(), &imageVersion, &report.failedRow);
  report.readCalls = provider->CallCount(u"ReadFirmware") - readsBefore;
  if (report.result == TBU_OK) {
    report.imageVersion = imageVersion;
  }
  return report;
}

std::string FormatCheckJson(const CheckReport& report) {
  const bool regionFailed = report.result == TBU_E_REGION_MISMATCH && report.failedRow >= 0;
  const std::string region = RowName(report.failedRow);
  return JsonObject()
      .Number("result", report.result)
      .String("code", Hex32(report.result))
      .String("name", ResultCodeName(report.result))
      .Number("image_version", report.imageVersion.has_value()
                                   ? std::optional<uint64_t>(*report.imageVersion)
                                   : std::nullopt)
      .Number("installed_version", report.installedVersion)
      .String("region", regionFailed ? std::optional<std::string_view>(region) : std::nullopt)
      .Number("read_calls", report.readCalls)
      .Text();
}

std::string FormatCheckText(const CheckReport& report, const std::string& imagePath,
                            const std::string& controllerSource) {
  std::string text;
  text += "controller:        emulated, " + controllerSource + " (no hardware is touched)\n";
  text += "installed version: " + Hex32(report.installedVersion) + "\n";
  text += "image:             " + imagePath + "\n";
  if (report.imageVersion.has_value()) {
    text += "image version:     " + Hex32(*report.imageVersion) + "\n";
  }
  text += "result:            " + Hex32(report.result) + " " +
          std::string(ResultCodeName(report.result)) + ": " +
          (report.result == TBU_OK ? std::string("the image fits this controller")
                                   : std::string(ResultCodeDescription(report.result))) +
          "\n";
  if (report.result == TBU_E_REGION_MISMATCH && report.failedRow >= 0) {
    text += "region:            \"" + RowName(report.failedRow) + "\" (row " +
            std::to_string(report.failedRow + 1) + " of the region table) differs\n";
  }
  text += "controller reads:  " + std::to_string(report.readCalls) + " ReadFirmware calls\n";
  return text;
}

int RunCheckCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  CheckRequest request;
  std::string error;
  if (!ParseCheckArguments(args, &request, &error)) {
    err << "tbt-nvm check: " << error << "\n" << kUsage;
    return kExitUsage;
  }
  std::vector<uint8_t> image;
  if (!ReadFileBytes(request.imagePath, &image, &error)) {
    err << "tbt-nvm check: " << error << "\n";
    return kExitUsage;
  }

  std::vector<uint8_t> nvm;
  std::string controllerSource;
  if (!request.controllerNvmPath.empty()) {
    if (!ReadFileBytes(request.controllerNvmPath, &nvm, &error)) {
      err << "tbt-nvm check: " << error << "\n";
      return kExitUsage;
    }
    controllerSource = "NVM from " + request.controllerNvmPath;
  } else if (!request.controllerImagePath.empty()) {
    std::vector<uint8_t> controllerImage;
    if (!ReadFileBytes(request.controllerImagePath, &controllerImage, &error)) {
      err << "tbt-nvm check: " << error << "\n";
      return kExitUsage;
    }
    if (!ControllerNvmFromImage(controllerImage, &nvm)) {
      err << "tbt-nvm check: " << request.controllerImagePath
          << " has no usable section pointer at 0x0 or 0x1000\n";
      return kExitUsage;
    }
    controllerSource = "NVM from the image " + request.controllerImagePath;
  } else {
    nvm = emulated::DefaultControllerNvm();
    controllerSource = "built-in controller";
  }

  const std::u16string controllerId = request.controllerId.has_value()
                                          ? ToUtf16(*request.controllerId)
                                          : std::u16string(emulated::kEmulatedControllerId);
  const CheckReport report =
      CheckAgainstEmulatedController(image, nvm, controllerId, request.installedVersion);
  out << (request.json ? FormatCheckJson(report) + "\n"
                       : FormatCheckText(report, request.imagePath, controllerSource));
  return report.result == TBU_OK ? kExitOk : kExitFailed;
}

}  // namespace tbt::cli

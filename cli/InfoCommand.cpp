#include "cli/InfoCommand.h"

#include "cli/CliFiles.h"
#include "cli/CommandWords.h"
#include "cli/ImageDescription.h"

namespace tbt::cli {

int RunInfoCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  constexpr char kUsage[] = "usage: tbt-nvm info IMAGE [--json]\n";
  constexpr CommandOption kInfoOptions[] = {{"--json"}};
  CommandWords words;
  std::string error;
  if (!SplitCommandWords(args, kInfoOptions, "image", &words, &error)) {
    err << "tbt-nvm info: " << error << "\n" << kUsage;
    return kExitUsage;
  }
  const std::string& imagePath = words.operand;
  const bool json = words.Has("--json");
  std::vector<uint8_t> image;
  if (!ReadFileBytes(imagePath, &image, &error)) {
    err << "tbt-nvm info: " << error << "\n";
    return kExitUsage;
  }
  const ImageDescription description = DescribeImage(image);
  out << (json ? FormatImageJson(description) + "\n" : FormatImageText(description));
  return description.result == TBU_OK ? kExitOk : kExitFailed;
}

}  // namespace tbt::cli

#include "cli/InfoCommand.h"

#include "cli/CliFiles.h"
#include "cli/ImageDescription.h"

namespace tbt::cli {

int RunInfoCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  constexpr char kUsage[] = "usage: tbt-nvm info IMAGE [--json]\n";
  std::string imagePath;
  bool json = false;
  for (const std::string& word : args) {
    if (word == "--json") {
      json = true;
    } else if (word.size() > 1 && word[0] == '-') {
      err << "tbt-nvm info: unknown option " << word << "\n" << kUsage;
      return kExitUsage;
    } else if (imagePath.empty()) {
      imagePath = word;
    } else {
      err << "tbt-nvm info: more than one image given\n" << kUsage;
      return kExitUsage;
    }
  }
  if (imagePath.empty()) {
    err << "tbt-nvm info: no image given\n" << kUsage;
    return kExitUsage;
  }
  std::vector<uint8_t> image;
  std::string error;
  if (!ReadFileBytes(imagePath, &image, &error)) {
    err << "tbt-nvm info: " << error << "\n";
    return kExitUsage;
  }
  const ImageDescription description = DescribeImage(image);
  out << (json ? FormatImageJson(description) + "\n" : FormatImageText(description));
  return description.result == TBU_OK ? kExitOk : kExitFailed;
}

}  // namespace tbt::cli

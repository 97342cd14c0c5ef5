#include "cli/DemoImageCommand.h"

#include "cli/CliFiles.h"
#include "platform/emulated/NvmImageBuilder.h"

namespace tbt::cli {

int RunDemoImageCommand(const std::vector<std::string>& args, std::ostream& out,
                        std::ostream& err) {
  if (args.size() != 1 || (args[0].size() > 1 && args[0][0] == '-')) {
    err << "usage: tbt-nvm demo-image OUT\n";
    return kExitUsage;
  }
  const std::vector<uint8_t> image = emulated::DemoImage();
  std::string error;
  if (!WriteFileBytes(args[0], image, &error)) {
    err << "tbt-nvm demo-image: " << error << "\n";
    return kExitUsage;
  }
  out << "wrote " << image.size() << " bytes to " << args[0] << "\n";
  return kExitOk;
}

}  // namespace tbt::cli

#include "cli/StatusCommand.h"

#include "cli/CliFiles.h"

#if TBT_HAVE_LINUX_BACKEND
#include "platform/linux/ControllerStatus.h"
#endif

namespace tbt::cli {

namespace {

constexpr char kUsage[] = "usage: tbt-nvm status [--json] [--sysfs-root DIR]\n";

}  // namespace

int RunStatusCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  bool json = false;
  std::string sysfsRoot = "/sys";
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--json") {
      json = true;
    } else if (args[i] == "--sysfs-root" && i + 1 < args.size()) {
      sysfsRoot = args[++i];
    } else {
      err << "tbt-nvm status: unexpected " << args[i] << "\n" << kUsage;
      return kExitUsage;
    }
  }
#if TBT_HAVE_LINUX_BACKEND
  const auto status = platform::linux_backend::CollectMachineStatus(sysfsRoot);
  out << (json ? platform::linux_backend::FormatStatusJson(status)
               : platform::linux_backend::FormatStatusText(status));
  return status.routers.empty() ? kExitFailed : kExitOk;
#else
  (void)json;
  (void)out;
  err << "tbt-nvm status: this build has no Linux backend (TBT_BUILD_LINUX_BACKEND=OFF)\n";
  return kExitFailed;
#endif
}

}  // namespace tbt::cli

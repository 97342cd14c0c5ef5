#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/ByteOrder.h"
#include "platform/emulated/EmulatedCallLog.h"
#include "platform/emulated/EmulatedDeviceIo.h"

namespace tbt::emulated {
namespace {

std::vector<uint8_t> Request(uint32_t tag, uint32_t payloadLength, std::vector<uint32_t> words) {
  words.insert(words.begin(), {tag, payloadLength});
  std::vector<uint8_t> bytes(4 * words.size());
  for (size_t i = 0; i < words.size(); ++i) {
    WriteLittleEndian(bytes.data() + 4 * i, words[i], 4);
  }
  return bytes;
}

std::vector<uint8_t> Devs(uint32_t deviceId, uint32_t value) {
  return Request(kEmulatedDevsTag, 8, {deviceId, value});
}

class EmulatedDeviceIoTest : public ::testing::Test {
 protected:
  // Sends the request from an exactly sized heap buffer, so that a read past its end
  // shows under the address sanitizer.
  bool Send(const std::vector<uint8_t>& request, uint32_t code = kEmulatedAcpiControlCode) {
    auto exact = std::make_unique<uint8_t[]>(request.size() + 1);
    std::copy(request.begin(), request.end(), exact.get());
    answerLength = 0xFFFF;
    return io.DeviceIoControl(handle, code, request.empty() ? nullptr : exact.get(),
                              static_cast<uint32_t>(request.size()), answer, sizeof answer,
                              &answerLength);
  }

  void SetUp() override { handle = io.OpenDevice(kEmulatedAcpiDevicePath); }

  EmulatedCallLog log;
  EmulatedDeviceIo io{&log};
  platform::Handle handle = platform::kNullHandle;
  uint8_t answer[16] = {};
  uint32_t answerLength = 0;
};

TEST_F(EmulatedDeviceIoTest, OpensOnlyThePresentAcpiDevice) {
  EXPECT_TRUE(platform::IsOpen(handle));
  EXPECT_TRUE(platform::IsOpen(io.OpenDevice(u"\\\\.\\kxracpi")));
  EXPECT_EQ(io.OpenDevice(u"\\\\.\\OTHER"), platform::kInvalidHandle);
  io.SetAcpiDevicePresent(false);
  EXPECT_EQ(io.OpenDevice(kEmulatedAcpiDevicePath), platform::kInvalidHandle);
  EXPECT_EQ(io.OpenHandleCount(), 2u);
}

TEST_F(EmulatedDeviceIoTest, DevsSwitchesTheDeviceAndAnswersFourBytes) {
  ASSERT_TRUE(Send(Devs(kEmulatedThunderboltDeviceId, 1)));
  EXPECT_TRUE(io.IsDeviceOn(kEmulatedThunderboltDeviceId));
  EXPECT_FALSE(io.IsDeviceOn(0x00060058));
  EXPECT_EQ(answerLength, 4u);
  ASSERT_TRUE(Send(Devs(kEmulatedThunderboltDeviceId, 0)));
  EXPECT_FALSE(io.IsDeviceOn(kEmulatedThunderboltDeviceId));
  EXPECT_EQ(log.Lines().back(), "DeviceControl DEVS 0x60057 0");
}

}  // namespace
}  // namespace tbt::emulated

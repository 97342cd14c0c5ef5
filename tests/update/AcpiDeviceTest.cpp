#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <numeric>
#include <optional>
#include <string>
#include <vector>

#include "platform/Platform.h"
#include "update/AcpiDevice.h"

namespace tbt {
namespace {

// A driver that records the request it got and answers what the test chose.
class ScriptedDriver final : public platform::IDeviceIo {
 public:
  platform::Handle OpenDevice(std::u16string_view path) override {
    static_cast<void>(path);  // the emulated device checks it on every update
    return present ? 0x42 : platform::kInvalidHandle;
  }
  bool DeviceIoControl(platform::Handle device, uint32_t controlCode, const uint8_t* input,
                       uint32_t inputSize, uint8_t* output, uint32_t outputSize,
                       uint32_t* bytesReturned) override {
    ++calls;
    static_cast<void>(device);
    lastCode = controlCode;
    request.assign(input, input + inputSize);
    lastOutputSize = outputSize;
    const size_t copied = std::min<size_t>(answer.size(), outputSize);
    std::copy_n(answer.begin(), copied, output);
    *bytesReturned = claimedBytes.value_or(static_cast<uint32_t>(copied));
    return accept;
  }
  bool CloseHandle(platform::Handle device) override {
    closed.push_back(device);
    return true;
  }

  bool present = true;
  bool accept = true;
  std::vector<uint8_t> answer = {0x78, 0x56, 0x34, 0x12};
  std::optional<uint32_t> claimedBytes;
  int calls = 0;
  uint32_t lastCode = 0;
  uint32_t lastOutputSize = 0;
  std::vector<uint8_t> request;
  std::vector<platform::Handle> closed;
};

TEST(AcpiDeviceTest, OpenStoresTheHandleAndCloseResetsItToZero) {
  ScriptedDriver driver;
  AcpiDevice device(driver);
  EXPECT_EQ(device.NativeHandle(), platform::kNullHandle);
  ASSERT_TRUE(OpenAcpiDevice(device));
  EXPECT_TRUE(CloseAcpiDevice(device));
  EXPECT_EQ(device.NativeHandle(), platform::kNullHandle);
  EXPECT_FALSE(CloseAcpiDevice(device));
  EXPECT_EQ(driver.closed, (std::vector<platform::Handle>{0x42}));

  driver.present = false;
  EXPECT_FALSE(OpenAcpiDevice(device));
  EXPECT_EQ(device.NativeHandle(), platform::kInvalidHandle);
  EXPECT_FALSE(CloseAcpiDevice(device));

  driver.present = true;
  {
    AcpiDevice destroyed(driver);
    ASSERT_TRUE(OpenAcpiDevice(destroyed));
  }
  EXPECT_EQ(driver.closed, (std::vector<platform::Handle>{0x42, 0x42}));  // closed on destruction
}

TEST(AcpiDeviceTest, CallMethodSendsTagLengthAndArgumentsAndTakesFourAnswerBytes) {
  const struct {
    std::vector<uint8_t> answer;
    bool accept;
    uint32_t expected;
  } cases[] = {
      {{0x78, 0x56, 0x34, 0x12}, true, 0x12345678},
      {{0x11, 0x22, 0x33}, true, 0},  // shorter than four bytes: no result
      {{0x04, 0x03, 0x02, 0x01, 0xFF, 0xFF}, true, 0x01020304},
      {{0x78, 0x56, 0x34, 0x12}, false, 0xDEADBEEF},  // a refused exchange sets nothing
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.answer.size());
    ScriptedDriver driver;
    driver.answer = c.answer;
    driver.accept = c.accept;
    AcpiDevice device(driver);
    uint32_t result = 0xDEADBEEF;
    EXPECT_FALSE(AcpiCallMethod(device, kAcpiMethodDevs, kThunderboltPlatformDevice, 1, &result));
    EXPECT_EQ(driver.calls, 0);  // no device open: no exchange
    ASSERT_TRUE(OpenAcpiDevice(device));
    EXPECT_EQ(AcpiCallMethod(device, kAcpiMethodDevs, kThunderboltPlatformDevice, 1, &result),
              c.accept);
    EXPECT_EQ(result, c.expected);
    EXPECT_EQ(driver.lastCode, 0x0022240Cu);
    EXPECT_EQ(driver.lastOutputSize, 1024u);
    EXPECT_EQ(driver.request, (std::vector<uint8_t>{0x44, 0x45, 0x56, 0x53, 8, 0, 0, 0, 0x57, 0x00,
                                                    0x06, 0x00, 1, 0, 0, 0}));
  }
}

TEST(AcpiDeviceTest, TransferCutsTheAnswerToTheCallersLength) {
  const struct {
    uint32_t callerLength;
    size_t answerBytes;
    std::optional<uint32_t> claimedBytes;  // a byte count the driver reports
    uint32_t expectedLength;
  } cases[] = {{6, 10, {}, 6}, {16, 10, {}, 10}, {0, 10, {}, 0}, {4096, 1024, 5000, 1024}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.callerLength);
    ScriptedDriver driver;
    driver.answer.resize(c.answerBytes);
    std::iota(driver.answer.begin(), driver.answer.end(), uint8_t{1});
    driver.claimedBytes = c.claimedBytes;
    AcpiDevice device(driver);
    ASSERT_TRUE(OpenAcpiDevice(device));
    std::vector<uint8_t> buffer(c.callerLength + 1, 0xEE);
    uint32_t length = c.callerLength;
    const uint8_t payload[3] = {9, 8, 7};
    ASSERT_TRUE(AcpiTransfer(device, 0x41424344, payload, sizeof payload, buffer.data(), &length));
    EXPECT_EQ(length, c.expectedLength);
    for (uint32_t i = 0; i < c.expectedLength; ++i) {
      ASSERT_EQ(buffer[i], static_cast<uint8_t>(i + 1));
    }
    EXPECT_EQ(buffer[c.expectedLength], 0xEE);  // nothing beyond the answer is touched
    EXPECT_EQ(driver.request, (std::vector<uint8_t>{0x44, 0x43, 0x42, 0x41, 3, 0, 0, 0, 9, 8, 7}));
  }
}

}  // namespace
}  // namespace tbt

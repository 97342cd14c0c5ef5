#include "cli/CommandWords.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "CliTestSupport.h"
#include "cli/ControllerFiles.h"
#include "platform/emulated/NvmImageBuilder.h"

namespace tbt::cli {
namespace {

constexpr std::array kOptions{CommandOption{"--flag"}, CommandOption{"--value", true}};

TEST(SplitCommandWordsTest, TakesOneOperandAndTheKnownOptionsInAnyOrder) {
  const struct {
    std::vector<std::string> args;
    const char* operand;
    bool flag;
    const char* value;  // nullptr: not given
  } cases[] = {
      {{"a.bin"}, "a.bin", false, nullptr},
      {{"--flag", "a.bin"}, "a.bin", true, nullptr},
      {{"--value", "--flag", "a.bin"}, "a.bin", false, "--flag"},
      {{"a.bin", "--value", "1", "--value", "2"}, "a.bin", false, "2"},
      {{"-", "--value", ""}, "-", false, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.args));
    CommandWords words;
    std::string error;
    ASSERT_TRUE(SplitCommandWords(c.args, kOptions, "image", &words, &error)) << error;
    EXPECT_EQ(words.operand, c.operand);
    EXPECT_EQ(words.Has("--flag"), c.flag);
    EXPECT_EQ(words.Has("--value"), c.value != nullptr);
    EXPECT_EQ(words.Value("--value"), c.value != nullptr ? c.value : "");
  }
}

TEST(SplitCommandWordsTest, NamesEachMistake) {
  const struct {
    std::vector<std::string> args;
    const char* error;
  } cases[] = {
      {{}, "no image given"},
      {{"--flag"}, "no image given"},
      {{"a.bin", "b.bin"}, "more than one image given"},
      {{"a.bin", "--value"}, "--value needs a value"},
      {{"a.bin", "--flag=1"}, "unknown option --flag=1"},
  };
  for (const auto& c : cases) {
    CommandWords words;
    std::string error;
    EXPECT_FALSE(SplitCommandWords(c.args, kOptions, "image", &words, &error));
    EXPECT_EQ(error, c.error);
  }
}

TEST(ControllerFilesTest, TakesAtMostOneFileAndReadsItsNvm) {
  test::TempFolder folder;
  const emulated::NvmImageBuilder board = emulated::DefaultBoardBuilder();
  const std::string nvmFile = folder.Write("c.nvm", board.BuildControllerNvm());
  const std::string imageFile = folder.Write("c.bin", board.BuildImage());
  constexpr std::array kBoth{kControllerNvmOption, kControllerImageOption};

  const struct {
    std::vector<std::string> args;
    const char* error;  // nullptr: taken and read
  } cases[] = {
      {{"x", "--controller-nvm", nvmFile}, nullptr},
      {{"x", "--controller-image", imageFile}, nullptr},
      {{"x", "--controller-nvm", nvmFile, "--controller-image", imageFile}, "not both"},
      {{"x", "--controller-image", ""}, "--controller-image needs a file name"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.args));
    CommandWords words;
    ControllerFiles files;
    std::string error;
    ASSERT_TRUE(SplitCommandWords(c.args, kBoth, "image", &words, &error));
    EXPECT_EQ(TakeControllerFiles(words, &files, &error), c.error == nullptr);
    if (c.error != nullptr) {
      EXPECT_NE(error.find(c.error), std::string::npos) << error;
      continue;
    }
    ASSERT_TRUE(files.Given());
    std::vector<uint8_t> nvm;
    ASSERT_TRUE(ReadControllerNvm(files, &nvm, &error)) << error;
    EXPECT_EQ(nvm, board.BuildControllerNvm());
  }
}

}  // namespace
}  // namespace tbt::cli

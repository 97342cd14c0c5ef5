#include "app/strings/LocalizedString.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TempFolder.h"
#include "platform/Platform.h"

namespace tbt::app {
namespace {

struct NormalizeCase {
  uint32_t langId;
  uint16_t expected;
};

const NormalizeCase kNormalizeCases[] = {
    // Chinese: Taiwan, Hong Kong and Macao read Taiwan's texts.
    {0x0404, 0x0404},
    {0x0C04, 0x0404},
    {0x1404, 0x0404},
    // PRC and Singapore read the PRC's texts.
    {0x0804, 0x0804},
    {0x1004, 0x0804},
    // Other Chinese ids, including the neutral ones, stay as they are.
    {0x0004, 0x0004},
    {0x7C04, 0x7C04},
    {0x1804, 0x1804},
    // Portuguese ids are never folded.
    {0x0416, 0x0416},
    {0x0816, 0x0816},
    {0x0016, 0x0016},
    // Every other language falls to sub-language 1.
    {0x0409, 0x0409},
    {0x0809, 0x0409},
    {0x0C0C, 0x040C},
    {0x0C0A, 0x040A},
    {0x0807, 0x0407},
    {0x0000, 0x0400},
    {0xFFFF, 0x07FF},
    // Only the low 16 bits count.
    {0x12340C04, 0x0404},
    {0x00010409, 0x0409},
};

TEST(NormalizeLanguageId, FoldsByPrimaryLanguage) {
  for (const auto& c : kNormalizeCases) {
    EXPECT_EQ(NormalizeLanguageId(c.langId), c.expected) << std::hex << "langId 0x" << c.langId;
  }
}

TEST(LanguageKeyName, IsUpperCaseHexWithoutLeadingZeros) {
  EXPECT_EQ(LanguageKeyName(0x409), u"0x409");
  EXPECT_EQ(LanguageKeyName(0x40C), u"0x40C");
  EXPECT_EQ(LanguageKeyName(0x7C04), u"0x7C04");
  EXPECT_EQ(LanguageKeyName(0x0004), u"0x4");
  EXPECT_EQ(LanguageKeyName(0), u"0x0");
  EXPECT_EQ(LanguageKeyName(0xFFFF), u"0xFFFF");
}

TEST(IniPathForModule, CutsAfterTheLastSlash) {
  EXPECT_EQ(IniPathForModule(u"/opt/tbt/bin/tbt-fwupdate"), u"/opt/tbt/bin/data/Update.ini");
  EXPECT_EQ(IniPathForModule(u"/tbt-fwupdate"), u"/data/Update.ini");
  EXPECT_EQ(IniPathForModule(u"dir/"), u"dir/data/Update.ini");
  // Without a separator the path is kept whole.
  EXPECT_EQ(IniPathForModule(u"tbt-fwupdate"), u"tbt-fwupdatedata/Update.ini");
  EXPECT_EQ(IniPathForModule(u""), u"data/Update.ini");
}

TEST(IniPathForModule, ReadsTheModulePathThroughItsFixedBuffer) {
  // 1023 units survive; a slash beyond them no longer counts.
  const std::u16string longFolder(1020, u'd');
  EXPECT_EQ(IniPathForModule(longFolder + u"/ab"), longFolder + u"/data/Update.ini");
  EXPECT_EQ(IniPathForModule(longFolder + u"abc/x"), longFolder + u"abcdata/Update.ini");
}

class FakeSystemInfo : public platform::ISystemInfo {
 public:
  explicit FakeSystemInfo(std::u16string modulePath) : modulePath_(std::move(modulePath)) {}
  std::u16string ModuleFileName() override {
    ++moduleFileNameCalls;
    return modulePath_;
  }
  uint16_t UserDefaultUILanguage() override { return 0x409; }
  int moduleFileNameCalls = 0;

 private:
  std::u16string modulePath_;
};

// A program folder with data/Update.ini in it.
class LocalizedStringTest : public testing::Test {
 protected:
  void WriteIni(std::string_view bytes) { folder_.Write("bin/data/Update.ini", bytes); }

  std::u16string ModulePath() const { return test::PathText(folder_.Path() / "bin" / "tool"); }

  std::u16string Load(uint32_t langId, const char16_t* key, size_t capacity = 256) {
    FakeSystemInfo system(ModulePath());
    std::u16string buffer(capacity + 1, u'#');
    LoadLocalizedString(system, langId, key, buffer.data(), capacity);
    EXPECT_EQ(buffer[capacity], u'#') << "wrote past the capacity";
    // The whole buffer is zeroed before the text goes in.
    const std::u16string text(buffer.data());
    for (size_t i = text.size(); i < capacity; ++i) {
      EXPECT_EQ(buffer[i], u'\0') << "unit " << i;
    }
    return text;
  }

  test::TempFolder folder_;
};

constexpr std::string_view kSampleIni =
    "\xEF\xBB\xBF"
    "[Language]\r\n"
    "0x409=English\r\n"
    "0x404=Taiwan\r\n"
    "0x804=Prc\r\n"
    "0x416=Brazil\r\n"
    "0x816=Portugal\r\n"
    "0x40C=French\r\n"
    "0x412=Missing\r\n"
    "0x410=\r\n"
    "0x407=\"\"\r\n"
    "[English]\r\nIDS_UPDATE=Update\r\n"
    "[Taiwan]\r\nIDS_UPDATE=tw\r\n"
    "[Prc]\r\nIDS_UPDATE=cn\r\n"
    "[Brazil]\r\nIDS_UPDATE=br\r\n"
    "[Portugal]\r\nIDS_UPDATE=pt\r\n"
    "[French]\r\nIDS_UPDATE=fr\r\n"
    "[0xC04]\r\nIDS_UPDATE=wrong key\r\n";

struct LanguageCase {
  uint32_t langId;
  std::u16string_view expected;
};

const LanguageCase kLanguageCases[] = {
    {0x0409, u"Update"},
    {0x0809, u"Update"},
    // Hong Kong reads key 0x404, never 0xC04.
    {0x0C04, u"tw"},
    {0x1404, u"tw"},
    {0x0404, u"tw"},
    {0x1004, u"cn"},
    {0x0804, u"cn"},
    // 0x7C04 is looked up as itself, is missing, and falls back to 0x409.
    {0x7C04, u"Update"},
    {0x0416, u"br"},
    {0x0816, u"pt"},
    {0x0C0C, u"fr"},
    {0x080C, u"fr"},
    // An unlisted language and id 0 (key 0x400) fall back too.
    {0x0411, u"Update"},
    {0x0000, u"Update"},
    // An empty entry, also as empty quotes, is treated like a missing one.
    {0x0410, u"Update"},
    {0x0407, u"Update"},
    // An entry naming a section that does not exist gives nothing, with no fallback.
    {0x0412, u""},
};

TEST_F(LocalizedStringTest, PicksTheSectionOfTheLanguage) {
  WriteIni(kSampleIni);
  for (const auto& c : kLanguageCases) {
    EXPECT_EQ(Load(c.langId, u"IDS_UPDATE"), c.expected) << std::hex << "langId 0x" << c.langId;
  }
  EXPECT_EQ(Load(0x409, u"IDS_EXIT"), u"");
}

TEST_F(LocalizedStringTest, NoFileNoLanguageSectionOrEmptyFallbackGivesEmptyTexts) {
  EXPECT_EQ(Load(0x409, u"IDS_UPDATE"), u"");
  WriteIni("[English]\nIDS_UPDATE=Update\n");
  EXPECT_EQ(Load(0x409, u"IDS_UPDATE"), u"");
  WriteIni("[Language]\n0x409=\n[English]\nIDS_UPDATE=Update\n");
  EXPECT_EQ(Load(0x411, u"IDS_UPDATE"), u"");
}

TEST_F(LocalizedStringTest, SectionNameIsReadIntoThirtyUnits) {
  // The name in the entry is cut to 29 units before the section is looked up.
  const std::string longName(35, 'n');
  WriteIni("[Language]\n0x409=" + longName + "\n[" + longName.substr(0, 29) +
           "]\nIDS_UPDATE=cut\n[" + longName + "]\nIDS_UPDATE=whole\n");
  EXPECT_EQ(Load(0x409, u"IDS_UPDATE"), u"cut");
}

TEST_F(LocalizedStringTest, SuccessTextOf255UnitsFitsAndLongerIsCut) {
  const std::string fits(255, 's');
  WriteIni("[Language]\n0x409=E\n[E]\nIDS_SUCCESS=" + fits + "\nIDS_ERROR=" + fits + "x\n");
  EXPECT_EQ(Load(0x409, u"IDS_SUCCESS"), std::u16string(255, u's'));
  EXPECT_EQ(Load(0x409, u"IDS_ERROR"), std::u16string(255, u's'));
}

TEST_F(LocalizedStringTest, NullKeyOrBufferOrZeroCapacityTouchesNothing) {
  WriteIni(kSampleIni);
  FakeSystemInfo system(ModulePath());
  std::u16string buffer(8, u'#');
  LoadLocalizedString(system, 0x409, nullptr, buffer.data(), buffer.size());
  EXPECT_EQ(buffer, std::u16string(8, u'#'));
  LoadLocalizedString(system, 0x409, u"IDS_UPDATE", nullptr, 8);
  EXPECT_EQ(system.moduleFileNameCalls, 0);
  LoadLocalizedString(system, 0x409, u"IDS_UPDATE", buffer.data(), 0);
  EXPECT_EQ(buffer, std::u16string(8, u'#'));
}

TEST_F(LocalizedStringTest, FileIsReadAnewOnEachCall) {
  WriteIni(kSampleIni);
  EXPECT_EQ(Load(0x409, u"IDS_UPDATE"), u"Update");
  WriteIni("[Language]\n0x409=E\n[E]\nIDS_UPDATE=Changed\n");
  EXPECT_EQ(Load(0x409, u"IDS_UPDATE"), u"Changed");
}

}  // namespace
}  // namespace tbt::app

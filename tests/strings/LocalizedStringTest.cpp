#include "strings/LocalizedString.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/Platform.h"
#include "platform/Utf16.h"
#include "support/TempFolder.h"

namespace tbt::strings {
namespace {

TEST(IniPathForModule, CutsTheFixedSizeModulePathAfterItsLastSlash) {
  // 1023 units of the path survive; a slash beyond them no longer counts.
  const std::u16string longFolder(1020, u'd');
  const struct {
    std::u16string modulePath;
    std::u16string expected;
  } cases[] = {
      {u"/opt/tbt/bin/tbt-fwupdate", u"/opt/tbt/bin/data/Update.ini"},
      {u"tbt-fwupdate", u"tbt-fwupdatedata/Update.ini"},  // no separator: kept whole
      {longFolder + u"/ab", longFolder + u"/data/Update.ini"},
      {longFolder + u"abc/x", longFolder + u"abcdata/Update.ini"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(IniPathForModule(c.modulePath), c.expected) << c.modulePath.size() << " units";
  }
}

struct FakeSystemInfo : platform::ISystemInfo {
  std::u16string ModuleFileName() override {
    ++moduleFileNameCalls;
    return modulePath;
  }
  uint16_t UserDefaultUILanguage() override { return 0x409; }
  std::u16string modulePath;
  int moduleFileNameCalls = 0;
};

// A program folder with data/Update.ini in it.
class LocalizedStringTest : public testing::Test {
 protected:
  void WriteIni(std::string_view bytes) { folder_.Write("bin/data/Update.ini", bytes); }

  std::u16string ModulePath() const { return ToUtf16(folder_.Path("bin/tool").string()); }

  std::u16string Load(uint32_t langId, const char16_t* key) {
    constexpr size_t capacity = 256;
    FakeSystemInfo system;
    system.modulePath = ModulePath();
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
    "[Language]\n0x409=English\n0x404=Taiwan\n0x804=Prc\n0x416=Brazil\n0x816=Portugal\n"
    "0x40C=French\n0x412=Missing\n0x407=\"\"\n0xC04=HongKong\n"
    "[English]\nIDS_UPDATE=Update\n[Taiwan]\nIDS_UPDATE=tw\n[Prc]\nIDS_UPDATE=cn\n"
    "[Brazil]\nIDS_UPDATE=br\n[Portugal]\nIDS_UPDATE=pt\n[French]\nIDS_UPDATE=fr\n"
    "[HongKong]\nIDS_UPDATE=wrong key\n";

struct LanguageCase {
  uint32_t langId;
  std::u16string_view languageKey;  // the "Language" key it is listed under
  std::u16string_view expected;
};

const LanguageCase kLanguageCases[] = {
    {0x0409, u"0x409", u"Update"},
    // Hong Kong (and Macao) read key 0x404, never 0xC04; Singapore reads 0x804.
    {0x0C04, u"0x404", u"tw"},
    {0x1004, u"0x804", u"cn"},
    // Other Chinese ids are looked up as themselves, are missing, and fall back to 0x409.
    {0x7C04, u"0x7C04", u"Update"},
    // Portuguese ids are never folded; every other language falls to sub-language 1.
    {0x0416, u"0x416", u"br"},
    {0x0816, u"0x816", u"pt"},
    {0x0C0C, u"0x40C", u"fr"},
    {0xFFFF, u"0x7FF", u"Update"},
    // Only the low 16 bits count.
    {0x12340C04, u"0x404", u"tw"},
    // An empty entry (here: empty quotes) is treated like a missing one.
    {0x0407, u"0x407", u"Update"},
    // An entry naming a section that does not exist gives nothing, with no fallback.
    {0x0412, u"0x412", u""},
};

TEST_F(LocalizedStringTest, PicksTheSectionOfTheLanguage) {
  WriteIni(kSampleIni);
  for (const auto& c : kLanguageCases) {
    SCOPED_TRACE(testing::Message() << std::hex << "langId 0x" << c.langId);
    EXPECT_EQ(LanguageKeyName(NormalizeLanguageId(c.langId)), c.languageKey);
    EXPECT_EQ(Load(c.langId, u"IDS_UPDATE"), c.expected);
  }
  EXPECT_EQ(Load(0x409, u"IDS_EXIT"), u"");
}

TEST_F(LocalizedStringTest, SectionNameIsCutTo29UnitsAndTheTextTo255) {
  const std::string name(35, 'n');
  const std::string fits(255, 's');
  WriteIni("[Language]\n0x409=" + name + "\n[" + name + "]\nIDS_SUCCESS=whole\n[" +
           name.substr(0, 29) + "]\nIDS_SUCCESS=" + fits + "\nIDS_ERROR=" + fits + "x\n");
  EXPECT_EQ(Load(0x409, u"IDS_SUCCESS"), std::u16string(255, u's'));
  EXPECT_EQ(Load(0x409, u"IDS_ERROR"), std::u16string(255, u's'));
}

TEST_F(LocalizedStringTest, NullKeyOrBufferOrZeroCapacityTouchesNothing) {
  WriteIni(kSampleIni);
  FakeSystemInfo system;
  system.modulePath = ModulePath();
  std::u16string buffer(8, u'#');
  LoadLocalizedString(system, 0x409, nullptr, buffer.data(), buffer.size());
  LoadLocalizedString(system, 0x409, u"IDS_UPDATE", nullptr, 8);
  EXPECT_EQ(system.moduleFileNameCalls, 0);
  LoadLocalizedString(system, 0x409, u"IDS_UPDATE", buffer.data(), 0);
  EXPECT_EQ(buffer, std::u16string(8, u'#'));
}

}  // namespace
}  // namespace tbt::strings

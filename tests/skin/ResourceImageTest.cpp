// Loading the compiled-in artwork and test pictures at full and scaled size.

#include <gtest/gtest.h>

#include "SkinTestSupport.h"
#include "skin/ResourceImage.h"

namespace tbt::skin {
namespace {

using test::Solid;
using test::TempImageModule;

struct SizeCase {
  unsigned id;
  double scale;
  int width;
  int height;
  bool redrawn;
};

void PrintTo(const SizeCase& c, std::ostream* os) {
  *os << "id " << c.id << " at " << c.scale;
}

class CompiledInImageSize : public ::testing::TestWithParam<SizeCase> {};

TEST_P(CompiledInImageSize, HasTheTruncatedSizeOfItsFactor) {
  const SizeCase& c = GetParam();
  auto image = LoadResourceImage(c.id, u"IMG", nullptr, c.scale);
  ASSERT_NE(image, nullptr);
  EXPECT_TRUE(image->HasPicture());
  EXPECT_EQ(image->GetWidth(), c.width);
  EXPECT_EQ(image->GetHeight(), c.height);
  EXPECT_EQ(image->IsRedrawnCopy(), c.redrawn);
  EXPECT_EQ(image->GetLastStatus(), kImageOk);
}

INSTANTIATE_TEST_SUITE_P(
    Artwork, CompiledInImageSize,
    ::testing::Values(SizeCase{130, 1.0, 76, 76, false}, SizeCase{130, 0.5, 38, 38, true},
                      SizeCase{136, 1.0, 48, 43, false}, SizeCase{136, 0.5, 24, 21, true},
                      SizeCase{129, 0.5, 780, 620, true}, SizeCase{135, 0.5, 724, 284, true},
                      SizeCase{134, 0.5, 15, 15, true}, SizeCase{137, 0.5, 184, 38, true},
                      SizeCase{141, 0.5, 66, 66, true}, SizeCase{150, 0.5, 254, 38, true},
                      SizeCase{130, 1.0000001, 76, 76, true}, SizeCase{130, 2.0, 152, 152, true},
                      // Only the low 16 bits of an id count.
                      SizeCase{0x10000u + 136, 1.0, 48, 43, false}));

TEST(ResourceImage, DecodesTheArtworkAsUnpremultipliedArgb) {
  auto image = LoadResourceImage(130, u"IMG", DefaultResourceModule(), 1.0);
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(image->GetPixelFormat(), QImage::Format_ARGB32);
  // The scaled copy keeps the decoded format.
  auto half = LoadResourceImage(130, u"IMG", DefaultResourceModule(), 0.5);
  EXPECT_EQ(half->GetPixelFormat(), QImage::Format_ARGB32);
}

TEST(ResourceImage, NullModuleMeansTheProgramsOwnImages) {
  auto viaNull = LoadResourceImage(134, u"IMG", nullptr, 1.0);
  auto viaDefault = LoadResourceImage(134, u"IMG", DefaultResourceModule(), 1.0);
  EXPECT_EQ(viaNull->Picture(), viaDefault->Picture());
}

struct EmptyCase {
  const char* name;
  unsigned id;
  const char16_t* type;
  double scale;
};

void PrintTo(const EmptyCase& c, std::ostream* os) {
  *os << c.name;
}

class ImageWithoutPicture : public ::testing::TestWithParam<EmptyCase> {};

TEST_P(ImageWithoutPicture, IsAnObjectOfNoSizeThatDrawsNothing) {
  const EmptyCase& c = GetParam();
  TempImageModule module;
  module.AddRaw(77, QByteArray("this is not a PNG file at all"));
  const CResourceModule* where = c.id == 77 ? module.Module() : nullptr;

  auto image = LoadResourceImage(c.id, c.type, where, c.scale);
  ASSERT_NE(image, nullptr);
  EXPECT_FALSE(image->HasPicture());
  EXPECT_EQ(image->GetWidth(), 0);
  EXPECT_EQ(image->GetHeight(), 0);
  EXPECT_NE(image->GetLastStatus(), kImageOk);

  QImage surface = test::Surface(8, 8);
  surface.fill(0xFF102030);
  const QImage before = surface;
  {
    QPainter painter(&surface);
    image->Draw(painter, QRectF(0, 0, 8, 8));
  }
  EXPECT_EQ(surface, before);
}

INSTANTIATE_TEST_SUITE_P(Missing, ImageWithoutPicture,
                         ::testing::Values(EmptyCase{"NoImage149", 149, u"IMG", 1.0},
                                           EmptyCase{"NoImage149Half", 149, u"IMG", 0.5},
                                           EmptyCase{"Undecodable", 77, u"IMG", 1.0},
                                           EmptyCase{"UndecodableHalf", 77, u"IMG", 0.5},
                                           EmptyCase{"OtherType", 130, u"ICO", 1.0},
                                           EmptyCase{"NoType", 130, nullptr, 1.0}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ResourceImage, ScaledCopyIsTheStretchedPicture) {
  // Four quadrants of distinct colours survive a halving at their corners.
  QImage quadrants(8, 6, QImage::Format_ARGB32);
  for (int y = 0; y < 6; ++y) {
    for (int x = 0; x < 8; ++x) {
      const QRgb colours[4] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0x80FFFFFF};
      quadrants.setPixel(x, y, colours[(y >= 3 ? 2 : 0) + (x >= 4 ? 1 : 0)]);
    }
  }
  TempImageModule module;
  module.Add(5, quadrants);

  auto half = LoadResourceImage(5, u"IMG", module.Module(), 0.5);
  ASSERT_EQ(half->GetWidth(), 4);
  ASSERT_EQ(half->GetHeight(), 3);
  EXPECT_EQ(half->Picture().pixel(0, 0), 0xFFFF0000u);
  EXPECT_EQ(half->Picture().pixel(3, 0), 0xFF00FF00u);
  EXPECT_EQ(half->Picture().pixel(0, 2), 0xFF0000FFu);
  EXPECT_EQ(qAlpha(half->Picture().pixel(3, 2)), 0x80);
}

TEST(ResourceImage, FactorTruncatesTowardZero) {
  TempImageModule module;
  module.Add(6, Solid(48, 43, 0xFF123456));
  const struct {
    double scale;
    int width;
    int height;
  } cases[] = {{0.5, 24, 21}, {0.999, 47, 42}, {0.01, 0, 0}, {-1.0, 0, 0}, {1.5, 72, 64}};
  for (const auto& c : cases) {
    auto image = LoadResourceImage(6, u"IMG", module.Module(), c.scale);
    ASSERT_NE(image, nullptr) << c.scale;
    EXPECT_EQ(image->GetWidth(), c.width) << c.scale;
    EXPECT_EQ(image->GetHeight(), c.height) << c.scale;
  }
}

TEST(ResourceImage, TwoLoadsAreIndependent) {
  auto first = LoadResourceImage(137, u"IMG", nullptr, 1.0);
  auto second = LoadResourceImage(137, u"IMG", nullptr, 1.0);
  ASSERT_NE(first.get(), second.get());
  first.reset();

  QImage surface = test::Surface(368, 76);
  {
    QPainter painter(&surface);
    second->Draw(painter, QRectF(0, 0, 368, 76));
  }
  EXPECT_EQ(qAlpha(surface.pixel(184, 38)), 255);
}

TEST(ResourceImage, DrawStretchesIntoTheTarget) {
  TempImageModule module;
  module.Add(8, Solid(2, 2, 0xFF00A0FF));
  auto image = LoadResourceImage(8, u"IMG", module.Module(), 1.0);
  QImage surface = test::Surface(20, 20);
  {
    QPainter painter(&surface);
    image->Draw(painter, QRectF(5, 6, 10, 8));
  }
  EXPECT_EQ(test::PaintedBounds(surface), QRect(5, 6, 10, 8));
  EXPECT_EQ(surface.pixel(9, 9), 0xFF00A0FFu);
}

}  // namespace
}  // namespace tbt::skin

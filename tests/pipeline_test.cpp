#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include <opencv2/imgproc.hpp>

#include "device/protocol.h"
#include "pipeline/color_map.h"
#include "pipeline/frame_images.h"
#include "pipeline/remap.h"
#include "tools/scene.h"

namespace {

struct Calibrated : ::testing::Test {
  static void SetUpTestSuite() { buildUndistortMaps(); }
};

TEST_F(Calibrated, MapsAreFullSizeFloatAndStayInsideTheRawImage) {
  const cv::Mat &mx = frameImages.mapX, &my = frameImages.mapY;
  ASSERT_EQ(mx.type(), CV_32FC1);
  ASSERT_EQ(my.type(), CV_32FC1);
  ASSERT_EQ(mx.size(), kImageSize);
  ASSERT_EQ(my.size(), kImageSize);
  double minX, maxX, minY, maxY;
  cv::minMaxLoc(mx, &minX, &maxX);
  cv::minMaxLoc(my, &minY, &maxY);
  EXPECT_NEAR(minX, 42.7, 0.1);
  EXPECT_NEAR(maxX, 279.5, 0.1);
  EXPECT_NEAR(minY, 0.008, 0.01);
  EXPECT_NEAR(maxY, 22.95, 0.01);
}

TEST_F(Calibrated, MapSamplePoints) {
  const struct { int row, col; double x, y; } cases[] = {
      {0, 0, 42.79, 2.13}, {12, 160, 160.00, 12.00}, {23, 319, 279.32, 19.22}};
  for (const auto &c : cases) {
    EXPECT_NEAR(frameImages.mapX.at<float>(c.row, c.col), c.x, 0.01) << c.row << "," << c.col;
    EXPECT_NEAR(frameImages.mapY.at<float>(c.row, c.col), c.y, 0.01) << c.row << "," << c.col;
  }
}

TEST_F(Calibrated, CalibrationValuesAndPrincipalPointRounding) {
  const double cy = frameImages.cameraMatrix.at<double>(1, 2);
  uint64_t bits;
  std::memcpy(&bits, &cy, sizeof(bits));
  EXPECT_EQ(bits, 0x402071DB94E6AC70ull);
  EXPECT_EQ(frameImages.principalX, (float)162.2812846);
  EXPECT_EQ(frameImages.principalY, (float)cy);
  EXPECT_NE((double)frameImages.principalY, cy);
  EXPECT_EQ(frameImages.cameraMatrix.at<double>(2, 2), 1.0);
  EXPECT_EQ(frameImages.cameraMatrix.at<double>(1, 0), 0.0);
  EXPECT_EQ(frameImages.distCoeffs.rows, 5);
  EXPECT_EQ(frameImages.distCoeffs.at<double>(4), -0.018024688);
}

struct Rgb { int red, green, blue; };

Rgb colorOf(uint16_t v) {
  uint8_t r, g, b;
  distanceToColor(v, &r, &g, &b);
  return {r, g, b};
}

TEST(ColorMap, RangeEndsAndRestarts) {
  const struct { uint16_t value; Rgb rgb; } cases[] = {
      {0, {0, 0, 0}},        {1, {0, 0, 4}},         {59, {0, 0, 250}},
      {60, {0, 0, 255}},     {61, {0, 4, 255}},      {120, {0, 255, 255}},
      {121, {0, 255, 250}},  {180, {0, 255, 0}},     {181, {4, 255, 0}},
      {240, {255, 255, 0}},  {241, {255, 250, 0}},   {300, {255, 0, 0}},
      {301, {255, 0, 0}},    {1000, {255, 0, 0}},    {32768, {255, 0, 0}},
      {40000, {255, 0, 0}},  {65535, {255, 0, 0}},
  };
  for (const auto &c : cases) {
    const Rgb got = colorOf(c.value);
    EXPECT_EQ(got.red, c.rgb.red) << "value " << c.value;
    EXPECT_EQ(got.green, c.rgb.green) << "value " << c.value;
    EXPECT_EQ(got.blue, c.rgb.blue) << "value " << c.value;
  }
}

// v * 4.25 is exact in double, so truncating it equals v * 17 / 4 in integers.
Rgb colorByIntegers(unsigned v) {
  if (v == 0) return {0, 0, 0};
  if (v <= 60) return {0, 0, (int)(v * 17 / 4)};
  if (v <= 120) return {0, (int)((v - 60) * 17 / 4), 255};
  if (v <= 180) return {0, 255, (int)((1020 - (v - 120) * 17) / 4)};
  if (v <= 240) return {(int)((v - 180) * 17 / 4), 255, 0};
  if (v <= 300) return {255, (int)((1020 - (v - 240) * 17) / 4), 0};
  return {255, 0, 0};
}

TEST(ColorMap, EveryValueMatchesTheIntegerForm) {
  for (unsigned v = 0; v <= 65535; v++) {
    const Rgb got = colorOf((uint16_t)v), want = colorByIntegers(v);
    ASSERT_TRUE(got.red == want.red && got.green == want.green && got.blue == want.blue) << "value " << v;
  }
}

void putSample(unsigned char *block, int row, int column, uint16_t value) {
  block[2 * (row * kFrameWidth + column)] = (unsigned char)(value & 0xFF);
  block[2 * (row * kFrameWidth + column) + 1] = (unsigned char)(value >> 8);
}

TEST(DecodeFrame, MirrorsColumnsKeepsRowsAndColoursEachPixel) {
  for (int r = 0; r < kFrameHeight; r++)
    for (int k = 0; k < kFrameWidth; k++) putSample(distanceBlock, r, k, (uint16_t)(r * 1000 + k));
  putSample(distanceBlock, 3, 10, 0);
  putSample(distanceBlock, 4, 11, 65535);
  decodeFrame();
  const cv::Mat &raw = frameImages.rawDistance;
  EXPECT_EQ(raw.at<uint16_t>(0, 319), 0);         // block column 0
  EXPECT_EQ(raw.at<uint16_t>(0, 0), 319);         // block column 319
  EXPECT_EQ(raw.at<uint16_t>(23, 0), 23319);      // block row 23 stays row 23
  EXPECT_EQ(raw.at<uint16_t>(3, 309), 0);         // a zero stays zero
  EXPECT_EQ(raw.at<uint16_t>(4, 308), 65535);
  for (int r = 0; r < kFrameHeight; r++) {
    for (int c = 0; c < kFrameWidth; c++) {
      const Rgb want = colorByIntegers(raw.at<uint16_t>(r, c));
      const cv::Vec3b bgr = frameImages.rawColor.at<cv::Vec3b>(r, c);
      ASSERT_EQ(cv::Vec3b((uint8_t)want.blue, (uint8_t)want.green, (uint8_t)want.red), bgr) << r << "," << c;
    }
  }
}

// A 12 x 20 source, maps that put every output pixel at one position.
struct RemapCase : ::testing::Test {
  cv::Mat source = cv::Mat::zeros(12, 20, CV_16UC1);
  cv::Mat mapX = cv::Mat(12, 20, CV_32FC1, cv::Scalar(0));
  cv::Mat mapY = cv::Mat(12, 20, CV_32FC1, cv::Scalar(0));
  cv::Mat out;

  uint16_t sampleAt(float x, float y, uint16_t tl, uint16_t tr, uint16_t bl, uint16_t br) {
    const int ix = (int)x, iy = (int)y;
    source = cv::Mat::zeros(12, 20, CV_16UC1);
    source.at<uint16_t>(iy, ix) = tl;
    source.at<uint16_t>(iy, ix + 1) = tr;
    source.at<uint16_t>(iy + 1, ix) = bl;
    source.at<uint16_t>(iy + 1, ix + 1) = br;
    mapX.setTo(x);
    mapY.setTo(y);
    remapNonZero(source, mapX, mapY, out);
    return out.at<uint16_t>(3, 7);
  }
};

TEST_F(RemapCase, WorkedCases) {
  const struct { float x, y; uint16_t tl, tr, bl, br, want; } cases[] = {
      {10.25f, 5.5f, 100, 200, 300, 400, 225},   // bilinear
      {10.25f, 5.5f, 0, 200, 300, 400, 300},     // nearest: fy 0.5 counts as the far side
      {10.5f, 5.25f, 0, 200, 300, 400, 200},
      {10.75f, 5.75f, 0, 200, 300, 400, 400},
      {10.25f, 5.25f, 0, 200, 300, 400, 0},      // nearest is the zero itself
      {10.1f, 5.6f, 100, 100, 100, 100, 99},     // weights sum below 1: truncated
      {10.5f, 5.5f, 1000, 1000, 1000, 1001, 1000},
      {10.0f, 5.0f, 65535, 65535, 65535, 65535, 65535},
  };
  for (const auto &c : cases) {
    EXPECT_EQ(sampleAt(c.x, c.y, c.tl, c.tr, c.bl, c.br), c.want)
        << "x " << c.x << " y " << c.y << " TL " << c.tl;
  }
}

TEST_F(RemapCase, AllZeroStaysAllZeroAndDestinationIsCreated) {
  mapX.setTo(4.5f);
  mapY.setTo(3.5f);
  remapNonZero(source, mapX, mapY, out);
  ASSERT_EQ(out.size(), source.size());
  ASSERT_EQ(out.type(), CV_16UC1);
  EXPECT_EQ(cv::countNonZero(out), 0);
}

TEST_F(RemapCase, DestinationStorageIsReused) {
  out = cv::Mat::zeros(12, 20, CV_16UC1);
  const uint16_t *storage = out.ptr<uint16_t>();
  remapNonZero(source, mapX, mapY, out);
  EXPECT_EQ(out.ptr<uint16_t>(), storage);
}

TEST_F(RemapCase, PositionsLeavingTheSourceGiveZeroAndReadNothingOutside) {
  source.setTo(500);
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  const struct { float x, y; uint16_t want; } cases[] = {
      {-0.5f, 2.0f, 0},   {2.0f, -0.25f, 0},  {-3000.0f, 2.0f, 0}, {19.0f, 2.0f, 0},
      {18.99f, 2.0f, 500}, {2.0f, 11.0f, 0},  {2.0f, 10.99f, 500}, {nan, 2.0f, 0},
      {2.0f, nan, 0},     {inf, 2.0f, 0},     {1e10f, 1e10f, 0},   {0.0f, 0.0f, 500},
  };
  for (const auto &c : cases) {
    mapX.setTo(c.x);
    mapY.setTo(c.y);
    remapNonZero(source, mapX, mapY, out);
    EXPECT_EQ(out.at<uint16_t>(5, 5), c.want) << "x " << c.x << " y " << c.y;
  }
}

TEST_F(RemapCase, MapsSmallerThanTheDestinationLeaveTheRestZero) {
  source.setTo(700);
  cv::Mat smallX(5, 8, CV_32FC1, cv::Scalar(3.0f)), smallY(5, 8, CV_32FC1, cv::Scalar(3.0f));
  remapNonZero(source, smallX, smallY, out);
  ASSERT_EQ(out.size(), source.size());
  EXPECT_EQ(out.at<uint16_t>(4, 7), 700);
  EXPECT_EQ(out.at<uint16_t>(5, 0), 0);
  EXPECT_EQ(out.at<uint16_t>(0, 8), 0);
  EXPECT_EQ(cv::countNonZero(out), 5 * 8);
}

// Positions inside, outside and NaN side by side, as groups of four output
// pixels meet them, against the same position mapped for one pixel alone.
TEST_F(RemapCase, MixedPositionsGiveWhatEachGivesAlone) {
  cv::RNG random(7);
  random.fill(source, cv::RNG::UNIFORM, 0, 400);
  for (int i = 0; i < 40; i++) source.at<uint16_t>(random.uniform(0, 12), random.uniform(0, 20)) = 0;
  random.fill(mapX, cv::RNG::UNIFORM, -2.0f, 21.0f);
  random.fill(mapY, cv::RNG::UNIFORM, -2.0f, 13.0f);
  mapX.at<float>(2, 3) = std::numeric_limits<float>::quiet_NaN();
  mapY.at<float>(4, 9) = -std::numeric_limits<float>::infinity();
  mapX.at<float>(5, 5) = 18.5f, mapY.at<float>(5, 5) = 10.5f;
  remapNonZero(source, mapX, mapY, out);
  int inside = 0;
  for (int r = 0; r < mapX.rows; r++) {
    for (int c = 0; c < mapX.cols; c++) {
      const float x = mapX.at<float>(r, c), y = mapY.at<float>(r, c);
      cv::Mat oneX(1, 1, CV_32FC1, cv::Scalar(x)), oneY(1, 1, CV_32FC1, cv::Scalar(y)), alone;
      remapNonZero(source, oneX, oneY, alone);
      ASSERT_EQ(out.at<uint16_t>(r, c), alone.at<uint16_t>(0, 0)) << r << "," << c << " at " << x << "," << y;
      inside += x >= 0 && y >= 0 && x < 19 && y < 11;
    }
  }
  EXPECT_GT(inside, 100);
  EXPECT_LT(inside, 220);
}

// The undistorted value of one pixel computed another way: explicit floor,
// the neighbours in an array, the nearest by index, each float step
// forced through a volatile so nothing is fused or kept wider.
uint16_t undistortByHand(const cv::Mat &raw, float x, float y) {
  const int ix = (int)std::floor(x), iy = (int)std::floor(y);
  const float n[2][2] = {{(float)raw.at<uint16_t>(iy, ix), (float)raw.at<uint16_t>(iy, ix + 1)},
                         {(float)raw.at<uint16_t>(iy + 1, ix), (float)raw.at<uint16_t>(iy + 1, ix + 1)}};
  volatile float fx = x - (float)ix, fy = y - (float)iy;
  if (n[0][0] == 0 || n[0][1] == 0 || n[1][0] == 0 || n[1][1] == 0) {
    return (uint16_t)n[fy >= 0.5f ? 1 : 0][fx >= 0.5f ? 1 : 0];
  }
  volatile float gx = 1.0f - fx, gy = 1.0f - fy;
  volatile float wTR = gy * fx, wTL = gx * gy, wBL = gx * fy, wBR = fy * fx;
  volatile float a = wTR * n[0][1], b = wTL * n[0][0], s1 = a + b;
  volatile float c = wBL * n[1][0], s2 = s1 + c;
  volatile float d = wBR * n[1][1], s3 = s2 + d;
  return (uint16_t)std::trunc(s3);
}

TEST_F(Calibrated, WholeSceneFramesMatchAnIndependentComputation) {
  static uint16_t distance[kFrameWidth * kFrameHeight], amplitude[kFrameWidth * kFrameHeight];
  for (int frame : {0, 17, 40}) {
    renderScene(frame, distance, amplitude);
    packBlock(distance, distanceBlock);
    decodeFrame();
    remapNonZero(frameImages.rawDistance, frameImages.mapX, frameImages.mapY, frameImages.undistortedDistance);
    colorizeImage(frameImages.undistortedDistance, frameImages.undistortedColor);
    int bilinear = 0;
    for (int r = 0; r < kFrameHeight; r++) {
      for (int c = 0; c < kFrameWidth; c++) {
        ASSERT_EQ(frameImages.rawDistance.at<uint16_t>(r, c), distance[r * kFrameWidth + 319 - c]);
        const float x = frameImages.mapX.at<float>(r, c), y = frameImages.mapY.at<float>(r, c);
        const uint16_t want = undistortByHand(frameImages.rawDistance, x, y);
        const uint16_t got = frameImages.undistortedDistance.at<uint16_t>(r, c);
        ASSERT_EQ(got, want) << "frame " << frame << " pixel " << r << "," << c;
        const Rgb rgb = colorByIntegers(got);
        ASSERT_EQ(frameImages.undistortedColor.at<cv::Vec3b>(r, c),
                  cv::Vec3b((uint8_t)rgb.blue, (uint8_t)rgb.green, (uint8_t)rgb.red));
        bilinear += got != frameImages.rawDistance.at<uint16_t>((int)y, (int)x);
      }
    }
    EXPECT_GT(bilinear, 1000) << "the scene should exercise the interpolation";
  }
}

}  // namespace

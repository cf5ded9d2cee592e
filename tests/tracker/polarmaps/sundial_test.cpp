#include "sundial.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <ctime>
#include <limits>
#include <set>
#include <string>

#include "anglehelpers.h"
#include "astro_riseset.h"
#include "astro_sun.h"
#include "format.h"
#include "testutil.h"

using namespace polartest;

namespace {

bool IsHourLabel(const std::string& t) {
  return t.size() == 5 && std::isdigit(static_cast<unsigned char>(t[0])) &&
         std::isdigit(static_cast<unsigned char>(t[1])) && t[2] == ':' && t[3] == '0' &&
         t[4] == '0';
}

class DialTest : public ::testing::Test {
 protected:
  void SetUp() override { EnsureApp(); }
  void Draw(double lat, double lon, TDateTime utc, bool showSats = false, int w = 900,
            int h = 900, bool proportional = true) {
    dial.SetSize(w, h);
    dial.Proportional = proportional;
    dial.ObsLat = lat;
    dial.ObsLon = lon;
    dial.UTC = utc;
    dial.ShowSats = showSats;
    dial.ViewFont.SetSize(8);
    dial.Canvas().SetTextRecorder(&rec);
    rec.clear();
    dial.Clear();
    dial.Layout();
  }
  std::vector<const TTextCall*> HourLabels() const {
    std::vector<const TTextCall*> out;
    for (const auto& t : rec)
      if (IsHourLabel(t.Text)) out.push_back(&t);
    return out;
  }
  TSunDial dial;
  std::vector<TTextCall> rec;
};

TEST_F(DialTest, LayoutCentresAFullCircle) {
  Draw(52, 5, EncodeDate(2024, 6, 21) + 0.5, false, 900, 900, false);
  EXPECT_EQ(dial.Title, "Sun Dial");
  EXPECT_EQ(dial.OriginX, 450);
  EXPECT_EQ(dial.OriginY, 464);  // 464.5, halves to even
  EXPECT_DOUBLE_EQ(dial.ScaleY, 434 - dial.LabelWidth);
  Draw(52, 5, EncodeDate(2024, 6, 21) + 0.5, false, 900, 700, true);
  EXPECT_EQ(dial.Picture().height(), (Nearest(dial.ScaleY) + dial.LabelWidth) * 2 + 31);
  Save(dial.Picture(), "sundial-52N-june.png");
}

struct HourCase {
  const char* name;
  const char* tz;  // the local time zone of the labels
  double lat, lon;
  int year, month, day;
  int minLabels, maxLabels;
  std::vector<std::string> present, absent;
};

class HourLabelTest : public DialTest, public ::testing::WithParamInterface<HourCase> {};

TEST_P(HourLabelTest, FullHoursWhileTheSunIsUp) {
  const HourCase& hc = GetParam();
  const char* old = std::getenv("TZ");
  const std::string saved = old ? old : "UTC0";
  setenv("TZ", hc.tz, 1);
  tzset();
  EXPECT_NO_THROW(Draw(hc.lat, hc.lon, EncodeDate(hc.year, hc.month, hc.day) + 0.5));
  setenv("TZ", saved.c_str(), 1);
  tzset();
  Save(dial.Picture(), std::string("sundial-") + hc.name + ".png");
  std::set<std::string> texts;
  for (const TTextCall* t : HourLabels()) texts.insert(t->Text);
  EXPECT_EQ(texts.size(), HourLabels().size()) << "an hour labelled twice";
  EXPECT_GE(static_cast<int>(texts.size()), hc.minLabels);
  EXPECT_LE(static_cast<int>(texts.size()), hc.maxLabels);
  for (const auto& p : hc.present) EXPECT_TRUE(texts.count(p)) << p;
  for (const auto& a : hc.absent) EXPECT_FALSE(texts.count(a)) << a;
}

INSTANTIATE_TEST_SUITE_P(
    Dial, HourLabelTest,
    ::testing::Values(
        // Polar day: no sunrise or sunset, every hour of the UTC day.
        HourCase{"78N_june", "UTC0", 78, 15, 2024, 6, 21, 24, 24, {"00:00", "12:00", "23:00"}, {}},
        // Polar night: nothing, and no failure.
        HourCase{"78N_december", "UTC0", 78, 15, 2024, 12, 21, 0, 0, {}, {}},
        HourCase{"52N_june", "UTC0", 52, 5, 2024, 6, 21, 16, 17, {"04:00", "12:00", "19:00"},
                 {"03:00", "21:00"}},
        // The same hours labelled in a local time two hours east of UTC.
        HourCase{"52N_june_local", "XXX-2", 52, 5, 2024, 6, 21, 16, 17, {"06:00", "21:00"},
                 {"04:00", "05:00"}},
        // Sunrise near 22h UTC and sunset near 10h UTC: the hours run on past midnight.
        HourCase{"30N120E_march", "UTC0", 30, 120, 2024, 3, 20, 11, 13,
                 {"00:00", "03:00", "09:00"}, {"12:00", "15:00"}},
        // Southern winter: a short day.
        HourCase{"60S_june", "UTC0", -60, 0, 2024, 6, 21, 5, 7, {"12:00"}, {"08:00", "16:00"}}),
    [](const auto& info) { return std::string(info.param.name); });

// Pixels of the picture's line colour in a narrow sector around a direction, between 0.2 and
// 0.85 of the radius (clear of the rim's ticks and labels).
struct Sector {
  int count = 0;
  double meanDirection = 0;
};
Sector DarkPixelsNear(const TSunDial& d, double b, double halfWidth) {
  const QImage img = d.Picture();
  Sector s;
  double sum = 0;
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x) {
      if ((img.pixel(x, y) & 0xFFFFFF) != 0) continue;
      const double dx = x - d.OriginX, dy = d.OriginY - y;
      const double r = std::hypot(dx / d.ScaleX, dy / d.ScaleY);
      if (r < 0.2 || r > 0.85) continue;
      const double dir = DirectionOf(dx, dy);
      const double off = Normalize180(dir - b);
      if (std::fabs(off) > halfWidth) continue;
      ++s.count;
      sum += off;
    }
  if (s.count > 0) s.meanDirection = b + sum / s.count;
  return s;
}

TEST_F(DialTest, SunriseAndSunsetLinesPointAwayFromTheSun) {
  const double lat = 52.0, lon = 5.0;
  const TDateTime day = EncodeDate(2024, 6, 21);
  Draw(lat, lon, day + 0.5);
  struct Event {
    const char* name;
    TDateTime when;
  } events[] = {{"sunrise", astro::SunRiseTime(day, lat, -lon)},
                {"sunset", astro::SunSetTime(day, lat, -lon)}};
  for (const Event& ev : events) {
    SCOPED_TRACE(ev.name);
    astro::Extended el = 0, az = 0;
    astro::SunHorizontal(el, az, ev.when, -lon, lat);
    // The shadow points to the sun's azimuth + 180; measured from the top (south) turning
    // west that is b = the sun's azimuth from north. A north-east sun at sunrise throws its
    // shadow to the south-west (up and right), a north-west one at sunset up and left.
    const double b = Normalize180(static_cast<double>(az) + 180);
    EXPECT_NEAR(std::fabs(b), 49, 5);
    EXPECT_EQ(b > 0, std::string(ev.name) == "sunrise");
    // (The full hours nearest to the event are more than the sector's width away.)
    const Sector s = DarkPixelsNear(dial, b, 5);
    EXPECT_GT(s.count, 40);
    EXPECT_NEAR(s.meanDirection, b, 2.0);
  }
}

TEST_F(DialTest, NoSunriseOrSunsetLinesOnADayWithoutASunset) {
  // New York, 9 May 2011: the Sun sets at 23:59:06 UTC on the 8th and at 0:00:07 on the 10th
  // (PyEphem), so the UTC day of the 9th has a sunrise but no sunset and the dial draws neither
  // line; on the 10th both are drawn.
  const double lat = 40.71, lon = -74.01;
  const TDateTime day = EncodeDate(2011, 5, 9);
  EXPECT_THROW(astro::SunSetTime(day, lat, -lon), astro::E_NoRiseSet);
  const auto shadowOfSunrise = [&](TDateTime d) {
    astro::Extended el = 0, az = 0;
    astro::SunHorizontal(el, az, astro::SunRiseTime(d, lat, -lon), -lon, lat);
    return Normalize180(static_cast<double>(az) + 180);
  };
  // (The 10:00 line stands 2.4 degrees from the sunrise's: a narrow sector.)
  Draw(lat, lon, day + 0.5);
  EXPECT_LT(DarkPixelsNear(dial, shadowOfSunrise(day), 1).count, 3);
  EXPECT_FALSE(HourLabels().empty());  // the hours of daylight are labelled all the same
  Draw(lat, lon, day + 1.5);
  EXPECT_GT(DarkPixelsNear(dial, shadowOfSunrise(day + 1), 1).count, 40);
}

TEST_F(DialTest, WithTheAzimuthMapNoHourLabelInTheUpperHalf) {
  const TDateTime day = EncodeDate(2024, 6, 21) + 0.5;
  const QSize ext = [&] {
    Draw(52, 5, day, false);
    return dial.Canvas().TextExtent(std::string("00:00"));
  }();
  // Without the map some labels (morning and evening shadows) stand in the upper half.
  int upper = 0;
  for (const TTextCall* t : HourLabels())
    if (CellCentre(*t, ext.width(), ext.height()).y() < dial.OriginY) ++upper;
  EXPECT_GT(upper, 2);

  Draw(52, 5, day, true);
  Save(dial.Picture(), "sundial-52N-june-satellites.png");
  const auto labels = HourLabels();
  EXPECT_GE(labels.size(), 8u);
  for (const TTextCall* t : labels)
    EXPECT_GE(CellCentre(*t, ext.width(), ext.height()).y(), dial.OriginY) << t->Text;
  // The upper half carries the azimuth map's words (its radial grid is off on the dial).
  EXPECT_NE(FindText(rec, "South"), nullptr);
  EXPECT_EQ(FindText(rec, "-90\xB0"), nullptr);

  // Satellites stand on the map; the Sun and the Moon do not.
  TSat sat = MakeSat("Astra 2E", 39285, 150, 25, 20);
  TSat sun = MakeSat("Sun", SunNoradNr, 180, 60);
  rec.clear();
  dial.DrawSat(sun);
  EXPECT_TRUE(rec.empty());
  dial.DrawSat(sat);
  EXPECT_NE(FindText(rec, "Astra 2E"), nullptr);
}

TEST_F(DialTest, UnusableInputsLeaveOutWhatCannotBeComputed) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  struct Case {
    double lat, lon;
    TDateTime utc;
  } cases[] = {
      {90, 0, EncodeDate(2024, 6, 21)},     {-90, 0, EncodeDate(2024, 6, 21)},
      {52, 180, EncodeDate(2024, 3, 20)},   {52, -180, EncodeDate(2024, 3, 20)},
      {nan, 5, EncodeDate(2024, 6, 21)},    {52, nan, EncodeDate(2024, 6, 21)},
      {52, 5, nan},                         {52, 5, 0},
      {52, 5, 3.0e6},                       {52, 5, -700000},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.lat << " " << c.lon << " " << c.utc);
    for (bool sats : {false, true}) EXPECT_NO_THROW(Draw(c.lat, c.lon, c.utc, sats));
    EXPECT_FALSE(dial.Degenerate());
  }
  // A control too small for the dial: title and frame only.
  EXPECT_NO_THROW(Draw(52, 5, EncodeDate(2024, 6, 21), true, 150, 150));
  EXPECT_TRUE(dial.Degenerate());
}

}  // namespace

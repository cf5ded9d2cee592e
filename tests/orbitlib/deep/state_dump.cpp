// Writes the propagated states of a generated catalogue of every kind (near-Earth, eccentric,
// twelve-hour, geostationary, other high orbits, decaying ones of both models) and of the
// element sets in the files named on the command line, from 6,192 minutes before the epoch to
// 1,000 days after it, with the decay verdicts, so that two builds of the models can be
// compared state by state. Not a test: a tool for checking that a change of the propagators'
// code leaves their results alone.
//
//   orbit_state_dump OUT [ELEMENT-FILE...]
//
// Lines: "S name t status x y z vx vy vz rev phase orbitpos" (Earth radii, Earth radii per
// minute, %.17g) for a forward scan of one object; "P name t status" for a fresh object per time; "D name how t"
// for the first decay met scanning minute by minute forward and backward near the decay.

#include <cmath>
#include <cstdio>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "mathtime.h"
#include "orbittypes.h"
#include "propagate.h"
#include "satlist.h"

namespace {

using namespace orbit;

struct TSet {
  std::string name, line1, line2;
};

std::string Format(const char* format, double v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, format, v);
  return buf;
}

std::string Int(const char* format, int v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, format, v);
  return buf;
}

// Drag term in the element format: mantissa with an assumed leading point and an exponent.
std::string DragField(double bstar) {
  if (bstar == 0) return " 00000-0";
  int exponent = static_cast<int>(std::floor(std::log10(std::fabs(bstar)))) + 1;
  int mantissa = static_cast<int>(std::lround(std::fabs(bstar) / std::pow(10.0, exponent) * 1e5));
  if (mantissa >= 100000) {
    mantissa /= 10;
    ++exponent;
  }
  return std::string(bstar < 0 ? "-" : " ") + Int("%05d", mantissa) + (exponent < 0 ? "-" : "+") +
         Int("%d", std::abs(exponent));
}

TSet Make(const std::string& name, int nr, double revPerDay, double ecc, double inclDeg, double nodeDeg,
          double argpDeg, double meanAnomDeg, double bstar, double epochDay) {
  TSet s;
  s.name = name;
  const std::string cat = Int("%05d", nr);
  s.line1 = "1 " + cat + "U 20001A   20" + Format("%012.8f", epochDay) + "  .00000000  00000-0 " + DragField(bstar) +
            " 0  9990";
  s.line2 = "2 " + cat + " " + Format("%8.4f", inclDeg) + " " + Format("%8.4f", nodeDeg) + " " +
            Int("%07d", static_cast<int>(std::lround(ecc * 1e7))) + " " + Format("%8.4f", argpDeg) + " " +
            Format("%8.4f", meanAnomDeg) + " " + Format("%11.8f", revPerDay) + " 1000";
  return s;
}

std::vector<TSet> Catalogue() {
  std::mt19937 rng(35);
  std::uniform_real_distribution<double> u(0.0, 1.0);
  std::vector<TSet> sets;
  int nr = 70000;
  auto add = [&](const char* kind, double rev, double ecc, double incl, double bstar) {
    sets.push_back(Make(std::string(kind) + "-" + std::to_string(nr), nr, rev, ecc, incl, 360 * u(rng), 360 * u(rng),
                        360 * u(rng), bstar, 1 + 300 * u(rng)));
    ++nr;
  };
  for (int i = 0; i < 60; ++i) add("LEO", 11.5 + 4.7 * u(rng), 0.02 * u(rng), 100 * u(rng), 2e-4 * u(rng));
  for (int i = 0; i < 30; ++i) add("ECC", 8 + 4 * u(rng), 0.1 + 0.25 * u(rng), 90 * u(rng), 1e-4 * u(rng));
  for (int i = 0; i < 25; ++i) add("DECAY", 15.8 + 0.6 * u(rng), 0.01 * u(rng), 98 * u(rng), 1e-4 + 2e-3 * u(rng));
  for (int i = 0; i < 15; ++i) add("DECAYECC", 9 + 2 * u(rng), 0.25 + 0.1 * u(rng), 70 * u(rng), 1e-3 + 5e-2 * u(rng));
  for (int i = 0; i < 30; ++i) add("HEO12", 2.002 + 0.008 * u(rng), 0.5 + 0.25 * u(rng), 50 + 20 * u(rng), 1e-4 * u(rng));
  for (int i = 0; i < 15; ++i) add("NAV12", 2.004 + 0.002 * u(rng), 0.02 * u(rng), 55 + 2 * u(rng), 0);
  const double geoIncl[] = {0, 0.01, 0.5, 1.5, 2.9, 3.1, 5, 8, 11, 11.6, 12, 15, 25, 40, 60};
  for (double incl : geoIncl) {
    add("GEO", 1.0027 + 0.002 * (u(rng) - 0.5), 0.001 * u(rng), incl, 0);
    add("GEO", 0.9 + 0.2 * u(rng), 0.02 * u(rng), incl + 0.001, 1e-5 * u(rng));
  }
  for (int i = 0; i < 20; ++i) add("HIGH", 3 + 3 * u(rng), 0.7 * u(rng), 120 * u(rng), 1e-4 * u(rng));
  for (int i = 0; i < 12; ++i) add("GTO", 2.2 + 0.1 * u(rng), 0.725 + 0.01 * u(rng), 7 + 25 * u(rng), 1e-4 + 2e-3 * u(rng));
  for (int i = 0; i < 8; ++i) add("MOLDECAY", 2.006 + 0.002 * u(rng), 0.735 + 0.012 * u(rng), 63.4, 1e-3 + 1e-2 * u(rng));
  return sets;
}

std::vector<TSet> ReadFile(const std::string& path) {
  std::ifstream in(path);
  std::vector<TSet> sets;
  std::string line, prev, l1;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.size() > 2 && line[0] == '1' && line[1] == ' ') {
      l1 = line;
    } else if (line.size() > 2 && line[0] == '2' && line[1] == ' ' && !l1.empty()) {
      sets.push_back({"TEST-" + l1.substr(2, 5) + "-" + std::to_string(sets.size()), l1, line});
      l1.clear();
    }
  }
  return sets;
}

std::vector<double> Times() {
  std::vector<double> t;
  for (double m = -6192; m < 0; m += 129) t.push_back(m);
  for (double m = 0; m < 30 * 1440; m += 61) t.push_back(m);
  for (double m = 30 * 1440; m <= 1000 * 1440; m += 1.37 * 1440) t.push_back(m);
  t.push_back(1000 * 1440);
  return t;
}

// "ok", "decay" or "error".
const char* Propagate(TSatellite& sat, double t, Vector& p, Vector& v) {
  try {
    PropagateSatellite(sat, sat.epoch + t / 1440, p, v);
    return "ok";
  } catch (const EDecayError&) {
    return "decay";
  } catch (const std::exception&) {
    return "error";
  }
}

bool Parse(const TSet& s, TSatellite& sat) {
  try {
    sat.ParseElements(s.line1, s.line2);
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s OUT [ELEMENT-FILE...]\n", argv[0]);
    return 2;
  }
  std::vector<TSet> sets = Catalogue();
  for (int i = 2; i < argc; ++i)
    for (auto& s : ReadFile(argv[i])) sets.push_back(s);
  std::FILE* out = std::fopen(argv[1], "w");
  if (!out) return 1;
  const std::vector<double> times = Times();
  for (const TSet& s : sets) {
    std::fprintf(out, "# %s\n# %s\n# %s\n", s.name.c_str(), s.line1.c_str(), s.line2.c_str());
    double firstDecay = NAN, lastOk = 0;
    {
      TSatellite sat;
      if (!Parse(s, sat)) {
        std::fprintf(out, "X %s parse\n", s.name.c_str());
        continue;
      }
      for (double t : times) {
        Vector p, v;
        const char* status = Propagate(sat, t, p, v);
        if (status[0] == 'o')
          std::fprintf(out, "S %s %.17g ok %.17g %.17g %.17g %.17g %.17g %.17g %d %.17g %.17g\n", s.name.c_str(), t,
                       p.x, p.y, p.z, v.x, v.y, v.z, sat.revNumber, sat.orbitPhase, sat.orbitPos);
        else
          std::fprintf(out, "S %s %.17g %s\n", s.name.c_str(), t, status);
        if (t >= 0 && status[0] == 'd' && std::isnan(firstDecay)) firstDecay = t;
        if (t >= 0 && status[0] == 'o' && std::isnan(firstDecay)) lastOk = t;
      }
    }
    for (std::size_t i = 0; i < times.size(); i += 3) {
      TSatellite sat;
      Parse(s, sat);
      Vector p, v;
      std::fprintf(out, "P %s %.17g %s\n", s.name.c_str(), times[i], Propagate(sat, times[i], p, v));
    }
    if (!std::isnan(firstDecay)) {
      // Minute by minute across the last grid step before the decay, forward and backward, each
      // on a fresh object.
      TSatellite fwd, bwd;
      Parse(s, fwd);
      Parse(s, bwd);
      Vector p, v;
      Propagate(fwd, 0, p, v);
      Propagate(bwd, 0, p, v);
      double found = NAN;
      for (double t = lastOk; t <= firstDecay; t += 1)
        if (Propagate(fwd, t, p, v)[0] == 'd') {
          found = t;
          break;
        }
      std::fprintf(out, "D %s forward %.17g\n", s.name.c_str(), found);
      double lowestDown = NAN;
      for (double t = firstDecay; t >= lastOk; t -= 1) {
        TSatellite probe;
        Parse(s, probe);
        if (Propagate(probe, t, p, v)[0] == 'd') lowestDown = t;
      }
      std::fprintf(out, "D %s fresh-lowest %.17g\n", s.name.c_str(), lowestDown);
      for (double t = firstDecay; t >= lastOk; t -= 1) Propagate(bwd, t, p, v);
      std::fprintf(out, "D %s backward-remembered %.17g\n", s.name.c_str(), bwd.decayAfter);
    }
  }
  std::fclose(out);
  return 0;
}

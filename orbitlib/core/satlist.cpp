#include "satlist.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <stdexcept>
#include <cmath>
#include <filesystem>
#include <system_error>

#include "mathtime.h"
#include "observer.h"
#include "propagate.h"
#include "satlist_text.h"

namespace orbit {

namespace {

bool IsTrimmed(char c) { return static_cast<unsigned char>(c) <= ' '; }

}  // namespace

namespace listtext {

char UpperAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

std::string UpperAscii(std::string_view s) {
    std::string r(s);
    for (char& c : r) c = UpperAscii(c);
    return r;
}

std::string_view Trim(std::string_view s) {
    std::size_t b = 0, e = s.size();
    while (b < e && IsTrimmed(s[b])) ++b;
    while (e > b && IsTrimmed(s[e - 1])) --e;
    return s.substr(b, e - b);
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (UpperAscii(a[i]) != UpperAscii(b[i])) return false;
    return true;
}

int CompareNoCase(std::string_view a, std::string_view b) {
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const unsigned char ca = static_cast<unsigned char>(UpperAscii(a[i]));
        const unsigned char cb = static_cast<unsigned char>(UpperAscii(b[i]));
        if (ca != cb) return ca < cb ? -1 : 1;
    }
    return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

// A real number: optional sign, digits, optional point and digits, optional exponent;
// the whole text must be the number and hold at least one mantissa digit.
bool ParseReal(std::string_view s, double& out) {
    std::size_t i = 0;
    bool neg = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) neg = s[i++] == '-';
    const std::size_t intStart = i;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') ++i;
    std::string_view intPart = s.substr(intStart, i - intStart);
    std::string_view fracPart;
    if (i < s.size() && s[i] == '.') {
        const std::size_t f = ++i;
        while (i < s.size() && s[i] >= '0' && s[i] <= '9') ++i;
        fracPart = s.substr(f, i - f);
    }
    if (intPart.empty() && fracPart.empty()) return false;
    std::string_view expPart;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        const std::size_t e = ++i;
        if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
        const std::size_t d = i;
        while (i < s.size() && s[i] >= '0' && s[i] <= '9') ++i;
        if (i == d) return false;
        expPart = s.substr(e, i - e);
    }
    if (i != s.size()) return false;
    std::string norm;
    norm.reserve(s.size() + 4);
    if (neg) norm += '-';
    norm += intPart.empty() ? std::string_view("0") : intPart;
    norm += '.';
    norm += fracPart.empty() ? std::string_view("0") : fracPart;
    if (!expPart.empty()) {
        norm += 'e';
        norm += expPart[0] == '+' ? expPart.substr(1) : expPart;
    }
    double v = 0.0;
    const auto res = std::from_chars(norm.data(), norm.data() + norm.size(), v);
    if (res.ec != std::errc() || res.ptr != norm.data() + norm.size() || !std::isfinite(v)) return false;
    out = v;
    return true;
}

std::string_view Column(std::string_view line, int column, int width) {
    if (column < 1 || width <= 0) return {};
    const std::size_t start = static_cast<std::size_t>(column - 1);
    if (start >= line.size()) return {};
    return line.substr(start, static_cast<std::size_t>(width));
}

}  // namespace listtext

namespace {

bool StartsWith(std::string_view s, std::string_view prefix) { return s.substr(0, prefix.size()) == prefix; }

// Length in bytes of the first `count` characters: UTF-8 sequences count as one
// character when the text is valid UTF-8, otherwise every byte is a character.
std::size_t PrefixBytes(std::string_view s, std::size_t count) {
    std::size_t i = 0, chars = 0;
    bool utf8 = true;
    while (i < s.size()) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        std::size_t len = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
        if (len == 0 || i + len > s.size()) { utf8 = false; break; }
        for (std::size_t k = 1; k < len; ++k)
            if ((static_cast<unsigned char>(s[i + k]) >> 6) != 2) utf8 = false;
        if (!utf8) break;
        i += len;
    }
    if (!utf8) return std::min(count, s.size());
    i = 0;
    while (i < s.size() && chars < count) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        i += c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : 4;
        ++chars;
    }
    return i;
}

bool ParseInt32(std::string_view s, std::int32_t& out) {
    std::size_t i = 0;
    bool neg = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) neg = s[i++] == '-';
    if (i == s.size()) return false;
    long long v = 0;
    for (; i < s.size(); ++i) {
        if (s[i] < '0' || s[i] > '9') return false;
        v = v * 10 + (s[i] - '0');
        if (v > 2147483648LL) return false;
    }
    if (neg) v = -v;
    if (v > 2147483647LL || v < -2147483648LL) return false;
    out = static_cast<std::int32_t>(v);
    return true;
}

}  // namespace

// ---- column routines -------------------------------------------------------------------

std::string BlanksToZeros(std::string_view text) {
    std::string r(text);
    std::replace(r.begin(), r.end(), ' ', '0');
    return r;
}

double ColumnReal(std::string_view line, int column, int width) {
    std::string s = BlanksToZeros(Column(line, column, width));
    if (s.empty()) s = "0";
    double v = 0.0;
    return ParseReal(s, v) ? v : 0.0;
}

std::int32_t ColumnInt(std::string_view line, int column, int width) {
    std::int32_t v = 0;
    return ParseInt32(BlanksToZeros(Column(line, column, width)), v) ? v : 0;
}

std::string TwoDigits(int n) {
    return {static_cast<char>(n / 10 + '0'), static_cast<char>(n % 10 + '0')};
}

std::string ColumnStr3(int n) { return static_cast<char>(n / 100 + '0') + TwoDigits(n % 100); }

std::string SatelliteKey(std::string_view nameLine) {
    std::string_view s = nameLine.substr(0, PrefixBytes(nameLine, 15));
    std::string key = UpperAscii(Trim(s));
    if (key == "NOAA-L") key = "NOAA 16";
    return key;
}

// ---- TSatellite ------------------------------------------------------------------------

void TSatellite::ParseElements(const std::string& line1, const std::string& line2) {
    const long double twoPi = kTwoPiL;
    catNr = UpperAscii(Column(line1, 3, 5));
    epochText = ColumnReal(line1, 19, 14);
    epoch = JulianDateOfEpoch(epochText);
    firstDerivative = static_cast<double>(ColumnReal(line1, 34, 10) * twoPi / (1440.0L * 1440.0L));
    const long double nddMantissa = ColumnReal(line1, 45, 6) * 1e-5L;
    secondDerivative = static_cast<double>(nddMantissa * PowerOf(10.0, ColumnInt(line1, 51, 2)) * twoPi /
                                           (1440.0L * 1440.0L * 1440.0L));
    const long double bMantissa = ColumnReal(line1, 54, 6) * 1e-5L;
    bstar = static_cast<double>(bMantissa * PowerOf(10.0, ColumnInt(line1, 60, 2)));
    elementSetNr = ColumnStr3(ColumnInt(line1, 66, 3));
    inclination = DegToRad(ColumnReal(line2, 9, 8));
    raan = DegToRad(ColumnReal(line2, 18, 8));
    eccentricity = static_cast<double>(ColumnReal(line2, 27, 7) * 1e-7L);
    argPerigee = DegToRad(ColumnReal(line2, 35, 8));
    meanAnomaly = DegToRad(ColumnReal(line2, 44, 8));
    meanMotion = static_cast<double>(ColumnReal(line2, 53, 11) * twoPi / 1440.0L);
    revAtEpoch = ColumnInt(line2, 64, 5);
    for (double v : {epoch, firstDerivative, secondDerivative, bstar, meanMotion}) CheckFinite(v);

    // Deep-space decision from the model mean motion n''.
    const long double n = meanMotion, e = eccentricity, ci = std::cos(static_cast<long double>(inclination));
    const long double a1 = PowerOf(static_cast<double>(CheckedDiv(XKE, n)), 2.0 / 3.0);
    const long double k = 0.00081196185L * (3.0L * ci * ci - 1.0L) / PowerOf(static_cast<double>(1.0L - e * e), 1.5);
    const long double d1 = k / (a1 * a1);
    const long double a0 = a1 * (1.0L - d1 * (1.0L / 3.0L + d1 * (1.0L + 134.0L / 81.0L * d1)));
    const long double d0 = CheckedDiv(k, a0 * a0);
    const long double nModel = CheckedDiv(n, 1.0L + d0);
    const long double period = CheckedDiv(twoPi, nModel);
    CheckFinite(period);
    deepSpace = period >= 225.0L;
    // A deep-space set keeps its work area across new element sets (the lunar terms of an
    // unchanged epoch day are reused); a near-Earth set holds none.
    if (deepSpace)
        deep.Ensure();
    else
        deep.Reset();
    initNeeded = 1;
    decayAfter = std::numeric_limits<double>::infinity();
    decayBefore = -std::numeric_limits<double>::infinity();
}

// ---- TSatelliteList --------------------------------------------------------------------

TSatelliteList::TSatelliteList() = default;

TSatelliteList::~TSatelliteList() = default;

bool TSatelliteList::NoCaseLess::operator()(std::string_view a, std::string_view b) const {
    return CompareNoCase(a, b) < 0;
}

void TSatelliteList::Clear() {
    order_.clear();
    indexByName_.clear();
    orderDirty_ = false;
    catIndex_.clear();
    byName_.clear();
}

void TSatelliteList::EnsureOrder() const {
    if (!orderDirty_) return;
    order_.clear();
    order_.reserve(byName_.size());
    for (const auto& [name, sat] : byName_) order_.emplace_back(&name, sat.get());
    indexByName_.clear();
    indexByName_.reserve(order_.size());
    for (std::size_t i = 0; i < order_.size(); ++i)
        indexByName_.emplace(std::string_view(*order_[i].first), static_cast<int>(i));
    orderDirty_ = false;
}

std::size_t TSatelliteList::NoCaseHash::operator()(std::string_view s) const {
    std::size_t h = 14695981039346656037ull;  // FNV-1a over the upper-cased bytes
    for (char c : s) h = (h ^ static_cast<unsigned char>(UpperAscii(c))) * 1099511628211ull;
    return h;
}

bool TSatelliteList::NoCaseEqual::operator()(std::string_view a, std::string_view b) const {
    return EqualsNoCase(a, b);
}

TSatellite* TSatelliteList::GetSat(int index) const {
    if (index < 0 || index >= Count()) return nullptr;
    EnsureOrder();
    return order_[static_cast<std::size_t>(index)].second;
}

const std::string& TSatelliteList::Name(int index) const {
    static const std::string empty;
    if (index < 0 || index >= Count()) return empty;
    EnsureOrder();
    return *order_[static_cast<std::size_t>(index)].first;
}

int TSatelliteList::IndexOf(std::string_view name) const {
    EnsureOrder();
    const auto it = indexByName_.find(name);
    return it == indexByName_.end() ? -1 : it->second;
}

TSatellite* TSatelliteList::FindCatNr(const std::string& catNr) const {
    const auto it = catIndex_.find(catNr);
    if (it == catIndex_.end()) return nullptr;
    TSatellite* best = nullptr;
    for (TSatellite* sat : it->second)
        if (best == nullptr || CompareNoCase(sat->name, best->name) < 0) best = sat;
    return best;
}

int TSatelliteList::IndexOfCatNr(std::string_view catNr) const {
    if (catNr.size() != 5) return -1;
    const TSatellite* sat = FindCatNr(UpperAscii(catNr));
    return sat == nullptr ? -1 : IndexOf(sat->name);
}

void TSatelliteList::IndexCat(TSatellite* sat) { catIndex_[sat->catNr].push_back(sat); }

void TSatelliteList::UnindexCat(TSatellite* sat) {
    const auto it = catIndex_.find(sat->catNr);
    if (it == catIndex_.end()) return;
    auto& v = it->second;
    v.erase(std::remove(v.begin(), v.end(), sat), v.end());
    if (v.empty()) catIndex_.erase(it);
}

void TSatelliteList::Remove(const TSatellite* sat) {
    const auto it = byName_.find(sat->name);
    if (it == byName_.end() || it->second.get() != sat) return;
    UnindexCat(it->second.get());
    byName_.erase(it);
    orderDirty_ = true;
}

void TSatelliteList::AddSatellite(const std::string& key, std::unique_ptr<TSatellite> sat, const std::string& path) {
    TSatellite& s = *sat;
    // Settings by name.
    s.noaa = false;
    s.linesPerMinute = 120;
    s.type = 0;
    s.name = key;
    s.scanHalfAngle = 45.0;
    s.launchDate = 0.0;
    s.offset = 33.5;
    s.frequency = 0.0;
    s.sourceFile = std::filesystem::path(path).filename().string();
    const std::string& n = s.name;
    const char c = ((StartsWith(n, "NOAA 1") || StartsWith(n, "NOAA-1")) && n.size() >= 7) ? n[6] : ' ';
    if (c != ' ') {
        s.scanHalfAngle = 55.37;
        s.noaa = true;
        s.type = 1;
    }
    if (n == "METEOR 3-5" || n == "MET-3/5") s.scanHalfAngle = 36.0;
    if (StartsWith(n, "OKEAN") || StartsWith(n, "SICH")) s.linesPerMinute = 240;
    if (StartsWith(n, "ISS")) s.scanHalfAngle = 68.0;
    if (StartsWith(n, "RESURS")) s.type = 2;
    if (StartsWith(n, "METEOR 3-5") || StartsWith(n, "METEOR 3/5")) s.type = 3;
    if (StartsWith(n, "METEOR 2-21") || StartsWith(n, "METEOR 2/21")) s.type = 4;
    if (StartsWith(n, "OKEAN")) s.type = 5;
    if (StartsWith(n, "ISS")) s.type = 6;
    if (c == '2' || c == '5')
        s.frequency = 137.5;
    else if (c == '4' || c == '6')
        s.frequency = 137.62;
    else if (s.type == 2)
        s.frequency = 137.85;
    else if (s.type == 3)
        s.frequency = 137.3;
    else if (s.type == 4 || s.type == 5)
        s.frequency = 137.4;
    // The satellite was propagated to its epoch before it was offered to the list: south of
    // the equator (or at a node) the revolution number at epoch counts the coming node.
    if (std::sin(static_cast<long double>(s.orbitPhase)) < 6e-6L) s.revAtEpoch += 1.0;

    TSatellite* raw = sat.get();
    const auto it = byName_.find(key);
    if (it != byName_.end()) {
        // The name's previous satellite leaves the list and is freed.
        UnindexCat(it->second.get());
        it->second = std::move(sat);
    } else {
        byName_.emplace(key, std::move(sat));
    }
    orderDirty_ = true;
    IndexCat(raw);
}


}  // namespace orbit

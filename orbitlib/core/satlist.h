// Element sets and the satellite list: the two-line element format, the satellite
// record with its model state, and the sorted list built from a folder of element files.
#pragma once

#include <cstdint>
#include <limits>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "orbittypes.h"
#include "sdp4.h"
#include "sgp4state.h"

namespace orbit {

// The deep-space work area of a satellite, allocated only for satellites that take the
// deep-space model (most element sets never need it). Copies copy the work area.
class TDeepStateBox {
public:
    TDeepStateBox() = default;
    TDeepStateBox(const TDeepStateBox& other)
        : p_(other.p_ ? std::make_unique<TDeepState>(*other.p_) : nullptr) {}
    TDeepStateBox(TDeepStateBox&&) noexcept = default;
    TDeepStateBox& operator=(const TDeepStateBox& other) {
        if (this != &other) p_ = other.p_ ? std::make_unique<TDeepState>(*other.p_) : nullptr;
        return *this;
    }
    TDeepStateBox& operator=(TDeepStateBox&&) noexcept = default;

    // The work area, created zero-filled on first use.
    TDeepState& Ensure() {
        if (!p_) p_ = std::make_unique<TDeepState>();
        return *p_;
    }
    void Reset() { p_.reset(); }
    explicit operator bool() const { return p_ != nullptr; }
    TDeepState* operator->() const { return p_.get(); }
    TDeepState& operator*() const { return *p_; }

private:
    std::unique_ptr<TDeepState> p_;
};

// One element set with its model state. Created zero-filled; the element fields are
// written by ParseElements, the settings by the list, the model state by the propagators.
class TSatellite {
public:
    // What every propagation reads or writes comes first, together, so that a propagation
    // touches as few cache lines of the record as it can.
    bool deepSpace = false;         // period from the model mean motion of 225 minutes or more
    std::int32_t initNeeded = 0;    // 1 after ParseElements; cleared by the propagators
    std::int32_t revNumber = 0;     // revolution number of the last propagation
    double meanAnomaly = 0.0;       // rad
    double raan = 0.0;              // right ascension of the ascending node, rad
    double argPerigee = 0.0;        // rad
    double eccentricity = 0.0;
    double inclination = 0.0;       // rad
    double meanMotion = 0.0;        // rad/min, as read (not the model mean motion)
    double firstDerivative = 0.0;   // rad/min^2: the format's ndot/2 * 2 pi / 1440^2
    double bstar = 0.0;             // drag term, per Earth radius
    double epoch = 0.0;             // Julian date
    double epochText = 0.0;         // YYDDD.DDDDDDDD as read
    double revAtEpoch = 0.0;        // revolution number at epoch
    double periodDays = 0.0;        // OrbitPeriodDays, kept by the propagation driver
    double orbitPhase = 0.0;        // rad, argument of latitude of the last propagation
    double orbitPos = 0.0;          // orbit position in revolutions of the last propagation
    // Minutes from the epoch of the decays nearest to it found after and before it: the
    // propagation fails from there on away from the epoch. Reset by ParseElements.
    double decayAfter = std::numeric_limits<double>::infinity();
    double decayBefore = -std::numeric_limits<double>::infinity();
    TDeepStateBox deep;             // deep-space model state, deep-space sets only
    TSgp4State sgp4;                // near-Earth model state

    std::string catNr;              // columns 3-7 of line 1, upper case, blanks kept (5 characters)
    std::string elementSetNr;       // element set number, 3 digits
    double secondDerivative = 0.0;  // rad/min^3: the format's nddot/6 * 2 pi / 1440^3
    double offset = 0.0;            // 33.5 when listed
    double frequency = 0.0;         // MHz
    std::string sourceFile;         // file name of the element file that supplied the set
    double launchDate = 0.0;        // Julian date, 0 when unknown
    std::string name;               // the list key
    std::string notes;
    std::int32_t linesPerMinute = 0;
    std::uint8_t type = 0;          // 0..6 by name
    bool noaa = false;
    double scanHalfAngle = 0.0;     // degrees

    // Fills the element fields from the two lines, decides the deep-space flag and sets
    // initNeeded. Throws EMathError for sets the model cannot take (mean motion 0,
    // eccentricity 1 or more, ...).
    void ParseElements(const std::string& line1, const std::string& line2);
};

// The sorted list of satellites of one element folder. Each entry is a name (the key)
// with the satellite it owns; names are unique and ordered without regard to case.
class TSatelliteList {
public:
    // An empty list without a folder.
    TSatelliteList();
    // Builds the whole list from every element file of the folder ("*.2li", "*.tle",
    // "*.txt", extensions in any case, names sorted within each pattern; "TLEnotes.txt"
    // is read as notes). An empty folder text means the current folder.
    explicit TSatelliteList(const std::string& folder);
    ~TSatelliteList();
    TSatelliteList(const TSatelliteList&) = delete;
    TSatelliteList& operator=(const TSatelliteList&) = delete;

    // Merges one element file into the list. Throws std::runtime_error with the reason when the
    // file cannot be opened as a regular file or read, or holds more than 64 MB (the sets
    // before the limit stay in the list).
    void LoadFromFile(const std::string& path);
    // Reads the notes file (folder + file name; the name is matched without regard to case).
    void LoadNotes(const std::string& fileName);
    // Frees every satellite and empties the list.
    void Clear();

    int Count() const { return static_cast<int>(byName_.size()); }
    // Satellite / name at an index; nullptr / empty for an index out of range.
    TSatellite* GetSat(int index) const;
    const std::string& Name(int index) const;
    // Index of a name (without regard to case), or -1.
    int IndexOf(std::string_view name) const;
    // First index in list order whose satellite has this catalogue number (the text
    // upper-cased, exactly 5 characters), or -1.
    int IndexOfCatNr(std::string_view catNr) const;
    // The folder with a trailing '/', or empty.
    const std::string& Folder() const { return folder_; }

private:
    struct NoCaseLess {
        using is_transparent = void;
        bool operator()(std::string_view a, std::string_view b) const;
    };
    // Reads the element sets of one opened file into the list.
    template <class TReader>
    void ReadElementSets(TReader& in, const std::string& path);
    // Adds a parsed, propagated satellite under its key; takes ownership.
    void AddSatellite(const std::string& key, std::unique_ptr<TSatellite> sat, const std::string& path);
    // The satellite of a catalogue number that comes first in list order, or nullptr.
    TSatellite* FindCatNr(const std::string& catNr) const;
    void Remove(const TSatellite* sat);
    void IndexCat(TSatellite* sat);
    void UnindexCat(TSatellite* sat);
    // Hashing and equality of names without regard to ASCII case, for the name index.
    struct NoCaseHash {
        std::size_t operator()(std::string_view s) const;
    };
    struct NoCaseEqual {
        bool operator()(std::string_view a, std::string_view b) const;
    };
    // Rebuilds the positional view and the name index after changes.
    void EnsureOrder() const;

    std::map<std::string, std::unique_ptr<TSatellite>, NoCaseLess> byName_;
    // Catalogue number -> satellites listed under it, so finding a number is not a scan.
    std::unordered_map<std::string, std::vector<TSatellite*>> catIndex_;
    // Entries in list order, rebuilt lazily when the list changed.
    mutable std::vector<std::pair<const std::string*, TSatellite*>> order_;
    // Name (viewing the key held by byName_) -> index in list order, rebuilt with order_.
    mutable std::unordered_map<std::string_view, int, NoCaseHash, NoCaseEqual> indexByName_;
    mutable bool orderDirty_ = false;
    std::string folder_;
};

// The list key of a name line: the first 15 characters, trimmed of characters at or
// below the blank, ASCII letters upper-cased; "NOAA-L" becomes "NOAA 16".
std::string SatelliteKey(std::string_view nameLine);

// Column routines of the element format (1-based columns).
std::string BlanksToZeros(std::string_view text);
double ColumnReal(std::string_view line, int column, int width);
std::int32_t ColumnInt(std::string_view line, int column, int width);
std::string TwoDigits(int n);
std::string ColumnStr3(int n);

}  // namespace orbit

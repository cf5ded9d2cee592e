// Reading the element list from a folder: the element files, and the notes file with frequencies and launch dates.
#include "satlist.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <system_error>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "mathtime.h"
#include "propagate.h"
#include "satlist_text.h"

namespace orbit {

namespace {

constexpr std::size_t kElementLineLength = 69;
constexpr const char* kNotesFileName = "TLEnotes.txt";
// Element and notes files above this size are not read: no real collection comes near it.
constexpr std::uintmax_t kMaxElementFileBytes = std::uintmax_t{64} << 20;

// Date and optional time as "yyyy/MM/dd[ HH:mm[:ss[.zzz]]]".
bool ParseDateTimeText(std::string_view s, double& dateTime) {
    s = Trim(s);
    auto number = [&](std::size_t& i, int maxDigits, int& v) {
        const std::size_t b = i;
        v = 0;
        while (i < s.size() && s[i] >= '0' && s[i] <= '9' && static_cast<int>(i - b) < maxDigits) v = v * 10 + (s[i++] - '0');
        return i > b;
    };
    TDateTimeParts p;
    std::size_t i = 0;
    if (!number(i, 4, p.year) || i >= s.size() || s[i++] != '/') return false;
    if (!number(i, 2, p.month) || i >= s.size() || s[i++] != '/') return false;
    if (!number(i, 2, p.day)) return false;
    if (i < s.size()) {
        if (s[i] != ' ') return false;
        while (i < s.size() && s[i] == ' ') ++i;
        if (!number(i, 2, p.hour) || i >= s.size() || s[i++] != ':') return false;
        if (!number(i, 2, p.minute)) return false;
        if (i < s.size() && s[i] == ':') {
            ++i;
            if (!number(i, 2, p.second)) return false;
            if (i < s.size() && s[i] == '.') {
                ++i;
                const std::size_t b = i;
                if (!number(i, 3, p.msec)) return false;
                for (std::size_t k = i - b; k < 3; ++k) p.msec *= 10;
            }
        }
        if (Trim(s.substr(i)).size() != 0) return false;
    }
    return EncodeDateTime(p, dateTime);
}

// Reads a file line by line (CR LF, LF or CR ends a line), holding one buffer and the current
// line, never the whole file. At most `limit` bytes are read: the size a file states is not
// trusted (a file of the proc file system states 0 and may never end), the bytes read are
// counted. A line keeps its first kMaxLineBytes bytes; the rest of it is read and dropped.
class TLineReader {
public:
    static constexpr std::size_t kMaxLineBytes = std::size_t{1} << 20;

    explicit TLineReader(std::uintmax_t limit) : limit_(limit) {}

    // Opens a regular file; false when it cannot be opened (also a folder, a pipe, a device,
    // a missing file). The opened descriptor is checked, so nothing can be swapped in between,
    // and opening never waits (a pipe without a writer).
    bool Open(const std::string& path) {
        const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
        if (fd < 0) return false;
        struct stat st {};
        const int flags = ::fcntl(fd, F_GETFL);
        if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || flags < 0 ||
            ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
            ::close(fd);
            return false;
        }
        fd_ = fd;
        return true;
    }
    ~TLineReader() {
        if (fd_ >= 0) ::close(fd_);
    }
    TLineReader(const TLineReader&) = delete;
    TLineReader& operator=(const TLineReader&) = delete;

    // True once reading stopped at the limit with more bytes in the file.
    bool OverLimit() const { return overLimit_; }
    // True when a read failed.
    bool Failed() const { return failed_; }
    // The next line into `line`; false at the end of the file (`line` is then left as it was).
    bool Next(std::string& line) {
        bool any = false;
        std::string next;
        std::string& out = line;
        out.swap(next);  // keeps `line` when nothing is left
        out.clear();
        for (;;) {
            if (pos_ == len_ && !Fill()) break;
            if (skipLf_) {
                skipLf_ = false;
                if (buf_[pos_] == '\n') {
                    ++pos_;
                    continue;
                }
            }
            const char* start = buf_ + pos_;
            const char* end = buf_ + len_;
            const char* stop = start;
            while (stop < end && *stop != '\r' && *stop != '\n') ++stop;
            const std::size_t room = out.size() < kMaxLineBytes ? kMaxLineBytes - out.size() : 0;
            out.append(start, std::min(room, static_cast<std::size_t>(stop - start)));
            any = true;
            pos_ = static_cast<std::size_t>(stop - buf_);
            if (stop < end) {
                skipLf_ = *stop == '\r';
                ++pos_;
                return true;
            }
        }
        if (any && !out.empty()) return true;
        out.swap(next);
        return false;
    }

private:
    bool Fill() {
        pos_ = len_ = 0;
        if (fd_ < 0 || overLimit_ || failed_) return false;
        if (read_ >= limit_) {
            // A read past the limit tells a file of exactly the limit from a longer one (a whole
            // block: some files of the proc file system refuse reads of odd sizes).
            ssize_t n;
            do n = ::read(fd_, buf_, sizeof buf_);
            while (n < 0 && errno == EINTR);
            if (n != 0) (n > 0 ? overLimit_ : failed_) = true;
            return false;
        }
        const std::uintmax_t want = std::min<std::uintmax_t>(sizeof buf_, limit_ - read_);
        ssize_t n;
        do n = ::read(fd_, buf_, static_cast<std::size_t>(want));
        while (n < 0 && errno == EINTR);
        if (n < 0) failed_ = true;
        if (n <= 0) return false;
        len_ = static_cast<std::size_t>(n);
        read_ += len_;
        return true;
    }
    int fd_ = -1;
    char buf_[65536];
    std::size_t pos_ = 0, len_ = 0;
    bool skipLf_ = false;
    std::uintmax_t limit_ = 0, read_ = 0;
    bool overLimit_ = false, failed_ = false;
};

}  // namespace

TSatelliteList::TSatelliteList(const std::string& folder) {
    folder_ = folder;
    if (!folder_.empty() && folder_.back() == '\\') folder_.back() = '/';
    if (!folder_.empty() && folder_.back() != '/') folder_ += '/';

    namespace fs = std::filesystem;
    std::vector<std::string> names;
    std::error_code ec;
    for (fs::directory_iterator it(folder_.empty() ? fs::path(".") : fs::path(folder_), ec), end; !ec && it != end;
         it.increment(ec))
        names.push_back(it->path().filename().string());
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        const int c = CompareNoCase(a, b);
        return c != 0 ? c < 0 : a < b;
    });
    for (const char* ext : {".2li", ".tle", ".txt"}) {
        for (const std::string& name : names) {
            if (name.size() <= 4 || !EqualsNoCase(std::string_view(name).substr(name.size() - 4), ext)) continue;
            if (EqualsNoCase(name, kNotesFileName)) continue;
            LoadFromFile(folder_ + name);
        }
    }
    LoadNotes(kNotesFileName);
}

template <class TReader>
void TSatelliteList::ReadElementSets(TReader& in, const std::string& path) {
    std::string line, line1, line2;
    for (;;) {
        // Name line.
        do {
            if (!in.Next(line)) return;
        } while (Trim(line).empty());
        const std::string key = SatelliteKey(Trim(line));
        // Line 1: the next line of exactly 69 characters.
        do {
            if (!in.Next(line1)) return;
        } while (line1.size() != kElementLineLength);
        // Line 2: likewise; at the end of the file the last line stands as line 2.
        if (!in.Next(line2)) return;
        while (line2.size() != kElementLineLength && in.Next(line2)) {
        }

        if (line1[0] != '1' || line2.empty() || line2[0] != '2') continue;
        const std::string_view cat1 = Column(line1, 3, 5), cat2 = Column(line2, 3, 5);
        if (cat1 != cat2 || Trim(cat1).empty()) continue;
        try {
            auto sat = std::make_unique<TSatellite>();
            sat->ParseElements(line1, line2);
            // A set the model cannot propagate is rejected before it displaces anything.
            Vector pos, vel;
            PropagateSatellite(*sat, sat->epoch, pos, vel);
            const TSatellite* listed = FindCatNr(sat->catNr);
            if (listed == nullptr) {
                AddSatellite(key, std::move(sat), path);
            } else if (sat->epoch > listed->epoch) {
                Remove(listed);
                AddSatellite(key, std::move(sat), path);
            }
        } catch (const std::exception&) {
            // The record's set is dropped; reading goes on with the next record.
        }
    }
}

void TSatelliteList::LoadFromFile(const std::string& path) {
    TLineReader in(kMaxElementFileBytes);
    if (!in.Open(path)) throw std::runtime_error("Cannot open element file " + path);
    ReadElementSets(in, path);
    if (in.OverLimit())
        throw std::runtime_error("Element file " + path + " is larger than " +
                                 std::to_string(kMaxElementFileBytes >> 20) + " MB; reading stopped there");
    if (in.Failed()) throw std::runtime_error("Cannot read element file " + path);
}

void TSatelliteList::LoadNotes(const std::string& fileName) {
    namespace fs = std::filesystem;
    std::string path = folder_ + fileName;
    std::error_code ec;
    if (!fs::is_regular_file(path, ec)) {
        // Look for the name in any case.
        std::vector<std::string> candidates;
        for (fs::directory_iterator it(folder_.empty() ? fs::path(".") : fs::path(folder_), ec), end;
             !ec && it != end; it.increment(ec)) {
            const std::string name = it->path().filename().string();
            if (EqualsNoCase(name, fileName)) candidates.push_back(name);
        }
        if (candidates.empty()) return;
        std::sort(candidates.begin(), candidates.end());
        path = folder_ + candidates.front();
    }
    // Reading stops at the size limit; what was read stays.
    TLineReader in(kMaxElementFileBytes);
    if (!in.Open(path)) return;
    std::string raw;
    while (in.Next(raw)) {
        try {
            std::string_view line = Trim(raw);
            const std::size_t semi = line.find(';');
            if (semi != std::string_view::npos) line = Trim(line.substr(0, semi));
            if (line.empty() || line[0] < '0' || line[0] > '9') continue;
            const std::size_t blank = line.find(' ');
            if (blank == std::string_view::npos) continue;
            const int k = IndexOfCatNr(line.substr(0, blank));
            if (k == -1) continue;
            TSatellite& sat = *GetSat(k);
            const std::string_view rest = Trim(line.substr(blank + 1));
            std::string_view freqText, offsetText, notes;
            const std::size_t b2 = rest.find(' ');
            if (b2 == std::string_view::npos) {
                freqText = rest;
            } else {
                freqText = rest.substr(0, b2);
                const std::string_view r = Trim(rest.substr(b2 + 1));
                if (!r.empty() && (r[0] == '+' || r[0] == '-')) {
                    const std::size_t b3 = r.find(' ');
                    offsetText = b3 == std::string_view::npos ? r : r.substr(0, b3);
                    notes = b3 == std::string_view::npos ? std::string_view() : Trim(r.substr(b3 + 1));
                } else {
                    notes = r;
                }
            }
            std::string launchText;
            if (notes.size() >= 3 && EqualsNoCase(notes.substr(0, 3), "LD=")) {
                const std::string_view after = notes.substr(3);
                const std::size_t b4 = after.find(' ');
                launchText = std::string(b4 == std::string_view::npos ? after : after.substr(0, b4));
                std::replace(launchText.begin(), launchText.end(), '@', ' ');
                notes = b4 == std::string_view::npos ? std::string_view() : Trim(after.substr(b4 + 1));
            }
            sat.notes = std::string(notes);
            double v = 0.0;
            if (ParseReal(freqText, v)) sat.frequency = v;
            if (!offsetText.empty() && ParseReal(offsetText, v)) sat.offset = v;
            double dt = 0.0;
            if (!launchText.empty() && ParseDateTimeText(launchText, dt)) sat.launchDate = DateTimeToJulian(dt);
        } catch (const std::exception&) {
            // The rest of this line is skipped.
        }
    }
}

}  // namespace orbit

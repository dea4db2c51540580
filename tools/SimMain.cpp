// kesto-sim: an analyzer on a pseudo-terminal, for trying the program and the monitor without
// the instrument. See --help.

#include "serial/PortMap.h"
#include "serial/SerialAdapters.h"
#include "tools/SimFrames.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <optional>
#include <poll.h>
#include <pty.h>
#include <string>
#include <string_view>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>
#include <unistd.h>
#include <vector>

namespace {

volatile std::sig_atomic_t g_stop = 0;

void onSignal(int) {
    g_stop = 1;
}

constexpr const char* kUsage = R"(Usage: kesto-sim [options]

Simulates the flue-gas analyzer on a pseudo-terminal: frames of FF FF, 13 or 16 big-endian
16-bit words, FF FF, with the readings of a gas boiler in steady operation (O2 drifting
between 3 and 6 %, CO2, lambda and efficiency consistent with it, small noise), measured in
a cold cellar with a weak chimney: the room around 0 C (-0.1 C now and then), the draught
around 0 hPa (mostly -0.01 hPa), and CO, NO2, H2 and S6 at -1 and the flow at -0.1 m/s now
and then, so that words hold FF FF or end in hex F as they do on a job.

Where the line appears:
  --com N            make the line COM N of the program: a link
                     $XDG_CONFIG_HOME/Pellum/dosdevices/comN (XDG_CONFIG_HOME defaults to
                     ~/.config) to the pseudo-terminal, removed on exit. An existing link is
                     left alone (exit status 2) unless its target has gone.
  --adapter NAME     appear as a USB adapter too: the link dev/serial/by-id/NAME below the
                     folder KESTO_DEVICE_ROOT names (which must be set; the real /dev is never
                     touched) to the pseudo-terminal, with udev's maker "Vantro", model
                     "Kesto simulator" and serial NAME; removed on exit. A link of that name
                     is moved to this line, as udev moves it when an adapter is replugged.
  --print-path       print the pseudo-terminal's device path as the first line on stdout
  Without either option the path is printed on stderr only.
  As on a real line, a program that opens the port receives only what is sent from then on,
  which may be the tail of a frame; nothing is kept for a reader that is not there.

Timing:
  --period-ms MS     one frame every MS milliseconds (default 1000; 200 with --fast)
  --fast             no pacing: each frame in one write (the real line takes 8.33 ms per
                     byte at 1200 baud, 10 bits per byte), period 200 ms unless given
  --seconds S        stop after S seconds (default: run until SIGINT or SIGTERM)

Frames:
  --words 13|16      words per frame (default 13; 16 adds flow, H2 and S6)
  --seed N           seed of the random noise and faults (default: from the clock)
  --calm             readings away from zero (room 18 to 22 C, draught -0.05 to -0.15 hPa,
                     no reading at -1): no word holds the hex digits FF

Faults:
  --garbage RATE     before each frame, with probability RATE (0 to 1), send 1 to 16 bytes of
                     line noise (never containing the hex digit F, so frames stay intact)
  --split            send each frame in 2 to 4 writes with gaps of 5 to 30 ms
  --out-of-range N   every N-th frame carries the O2 word 250 (25.0 %), which the program
                     rejects
  --silence-after S  send nothing from S seconds after the start ...
  --silence-for T    ... for T seconds (default 10); once, unless
  --silence-repeat   repeat it: S seconds of frames, T seconds of silence, and so on

  --help             this text
  --version          the version

Stops cleanly on SIGINT or SIGTERM (the link is removed, the pseudo-terminal closed).
Exit status: 0 normal end, 1 bad options, 2 the line could not be set up.
)";

struct Options {
    std::optional<int> com;
    std::string adapter;
    bool printPath = false;
    std::optional<int> periodMs;
    bool fast = false;
    double seconds = 0; // 0: until stopped
    int words = kesto::sim::kShortFrameWords;
    std::optional<std::uint32_t> seed;
    bool calm = false;
    double garbage = 0;
    bool split = false;
    int outOfRange = 0;
    double silenceAfter = -1;
    double silenceFor = 10;
    bool silenceRepeat = false;
};

template <typename T> bool parseNumber(std::string_view text, T& out) {
    const auto* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, out);
    return ec == std::errc{} && ptr == end;
}

std::optional<Options> parseOptions(int argc, char** argv) {
    Options o;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        auto value = [&](auto& out) {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "kesto-sim: %s needs a value\n", argv[i]);
                return false;
            }
            if (!parseNumber(std::string_view(argv[i + 1]), out)) {
                std::fprintf(stderr, "kesto-sim: %s: not a valid value: %s\n", argv[i],
                             argv[i + 1]);
                return false;
            }
            ++i;
            return true;
        };
        bool ok = true;
        if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            std::exit(0);
        } else if (arg == "--version") {
            std::puts("kesto-sim " KESTO_VERSION);
            std::exit(0);
        } else if (arg == "--com") {
            int n = 0;
            ok = value(n) && n >= 1;
            o.com = n;
        } else if (arg == "--adapter" && i + 1 < argc) {
            o.adapter = argv[++i];
            ok = !o.adapter.empty() && o.adapter.find('/') == std::string::npos;
        } else if (arg == "--print-path") {
            o.printPath = true;
        } else if (arg == "--period-ms") {
            int ms = 0;
            ok = value(ms) && ms >= 1;
            o.periodMs = ms;
        } else if (arg == "--fast") {
            o.fast = true;
        } else if (arg == "--seconds") {
            ok = value(o.seconds) && o.seconds >= 0;
        } else if (arg == "--words") {
            ok = value(o.words) && (o.words == kesto::sim::kShortFrameWords ||
                                    o.words == kesto::sim::kLongFrameWords);
        } else if (arg == "--seed") {
            std::uint32_t s = 0;
            ok = value(s);
            o.seed = s;
        } else if (arg == "--calm") {
            o.calm = true;
        } else if (arg == "--garbage") {
            ok = value(o.garbage) && o.garbage >= 0 && o.garbage <= 1;
        } else if (arg == "--split") {
            o.split = true;
        } else if (arg == "--out-of-range") {
            ok = value(o.outOfRange) && o.outOfRange >= 1;
        } else if (arg == "--silence-after") {
            ok = value(o.silenceAfter) && o.silenceAfter >= 0;
        } else if (arg == "--silence-for") {
            ok = value(o.silenceFor) && o.silenceFor > 0;
        } else if (arg == "--silence-repeat") {
            o.silenceRepeat = true;
        } else {
            std::fprintf(stderr, "kesto-sim: unknown option %s (see --help)\n", argv[i]);
            return std::nullopt;
        }
        if (!ok) {
            std::fprintf(stderr, "kesto-sim: invalid value for %s (see --help)\n", argv[i - 1]);
            return std::nullopt;
        }
    }
    return o;
}

using SteadyClock = std::chrono::steady_clock;

// Sleeps until `when`; false when a stop signal arrived meanwhile.
bool sleepUntil(SteadyClock::time_point when) {
    while (!g_stop) {
        const auto left = when - SteadyClock::now();
        if (left <= SteadyClock::duration::zero()) {
            return true;
        }
        const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(left).count();
        timespec ts{static_cast<time_t>(ns / 1000000000), static_cast<long>(ns % 1000000000)};
        // Without SA_RESTART a signal cuts the sleep short.
        nanosleep(&ts, nullptr);
    }
    return false;
}

// 10 bits per byte (start, 8 data, stop) at 1200 baud.
constexpr auto kByteTime = std::chrono::microseconds(8333);

// The line as a receiver sees it: bytes exist only while they are sent. A pseudo-terminal would
// keep whatever was written while no program had the port open and hand it to the next one as
// a backlog of whole frames; a real line hands a newly opened port only what is sent from then
// on, often the tail of a frame. So nothing is written while no reader has the slave side open
// (the master reports a hang-up then: the simulator keeps no slave descriptor of its own), and
// what a reader left unread when it closed the port is discarded.
class Line {
public:
    Line(int master, std::string slavePath, bool paced)
        : master_(master), slavePath_(std::move(slavePath)), paced_(paced) {}

    // Sends bytes at line speed (or at once); false when stopped.
    bool send(const std::vector<std::uint8_t>& bytes) {
        if (!paced_) {
            write(bytes.data(), bytes.size());
            return !g_stop;
        }
        auto when = SteadyClock::now();
        for (const std::uint8_t b : bytes) {
            write(&b, 1);
            when += kByteTime;
            if (!sleepUntil(when)) {
                return false;
            }
        }
        return true;
    }

    std::uint64_t written() const { return written_; }
    // Bytes sent while no program had the port open, or left unread when it closed it.
    std::uint64_t unheard() const { return unheard_; }
    // Bytes the pseudo-terminal refused because its queue was full (a reader that stopped
    // reading), lost like bytes that overrun a receiver.
    std::uint64_t dropped() const { return dropped_; }

private:
    bool readerPresent() {
        pollfd p{master_, POLLOUT, 0};
        const bool present = ::poll(&p, 1, 0) >= 0 && (p.revents & POLLHUP) == 0;
        if (hadReader_ && !present) {
            discardUnread();
        }
        hadReader_ = present;
        return present;
    }

    // The slave keeps unread input after its last reader closed; a short open of our own
    // flushes it, so the next reader does not see it.
    void discardUnread() {
        const int fd = ::open(slavePath_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) {
            return; // a new reader holds it exclusively already; nothing to be done
        }
        int waiting = 0;
        if (::ioctl(fd, FIONREAD, &waiting) == 0 && waiting > 0) {
            unheard_ += static_cast<std::uint64_t>(waiting);
        }
        ::tcflush(fd, TCIFLUSH);
        ::close(fd);
    }

    void write(const std::uint8_t* data, std::size_t n) {
        if (!readerPresent()) {
            unheard_ += n;
            return;
        }
        while (n > 0) {
            const ssize_t w = ::write(master_, data, n);
            if (w < 0) {
                if (errno == EINTR && !g_stop) {
                    continue;
                }
                // EAGAIN: the queue is full; the rest is lost.
                dropped_ += n;
                return;
            }
            written_ += static_cast<std::uint64_t>(w);
            data += w;
            n -= static_cast<std::size_t>(w);
        }
    }

    int master_;
    std::string slavePath_;
    bool paced_;
    bool hadReader_ = false;
    std::uint64_t written_ = 0;
    std::uint64_t unheard_ = 0;
    std::uint64_t dropped_ = 0;
};

// The line as udev would show an adapter: a by-id link and the device's database entry.
std::optional<std::string> publishAdapter(const std::string& name, const std::string& device) {
    namespace fs = std::filesystem;
    const char* root = std::getenv("KESTO_DEVICE_ROOT");
    if (root == nullptr || *root != '/') {
        return "--adapter needs KESTO_DEVICE_ROOT, an absolute folder standing in for /";
    }
    const kesto::DeviceFolders folders = kesto::DeviceFolders::fromEnvironment();
    const fs::path link = folders.serialByName() / "by-id" / name;
    struct stat st {};
    std::error_code ec;
    fs::create_directories(link.parent_path(), ec);
    fs::create_directories(folders.udevData(), ec);
    fs::remove(link, ec);
    fs::create_symlink(device, link, ec);
    if (ec || ::stat(device.c_str(), &st) != 0) {
        return "cannot create " + link.string() + ": " + ec.message();
    }
    std::ofstream(folders.udevData() / ("c" + std::to_string(major(st.st_rdev)) + ":" +
                                        std::to_string(minor(st.st_rdev))))
        << "E:ID_VENDOR=Vantro\nE:ID_MODEL_ENC=Kesto\\x20simulator\nE:ID_SERIAL_SHORT=" << name
        << "\n";
    return std::nullopt;
}

bool silentAt(const Options& o, double t) {
    if (o.silenceAfter < 0) {
        return false;
    }
    if (o.silenceRepeat) {
        const double cycle = o.silenceAfter + o.silenceFor;
        return std::fmod(t, cycle) >= o.silenceAfter;
    }
    return t >= o.silenceAfter && t < o.silenceAfter + o.silenceFor;
}

} // namespace

int main(int argc, char** argv) {
    const auto parsed = parseOptions(argc, argv);
    if (!parsed) {
        return 1;
    }
    const Options& o = *parsed;
    const int periodMs = o.periodMs.value_or(o.fast ? 200 : 1000);
    const std::uint32_t seed =
        o.seed.value_or(static_cast<std::uint32_t>(SteadyClock::now().time_since_epoch().count()));

    int master = -1;
    int slave = -1;
    char name[256] = {};
    if (::openpty(&master, &slave, name, nullptr, nullptr) != 0) {
        std::fprintf(stderr, "kesto-sim: cannot create a pseudo-terminal: %s\n",
                     std::strerror(errno));
        return 2;
    }
    // Raw both ways: no echo, no line editing, no CR/LF translation of the binary frames.
    termios tio{};
    if (::tcgetattr(slave, &tio) == 0) {
        ::cfmakeraw(&tio);
        ::cfsetspeed(&tio, B1200);
        ::tcsetattr(slave, TCSANOW, &tio);
    }
    ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
    const std::string slavePath = name;
    // Only readers hold the slave side open: that is how the line knows whether anyone listens.
    ::close(slave);

    const kesto::PortMap map = kesto::PortMap::fromEnvironment();
    if (o.com) {
        if (const auto error = map.createLink(*o.com, slavePath)) {
            std::fprintf(stderr, "kesto-sim: %s\n", error->c_str());
            ::close(master);
            return 2;
        }
    }

    const auto adapterLink = kesto::DeviceFolders::fromEnvironment().serialByName() / "by-id" /
                             (o.adapter.empty() ? "-" : o.adapter);
    if (!o.adapter.empty()) {
        if (const auto error = publishAdapter(o.adapter, slavePath)) {
            std::fprintf(stderr, "kesto-sim: %s\n", error->c_str());
            if (o.com) {
                map.removeLink(*o.com, slavePath);
            }
            ::close(master);
            return 2;
        }
    }

    struct sigaction sa {};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = 0; // no SA_RESTART: a signal ends the sleep at once
    ::sigaction(SIGINT, &sa, nullptr);
    ::sigaction(SIGTERM, &sa, nullptr);
    ::signal(SIGPIPE, SIG_IGN);

    if (o.printPath) {
        std::printf("%s\n", slavePath.c_str());
        std::fflush(stdout);
    }
    std::fprintf(stderr, "kesto-sim: %d-word frames on %s%s, one every %d ms%s (seed %u)\n",
                 o.words, slavePath.c_str(),
                 o.com ? (" as COM" + std::to_string(*o.com)).c_str() : "", periodMs,
                 o.fast ? ", unpaced" : "", seed);

    kesto::sim::BoilerModel model(seed, o.calm ? kesto::sim::NearZero::Calm
                                               : kesto::sim::NearZero::Field);
    std::mt19937 faults(seed ^ 0x5EEDu);
    std::uniform_real_distribution<double> chance(0.0, 1.0);
    Line line(master, slavePath, !o.fast);

    const auto start = SteadyClock::now();
    const auto period = std::chrono::milliseconds(periodMs);
    const auto end = start + std::chrono::duration_cast<SteadyClock::duration>(
                                 std::chrono::duration<double>(o.seconds));
    std::uint64_t frames = 0;
    std::uint64_t outOfRange = 0;
    std::uint64_t skipped = 0;
    for (std::uint64_t k = 0; !g_stop; ++k) {
        const auto due = start + k * period;
        if (o.seconds > 0 && due >= end) {
            sleepUntil(end);
            break;
        }
        if (!sleepUntil(due)) {
            break;
        }
        const double t = std::chrono::duration<double>(SteadyClock::now() - start).count();
        if (o.seconds > 0 && t >= o.seconds) {
            break;
        }
        if (silentAt(o, t)) {
            ++skipped;
            continue;
        }

        if (o.garbage > 0 && chance(faults) < o.garbage) {
            const auto count = std::uniform_int_distribution<std::size_t>(1, 16)(faults);
            if (!line.send(kesto::sim::garbageBytes(faults, count))) {
                break;
            }
        }

        auto words = kesto::sim::encodeWords(model.at(t));
        ++frames;
        if (o.outOfRange > 0 && frames % static_cast<std::uint64_t>(o.outOfRange) == 0) {
            words[0] = kesto::sim::kOutOfRangeO2Word;
            ++outOfRange;
        }
        const auto frame = kesto::sim::buildFrame(words, o.words);

        if (!o.split) {
            if (!line.send(frame)) {
                break;
            }
            continue;
        }
        // Two to four pieces, cut at random points, with short gaps between the writes.
        const auto pieces = std::uniform_int_distribution<std::size_t>(2, 4)(faults);
        std::vector<std::size_t> cuts{0, frame.size()};
        std::uniform_int_distribution<std::size_t> cutAt(1, frame.size() - 1);
        while (cuts.size() < pieces + 1) {
            const std::size_t c = cutAt(faults);
            if (std::find(cuts.begin(), cuts.end(), c) == cuts.end()) {
                cuts.push_back(c);
            }
        }
        std::sort(cuts.begin(), cuts.end());
        for (std::size_t p = 0; p + 1 < cuts.size() && !g_stop; ++p) {
            if (!line.send({frame.begin() + static_cast<std::ptrdiff_t>(cuts[p]),
                            frame.begin() + static_cast<std::ptrdiff_t>(cuts[p + 1])})) {
                break;
            }
            if (p + 2 < cuts.size()) {
                const auto gap =
                    std::chrono::milliseconds(std::uniform_int_distribution<int>(5, 30)(faults));
                sleepUntil(SteadyClock::now() + gap);
            }
        }
    }

    if (o.com) {
        map.removeLink(*o.com, slavePath);
    }
    std::error_code ec;
    if (!o.adapter.empty() && std::filesystem::read_symlink(adapterLink, ec) == slavePath) {
        std::filesystem::remove(adapterLink, ec); // unplugged; a newer run's link stays
    }
    ::close(master);
    std::fprintf(
        stderr,
        "kesto-sim: %llu frames (%llu out of range), %llu skipped in silence, "
        "%llu bytes written, %llu sent with no reader or left unread, "
        "%llu refused by a full queue\n",
        static_cast<unsigned long long>(frames), static_cast<unsigned long long>(outOfRange),
        static_cast<unsigned long long>(skipped), static_cast<unsigned long long>(line.written()),
        static_cast<unsigned long long>(line.unheard()),
        static_cast<unsigned long long>(line.dropped()));
    return 0;
}

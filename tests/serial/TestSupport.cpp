#include "TestSupport.h"

#include <chrono>
#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

namespace kesto::test {

PtyPair::PtyPair() {
    char name[256] = {};
    if (::openpty(&master_, &slave_, name, nullptr, nullptr) != 0) {
        master_ = slave_ = -1;
        return;
    }
    termios tio{};
    if (::tcgetattr(slave_, &tio) == 0) {
        ::cfmakeraw(&tio);
        ::tcsetattr(slave_, TCSANOW, &tio);
    }
    slavePath_ = name;
}

PtyPair::~PtyPair() {
    close();
}

bool PtyPair::write(const QByteArray& bytes) {
    const char* p = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(master_, p, static_cast<std::size_t>(left));
        if (n <= 0) {
            return false;
        }
        p += n;
        left -= n;
    }
    return true;
}

bool PtyPair::write(const std::vector<std::uint8_t>& bytes) {
    return write(QByteArray(reinterpret_cast<const char*>(bytes.data()),
                            static_cast<qsizetype>(bytes.size())));
}

void PtyPair::close() {
    if (slave_ >= 0) {
        ::close(slave_);
        slave_ = -1;
    }
    if (master_ >= 0) {
        ::close(master_);
        master_ = -1;
    }
}

PacedLine::PacedLine(PtyPair& pty, std::vector<std::vector<std::uint8_t>> bursts, int periodMs)
    : thread_([this, &pty, bursts = std::move(bursts), periodMs] {
          using Clock = std::chrono::steady_clock;
          const auto byteTime = std::chrono::microseconds(8333);
          auto burstStart = Clock::now();
          for (const auto& burst : bursts) {
              auto when = burstStart;
              for (const std::uint8_t b : burst) {
                  std::this_thread::sleep_until(when);
                  pty.write(std::vector<std::uint8_t>{b});
                  when += byteTime;
              }
              burstStart += std::chrono::milliseconds(periodMs);
              std::this_thread::sleep_until(burstStart);
          }
          done_ = true;
      }) {}

PacedLine::~PacedLine() {
    thread_.join();
}

QByteArray exampleFrame() {
    return QByteArray::fromHex("FFFF0069003200B4009603700064000000D2002800000005000080FAFFFF");
}

} // namespace kesto::test

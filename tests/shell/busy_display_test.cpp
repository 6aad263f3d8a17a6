// The whole display machine under a long burst of part updates from one operator: the
// screen keeps painting and another operator's caption shows while the burst still runs.
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QFile>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <atomic>
#include <chrono>
#include <memory>
#include <thread>
#include <vector>

#include "display/Zul2_rdisp.h"
#include "display/caption_strip.h"
#include "display/part_table.h"
#include "model/settings.h"
#include "recording_dialogs.h"
#include "shell/Zul2_main.h"
#include "shell/program.h"
#include "test_support.h"
#include "waiting_and_ports.h"

using namespace zul;
using zul::test::waitFor;

namespace {

constexpr int kParts = 400;

// `count` parts named part1.. in a grid, in code page 932 with CR LF.
QByteArray partsFile(int count) {
    const QByteArray no = "\x82\xa2\x82\xa2\x82\xa6";  // "いいえ"
    QByteArray out = "[List]\r\nRecordCount=" + QByteArray::number(count) + "\r\n";
    for (int i = 0; i < count; ++i) {
        const QByteArray n = QByteArray::number(i + 1);
        out += "[Parts-" + n + "]\r\nPName=part" + n +
               "\r\nValue=0\r\nX1=" + QByteArray::number(100 + (i / 20) * 22) +
               "\r\nY1=" + QByteArray::number((i % 20) * 51) +
               "\r\nX2=20\r\nY2=50\r\nFColor=16777215\r\nFSize=12\r\nBColor=0\r\nThrough=" + no +
               "\r\nAutoSize=" + no + "\r\n";
    }
    return out;
}

// Value i for part 1 + i % kParts, in a font colour that changes every time.
QByteArray partUpdate(int i) {
    return "\x2cpart" + QByteArray::number(1 + i % kParts) + "," + QByteArray::number(i) + "," +
           QByteArray::number(i % 2 == 0 ? 255 : 65280) + ",\n";
}

// Writes each of `bursts` on a connection of its own, one after the other, from a thread
// (as other machines do), and closes them once everything is written.
class Senders {
public:
    Senders(quint16 port, std::vector<QByteArray> bursts)
        : thread_([this, port, bursts = std::move(bursts)] {
              sockaddr_in to{};
              to.sin_family = AF_INET;
              to.sin_port = htons(port);
              to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
              std::vector<int> fds;
              for (const QByteArray& bytes : bursts) {
                  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
                  if (::connect(fd, reinterpret_cast<const sockaddr*>(&to), sizeof to) != 0) {
                      ::close(fd);
                      continue;
                  }
                  fds.push_back(fd);
                  for (qsizetype done = 0; done < bytes.size();) {
                      const ssize_t n =
                          ::send(fd, bytes.constData() + done,
                                 static_cast<size_t>(bytes.size() - done), MSG_NOSIGNAL);
                      if (n <= 0) {
                          break;
                      }
                      done += n;
                  }
              }
              written_ = true;
              for (const int fd : fds) {
                  ::close(fd);
              }
          }) {}
    ~Senders() { thread_.join(); }

    // Waits, without letting events run, until everything is written (at most `ms`).
    void waitWritten(int ms) const {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        while (!written_ && std::chrono::steady_clock::now() < end) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }

private:
    std::atomic<bool> written_{false};
    std::thread thread_;
};

// Notes what the last part showed when the strip first painted `text`.
class StripWatch : public QObject {
public:
    StripWatch(CaptionStrip& strip, const PartLabel& last, QString text)
        : strip_(strip), last_(last), text_(std::move(text)) {
        strip_.installEventFilter(this);
    }
    bool painted() const { return painted_; }
    const QByteArray& lastPartThen() const { return lastPartThen_; }

    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint && !painted_ && strip_.ownText() == text_) {
            painted_ = true;
            lastPartThen_ = last_.caption();
        }
        return false;
    }

private:
    CaptionStrip& strip_;
    const PartLabel& last_;
    QString text_;
    bool painted_ = false;
    QByteArray lastPartThen_;
};

}  // namespace

TEST(BusyDisplay, ACaptionSentDuringALongPartsBurstPaintsBeforeTheBurstEnds) {
    QTemporaryDir dir;
    test::RecordingDialogs dialogs;
    Program::Options o;
    o.startFolder = dir.path();
    o.showWindows = false;
    Program program(o);
    program.setDialogs(&dialogs);
    const quint16 port = test::freeTcpPort(QHostAddress::AnyIPv4);
    program.settings().Port.set(port);
    program.settings().BaseDir.set(dir.path());
    program.settings().ckStrScroll.set(false);
    {
        QFile f(dir.filePath(QStringLiteral("grid.rp1")));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(partsFile(kParts));
    }
    program.hubForm().Button4Click();
    TMainDisp& display = program.display();
    display.setGeometry(0, 0, 1024, 768);
    display.show();
    QTcpSocket op;
    op.connectToHost(QHostAddress::LocalHost, port);
    ASSERT_TRUE(op.waitForConnected(3000));
    op.write("\x2egrid.rp1\n");
    ASSERT_TRUE(waitFor([&] { return display.parts().PartCount() == kParts; }, 20000));

    // Every part changes several times; the last packet goes to the last part. The burst
    // is small enough to wait in the socket whole, so that one read finds all of it.
    constexpr int kBurst = 9 * kParts;
    QByteArray burst;
    for (int i = 0; i < kBurst; ++i) {
        burst += partUpdate(i);
    }
    const PartLabel& last = *display.parts().label(kParts - 1);
    const QByteArray lastValue = QByteArray::number(kBurst - 1);
    StripWatch watch(*display.StrFlame(), last, QStringLiteral("while the parts change"));
    {
        Senders senders(port, {burst, "\x24while the parts change\n"});
        // The display is busy elsewhere while both arrive.
        senders.waitWritten(2000);
        ASSERT_TRUE(waitFor([&] { return last.caption() == lastValue && watch.painted(); }, 60000));
    }
    EXPECT_NE(watch.lastPartThen(), lastValue) << "the caption waited for the whole burst";
    for (int i = kBurst - kParts; i < kBurst; ++i) {
        EXPECT_EQ(display.parts().label(i % kParts)->caption(), QByteArray::number(i)) << i;
    }
}

// vexmo-bench: how fast and how lean the real window is against a
// pseudo-terminal, on the traffic a modem sends: short lines, half of them
// empty. Prints one table; run it by hand (see README, "Performance").

// GLib names a member "signals", which Qt's keyword would rewrite.
#pragma push_macro("signals")
#undef signals
#include <umockdev.h>
#pragma pop_macro("signals")

#include "app/applicationsetup.h"
#include "app/form1.h"
#include "commands/catalogue.h"
#include "busydesktop.h"
#include "fixture.h"
#include "processstats.h"
#include "session/receivelog.h"
#include "textbox/crlfbox.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QSysInfo>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <cstdio>
#include <thread>
#include <unistd.h>

namespace {

// The modem traffic everything is measured on.
const QByteArray unit = "\r\n+CMTI: \"SM\",12\r\n\r\n+CSQ: 17,99\r\n\r\nOK\r\n";

QByteArray traffic(qint64 bytes)
{
    return unit.repeated(int(bytes / unit.size()) + 1).left(bytes);
}

struct Figure
{
    QString name;
    double value;
    QString unit;
    QString target;
    bool met;
};

// Adds a figure: its name, value, unit, target, and whether it was met.
using Add = std::function<void(const QString &, double, const QString &, const QString &, bool)>;

CrLfBox *logBox(Fixture &f)
{
    return f.get<CrLfBox>("Text2");
}

// Runs the event loop until the log holds `characters`.
void untilLogHolds(Fixture &f, qint64 characters)
{
    while (logBox(f)->length() < characters)
        QCoreApplication::processEvents(QEventLoop::AllEvents);
}

// How long the window takes to answer: a thread asks every 5 ms, and the
// window answers on its event loop, as it answers the window system.
class AnswerTime
{
public:
    AnswerTime()
        : m_thread([this] { ask(); })
    {
    }
    ~AnswerTime()
    {
        m_stop = true;
        m_answered.notify_all();
        m_thread.join();
    }
    double worstMs() const { return m_worstMs; }
    void reset() { m_worstMs = 0; }

private:
    void ask()
    {
        while (!m_stop) {
            const auto asked = std::chrono::steady_clock::now();
            m_pending = true;
            QMetaObject::invokeMethod(&m_receiver, [this, asked] {
                const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - asked).count();
                m_worstMs = std::max(m_worstMs.load(), ms);
                std::lock_guard<std::mutex> lock(m_mutex);
                m_pending = false;
                m_answered.notify_all();
            }, Qt::QueuedConnection);
            std::unique_lock<std::mutex> lock(m_mutex);
            m_answered.wait(lock, [this] { return !m_pending || m_stop; });
            lock.unlock();
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }

    QObject m_receiver;  // lives on the window's thread
    std::atomic<bool> m_stop{false};
    std::atomic<double> m_worstMs{0};
    bool m_pending = false;
    std::mutex m_mutex;
    std::condition_variable m_answered;
    std::thread m_thread;
};

QString machine()
{
    QString cpu;
    QFile info(QStringLiteral("/proc/cpuinfo"));
    info.open(QIODevice::ReadOnly);
    for (const QByteArray &line : info.readAll().split('\n')) {
        if (line.startsWith("model name")) {
            cpu = QString::fromLatin1(line.mid(line.indexOf(':') + 1).trimmed());
            break;
        }
    }
    return QStringLiteral("%1, %2 cores, %3 %4, Qt %5")
        .arg(cpu)
        .arg(sysconf(_SC_NPROCESSORS_ONLN))
        .arg(QSysInfo::prettyProductName(), QSysInfo::currentCpuArchitecture(), QString::fromLatin1(qVersion()));
}

double percentile(std::vector<double> v, double p)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[std::min(v.size() - 1, size_t(p * double(v.size())))];
}

std::vector<double> latency()
{
    ConnectedFixture f(1);
    std::vector<double> ms;
    for (int i = 0; i < 1000; ++i) {
        const qint64 before = logBox(f)->length();
        QElapsedTimer clock;
        clock.start();
        f.modem().write("OK\r\n");
        untilLogHolds(f, before + 4);
        ms.push_back(double(clock.nsecsElapsed()) / 1e6);
    }
    return ms;
}

struct Flood
{
    double firstMBps = 0, secondMBps = 0, worstAnswerMs = 0, bytesPerCharacter = 0, residentMb = 0;
    double clearedMb = 0, emptyMb = 0;
};

// 5 MB and 5 MB more at full speed, then on to the capacity and 5 MB past
// it, where the oldest lines go: ingest, memory, and the window's answer
// time throughout.
Flood flood(const Add &add)
{
    Flood result;
    ConnectedFixture f(1);
    QCoreApplication::processEvents();
    const double emptyMb = ProcessStats::residentMb();
    const qint64 half = 5'000'000;
    const qint64 capacity = ReceiveLog::defaultCapacity;
    const QByteArray last = "END OF FLOOD\r\n";
    QByteArray first = traffic(2 * half);
    QByteArray rest = traffic(capacity - half) + last;  // to the capacity, then 5 MB past it
    AnswerTime answer;
    std::future<void> writer = f.modem().writeInBackground(first);
    QElapsedTimer clock;
    clock.start();
    untilLogHolds(f, half);
    const double firstSeconds = double(clock.nsecsElapsed()) / 1e9;
    untilLogHolds(f, 2 * half);
    const double bothSeconds = double(clock.nsecsElapsed()) / 1e9;
    writer.wait();
    result.firstMBps = half / 1e6 / firstSeconds;
    result.secondMBps = half / 1e6 / (bothSeconds - firstSeconds);
    const double answerBelowCapacity = answer.worstMs();
    const double mbAt10 = ProcessStats::residentMb();  // reading /proc is the bench's own pause
    const double perCharacter = (mbAt10 - emptyMb) * 1048576 / double(logBox(f)->length());
    add(QStringLiteral("memory per log character, 10 MB log"), perCharacter, QStringLiteral("bytes"),
        QStringLiteral("<= 8"), perCharacter <= 8);

    answer.reset();
    writer = f.modem().writeInBackground(rest);
    const auto endsWithLast = [&f, &last] {
        const qint64 length = logBox(f)->length();
        return logBox(f)->mid(length - last.size(), length) == QLatin1String(last);
    };
    while (!endsWithLast())
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    writer.wait();
    result.worstAnswerMs = std::max(answerBelowCapacity, answer.worstMs());
    result.residentMb = ProcessStats::residentMb();
    result.bytesPerCharacter = (result.residentMb - emptyMb) * 1048576 / double(logBox(f)->length());
    add(QStringLiteral("log characters held at the capacity"), double(logBox(f)->length()) / 1e6, QStringLiteral("M"),
        QStringLiteral(">= 16"), logBox(f)->length() >= 16'000'000);
    // Clear text, as the user presses it: the memory goes back (the bench's
    // own copies of the traffic go first, the writer's included).
    first = rest = QByteArray();
    writer = {};
    f.get<QPushButton>("Command25")->click();
    QCoreApplication::processEvents();
    result.emptyMb = emptyMb;
    result.clearedMb = ProcessStats::residentMb();
    return result;
}

// Traffic at the line's real rate, 960 bytes a second, with 1 MB already in
// the log: what a core spends on it, whatever the lines end with.
double paced(const QByteArray &ending)
{
    ConnectedFixture f(1);
    f.modem().write(traffic(1'000'000));
    untilLogHolds(f, 1'000'000);
    QByteArray lines = traffic(9600);
    lines.replace("\r\n", ending);
    const double before = ProcessStats::cpuSeconds();
    QElapsedTimer clock;
    clock.start();
    QEventLoop running;
    std::thread writer([&] {
        for (int i = 0; i < 50; ++i) {  // 5 s
            f.modem().writeInBackground(lines.mid(i * 96, 96)).wait();
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        QMetaObject::invokeMethod(&running, &QEventLoop::quit, Qt::QueuedConnection);
    });
    running.exec();
    writer.join();
    return (ProcessStats::cpuSeconds() - before) / (double(clock.nsecsElapsed()) / 1e9) * 100;
}

// Bytes that never end a line, or only end it in lone CRs: how long until
// the log holds them, and how long the window took at worst to answer.
std::pair<double, double> unbroken(const QByteArray &bytes)
{
    ConnectedFixture f(1);
    AnswerTime answer;
    QElapsedTimer clock;
    clock.start();
    std::future<void> writer = f.modem().writeInBackground(bytes);
    untilLogHolds(f, bytes.size());
    const double ms = double(clock.nsecsElapsed()) / 1e6;
    writer.wait();
    return {ms, answer.worstMs()};
}

// Ten quiet seconds with a port open, in a process of its own as the
// program runs: how often it woke up, and the CPU it spent.
int idleChild(int argc, char *argv[])
{
    QApplication app(argc, argv);
    setUpApplication();
    ConnectedFixture f(1);
    QTest::qWait(100);
    int wakeUps = 0;
    QObject::connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::awake, [&wakeUps] { ++wakeUps; });
    const double before = ProcessStats::cpuSeconds();
    QEventLoop quiet;
    QTimer::singleShot(10000, &quiet, &QEventLoop::quit);
    quiet.exec();
    // The wake-up that ends the wait is the bench's own.
    std::printf("%d %g\n", wakeUps - 1, (ProcessStats::cpuSeconds() - before) / 10.0 * 100.0);
    return 0;
}

std::pair<int, double> idle(const QString &self)
{
    QProcess child;
    child.start(self, {QStringLiteral("--idle-child")});
    child.waitForFinished(30000);
    const QList<QByteArray> figures = child.readAllStandardOutput().trimmed().split(' ');
    return {figures.value(0).toInt(), figures.value(1).toDouble()};
}

// A 1 MB paste into a box, in three shapes: one line without a blank, one
// line of words, 80-column lines. The worst freeze, in ms.
double pasteInto(const char *box)
{
    Fixture f;
    QWidget *target = f.get(box);
    QString oneLine(1'000'000, u'7');
    QString words;
    while (words.size() < 1'000'000)
        words += QStringLiteral("hello modem ");
    QString columns;
    while (columns.size() < 1'000'000)
        columns += QString(78, u'x') + QStringLiteral("\r\n");
    double worst = 0;
    for (const QString &text : {oneLine, words.left(1'000'000), columns.left(1'000'000)}) {
        QApplication::clipboard()->setText(text);
        target->setFocus();
        QElapsedTimer clock;
        clock.start();
        if (auto *edit = qobject_cast<QLineEdit *>(target)) {
            edit->clear();
            edit->paste();
        } else {
            auto *multi = static_cast<CrLfBox *>(target);
            multi->clear();
            multi->paste();
        }
        QCoreApplication::processEvents();
        target->repaint();
        worst = std::max(worst, double(clock.nsecsElapsed()) / 1e6);
    }
    return worst;
}

// With `devices`, ports 1 to 15 lead to them (--port), all present.
std::vector<double> startUp(const QString &self, const QStringList &devices = {})
{
    std::vector<double> ms;
    for (int run = 0; run < 7; ++run) {
        QProcess child;
        QElapsedTimer clock;
        clock.start();
        child.start(self, QStringList{QStringLiteral("--startup-child")} + devices);
        child.waitForReadyRead(10000);
        ms.push_back(double(clock.nsecsElapsed()) / 1e6);
        child.waitForFinished(10000);
    }
    return ms;
}

int startupChild(int argc, char *argv[])
{
    QApplication app(argc, argv);
    setUpApplication();
    CommandLineOptions options;
    for (int i = 2; i < argc; ++i)
        options.ports.insert(i - 1, QString::fromLocal8Bit(argv[i]));
    Form1 form(options);
    form.showCentred();
    QTimer::singleShot(0, [] {
        std::puts("shown");
        std::fflush(stdout);
        QCoreApplication::quit();
    });
    return app.exec();
}

// Under strace: marks each press on stderr, then clicks and waits for the
// bytes; the parent counts the writes to the serial device between marks.
int pressesChild(int argc, char *argv[])
{
    QApplication app(argc, argv);
    setUpApplication();
    ConnectedFixture f(1);
    const QString device = QFileInfo(f.modem().device()).canonicalFilePath();
    for (const QFileInfo &fd : QDir(QStringLiteral("/proc/self/fd")).entryInfoList(QDir::NoDotAndDotDot | QDir::System)) {
        if (fd.symLinkTarget() == device)
            std::fprintf(stderr, "serial fd %s\n", qPrintable(fd.fileName()));
    }
    std::vector<std::pair<QByteArray, int>> presses;
    for (const auto &entry : Catalogue::entries())
        presses.emplace_back((f.form().ui().*entry.button)->objectName().toLatin1(), 0);
    presses.emplace_back("Command9", 1);
    presses.emplace_back("Command16", 37);  // the SMS header, then the body 500 ms later
    for (const auto &[button, bytes] : presses) {
        std::fprintf(stderr, "mark %s\n", button.constData());
        std::fflush(stderr);
        f.click(button.constData());
        f.modem().read(bytes > 0 ? bytes : 2, 2000);  // at least the line's end has arrived
        f.modem().readAll(20);
    }
    std::fprintf(stderr, "mark end\n");
    return 0;
}

std::vector<double> writesPerPress(const QString &self)
{
    const QString trace = QDir::temp().filePath(QStringLiteral("vexmo-bench-strace.txt"));
    QProcess child;
    child.start(QStringLiteral("strace"), {QStringLiteral("-f"), QStringLiteral("-e"), QStringLiteral("trace=write"),
                                           QStringLiteral("-o"), trace, self, QStringLiteral("--presses-child")});
    if (!child.waitForFinished(60000) || child.exitCode() != 0)
        return {};
    QFile file(trace);
    file.open(QIODevice::ReadOnly);
    QString serialFd;
    QString current;
    std::map<QString, int> counts;
    QStringList order;
    static const QRegularExpression write(QStringLiteral(R"(write\((\d+), "(.*)\", \d+\) += (\d+))"));
    for (const QByteArray &raw : file.readAll().split('\n')) {
        const auto m = write.match(QString::fromLatin1(raw));
        if (!m.hasMatch())
            continue;
        const QString fd = m.captured(1);
        const QString text = m.captured(2);
        if (fd == QLatin1String("2") && text.startsWith(QLatin1String("serial fd "))) {
            serialFd = text.mid(10).remove(QStringLiteral("\\n"));
        } else if (fd == QLatin1String("2") && text.startsWith(QLatin1String("mark "))) {
            current = text.mid(5).remove(QStringLiteral("\\n"));
            if (current != QLatin1String("end"))
                order << current;
        } else if (fd == serialFd && !current.isEmpty()) {
            ++counts[current];
        }
    }
    std::vector<double> result;
    for (const QString &button : order)
        result.push_back(counts[button]);
    return result;
}

// A desktop with `processes` processes of 150 files each, and four present
// ports: the longest the window took to answer while the port list opened,
// and while Connect was pressed, each followed by two seconds for the
// answers (worst of three).
std::pair<double, double> crowdedDesktop(int processes)
{
    const ProcessCrowd crowd(processes, 150);
    std::vector<std::unique_ptr<Pty>> ptys;
    CommandLineOptions options;
    for (int port = 1; port <= 4; ++port) {
        ptys.push_back(std::make_unique<Pty>());
        options.ports.insert(port, ptys.back()->device());
    }
    Fixture f(options);
    auto *combo1 = f.get<QComboBox>("Combo1");
    AnswerTime answers;
    double list = 0;
    double connect = 0;
    for (int run = 0; run < 3; ++run) {
        QTest::qWait(500);
        answers.reset();
        combo1->showPopup();
        QTest::qWait(2000);
        combo1->hidePopup();
        list = std::max(list, answers.worstMs());
        QTest::qWait(500);
        answers.reset();
        f.click("Command2");
        QTest::qWait(2000);
        connect = std::max(connect, answers.worstMs());
        f.click("Command3");
    }
    return {list, connect};
}

constexpr int frozenMs = 15000;

// Connect with a system bus that takes connections but never answers: the
// longest the window took to answer over the following three seconds.
int stoppedBusChild(int argc, char *argv[])
{
    QApplication app(argc, argv);
    setUpApplication();
    SystemBus bus;
    bus.stop();
    Pty modem;
    Fixture f;
    AnswerTime answers;
    f.mapPort(2, modem.device());
    f.selectPort(2);
    answers.reset();
    f.click("Command2");
    QTest::qWait(3000);
    std::printf("%g\n", answers.worstMs());
    std::fflush(stdout);
    ::_exit(0);  // whatever a frozen bus left behind
}

double stoppedBus(const QString &self)
{
    QProcess child;
    child.start(self, {QStringLiteral("--stopped-bus-child")});
    if (!child.waitForFinished(frozenMs)) {
        child.kill();
        child.waitForFinished();
        return frozenMs;
    }
    return child.readAllStandardOutput().trimmed().toDouble();
}

// 1,000 device events as fast as the program takes them, on a desktop of 100
// processes with a USB modem (umockdev): the CPU time the program spent
// until three seconds after the last.
int eventsChild(int argc, char *argv[])
{
    QApplication app(argc, argv);
    setUpApplication();
    UMockdevTestbed *testbed = umockdev_testbed_new();
    umockdev_testbed_add_from_file(testbed, DATA_DIR "/quectel-eg25.umockdev", nullptr);
    const ProcessCrowd crowd(100, 150);
    Fixture f;
    QTest::qWait(1000);
    const double before = ProcessStats::cpuSeconds();
    for (int i = 0; i < 1000; ++i) {
        umockdev_testbed_uevent(testbed, "/sys/devices/pci0000:00/0000:00:14.0/usb1/1-2/1-2:1.2/ttyUSB2/tty/ttyUSB2",
                                "change");
        if (i % 10 == 9)
            QCoreApplication::processEvents();  // udev's socket holds a few dozen
    }
    QTest::qWait(3000);
    std::printf("%g\n", ProcessStats::cpuSeconds() - before);
    std::fflush(stdout);
    g_object_unref(testbed);
    return 0;
}

double deviceEvents(const QString &self)
{
    QProcess child;
    child.start(QStringLiteral("umockdev-wrapper"), {self, QStringLiteral("--events-child")});
    if (!child.waitForFinished(120000))
        return -1;
    return child.readAllStandardOutput().trimmed().toDouble();
}

// Every other figure; false where strace is missing, for the writes per press.
bool measureTheRest(const QString &self, const Add &add)
{
    std::fprintf(stderr, "start-up...\n");
    const auto starts = startUp(self);
    const double start = percentile(starts, 0.5);
    add(QStringLiteral("start-up, process start to window shown (median of 7)"), start, QStringLiteral("ms"),
        QStringLiteral("<= 25"), start <= 25);

    {
        // Fifteen present ports: the window shows before they are read.
        std::vector<std::unique_ptr<Pty>> ptys;
        QStringList devices;
        for (int port = 1; port <= 15; ++port) {
            ptys.push_back(std::make_unique<Pty>());
            devices << ptys.back()->device();
        }
        const double present = percentile(startUp(self, devices), 0.5);
        add(QStringLiteral("start-up with 15 present ports (median of 7)"), present, QStringLiteral("ms"),
            QStringLiteral("<= start-up + 5"), present <= start + 5);
    }
    {
        ConnectedFixture f(1);
        add(QStringLiteral("resident size, empty log, port open"), ProcessStats::residentMb(), QStringLiteral("MB"),
            QStringLiteral("-"), true);
    }
    std::fprintf(stderr, "latency...\n");
    const auto lat = latency();
    add(QStringLiteral("receive-to-display latency, median of 1000"), percentile(lat, 0.5), QStringLiteral("ms"),
        QStringLiteral("-"), true);
    add(QStringLiteral("receive-to-display latency, p99 of 1000"), percentile(lat, 0.99), QStringLiteral("ms"),
        QStringLiteral("< 20"), percentile(lat, 0.99) < 20);

    std::fprintf(stderr, "flood to the capacity...\n");
    const Flood flooded = flood(add);
    add(QStringLiteral("ingest, first 5 MB"), flooded.firstMBps, QStringLiteral("MB/s"), QStringLiteral(">= 3"),
        flooded.firstMBps >= 3);
    add(QStringLiteral("ingest, second 5 MB"), flooded.secondMBps, QStringLiteral("MB/s"),
        QStringLiteral(">= 0.9 x first"), flooded.secondMBps >= 0.9 * flooded.firstMBps);
    add(QStringLiteral("memory per log character, full log (trimming)"), flooded.bytesPerCharacter,
        QStringLiteral("bytes"), QStringLiteral("<= 8"), flooded.bytesPerCharacter <= 8);
    add(QStringLiteral("resident size, full log"), flooded.residentMb, QStringLiteral("MB"), QStringLiteral("-"), true);
    add(QStringLiteral("resident size after Clear text, full log"), flooded.clearedMb, QStringLiteral("MB"),
        QStringLiteral("<= empty + 10"), flooded.clearedMb <= flooded.emptyMb + 10);
    add(QStringLiteral("longest the window took to answer, flood from empty to full and trimming"),
        flooded.worstAnswerMs, QStringLiteral("ms"), QStringLiteral("<= 16"), flooded.worstAnswerMs <= 16);

    std::fprintf(stderr, "line ends at 960 B/s...\n");
    for (const auto &[name, ending] : {std::pair{"CR LF", QByteArray("\r\n")}, std::pair{"CR only", QByteArray("\r")},
                                       std::pair{"LF only", QByteArray("\n")}}) {
        const double cpu = paced(ending);
        add(QStringLiteral("CPU at 960 B/s, %1 line ends, 1 MB in the log").arg(QLatin1String(name)), cpu,
            QStringLiteral("% of a core"), QStringLiteral("< 5"), cpu < 5);
    }

    std::fprintf(stderr, "lines that never end...\n");
    const auto [lineMs, lineAnswer] = unbroken(QByteArray(1'000'000, '7'));
    add(QStringLiteral("1 MB line with no break: shown after"), lineMs, QStringLiteral("ms"), QStringLiteral("<= 2000"),
        lineMs <= 2000);
    add(QStringLiteral("1 MB line with no break: longest the window took to answer"), lineAnswer, QStringLiteral("ms"),
        QStringLiteral("<= 100"), lineAnswer <= 100);
    const auto [crMs, crAnswer] = unbroken(QByteArray(300'000, '\r'));
    add(QStringLiteral("300 KB of lone CRs: taken in after"), crMs, QStringLiteral("ms"), QStringLiteral("<= 1000"),
        crMs <= 1000);
    Q_UNUSED(crAnswer);

    std::fprintf(stderr, "pastes...\n");
    for (const auto &[box, name] : {std::pair{"Text6", "SMS text (Text6)"}, std::pair{"Text3", "free command (Text3)"},
                                    std::pair{"Text2", "receive log (Text2)"}}) {
        const double ms = pasteInto(box);
        add(QStringLiteral("1 MB paste into the %1, worst of three shapes").arg(QLatin1String(name)), ms,
            QStringLiteral("ms"), QStringLiteral("<= 1000"), ms <= 1000);
    }

    std::fprintf(stderr, "idle (10 s)...\n");
    const auto [wakeUps, idleCpu] = idle(self);
    add(QStringLiteral("wake-ups over 10 idle seconds, port open"), wakeUps, QString(), QStringLiteral("0"),
        wakeUps == 0);
    add(QStringLiteral("idle CPU over 10 s, port open"), idleCpu, QStringLiteral("%"), QStringLiteral("< 0.1"),
        idleCpu < 0.1);

    std::fprintf(stderr, "writes per press (strace)...\n");
    std::vector<double> writes = writesPerPress(self);
    if (!writes.empty()) {
        const double sms = writes.back();  // Send SMS comes last
        writes.pop_back();
        const bool one = std::all_of(writes.begin(), writes.end(), [](double w) { return w == 1; });
        add(QStringLiteral("write system calls per press, %1 one-line buttons (most)").arg(writes.size()),
            *std::max_element(writes.begin(), writes.end()), QStringLiteral("calls"), QStringLiteral("1 each"), one);
        add(QStringLiteral("write system calls for Send SMS (header, then body)"), sms, QStringLiteral("calls"),
            QStringLiteral("2"), sms == 2);
    }
    return !writes.empty();
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    if (argc > 1 && qstrcmp(argv[1], "--startup-child") == 0)
        return startupChild(argc, argv);
    if (argc > 1 && qstrcmp(argv[1], "--presses-child") == 0)
        return pressesChild(argc, argv);
    if (argc > 1 && qstrcmp(argv[1], "--idle-child") == 0)
        return idleChild(argc, argv);
    if (argc > 1 && qstrcmp(argv[1], "--stopped-bus-child") == 0)
        return stoppedBusChild(argc, argv);
    if (argc > 1 && qstrcmp(argv[1], "--events-child") == 0)
        return eventsChild(argc, argv);

    QApplication app(argc, argv);
    setUpApplication();
    const QString self = QCoreApplication::applicationFilePath();
    std::vector<Figure> figures;
    auto add = [&figures](const QString &name, double value, const QString &unit, const QString &target, bool met) {
        figures.push_back({name, value, unit, target, met});
    };

    // --desktop: only the figures of a desktop as people have it.
    const bool desktopOnly = argc > 1 && qstrcmp(argv[1], "--desktop") == 0;
    std::fprintf(stderr, "a desktop as people have it...\n");
    for (int processes : {100, 500}) {
        const auto [list, connect] = crowdedDesktop(processes);
        add(QStringLiteral("longest the window took to answer, port list opened, %1 processes").arg(processes), list,
            QStringLiteral("ms"), QStringLiteral("<= 50"), list <= 50);
        add(QStringLiteral("longest the window took to answer, Connect pressed, %1 processes").arg(processes), connect,
            QStringLiteral("ms"), QStringLiteral("<= 50"), connect <= 50);
    }
    const double frozen = stoppedBus(self);
    add(QStringLiteral("longest the window took to answer, Connect pressed, system bus stopped"), frozen,
        QStringLiteral("ms"), QStringLiteral("<= 50"), frozen <= 50);
    const double events = deviceEvents(self);
    add(QStringLiteral("CPU for a burst of 1,000 device events, 100 processes"), events, QStringLiteral("s"),
        QStringLiteral("<= 1"), events >= 0 && events <= 1);

    const bool straced = desktopOnly || measureTheRest(self, add);
    std::printf("Machine: %s\n\n", qPrintable(machine()));
    std::printf("| Figure | Value | Unit | Target | Met |\n|---|---|---|---|---|\n");
    for (const Figure &fig : figures) {
        std::printf("| %s | %.3g | %s | %s | %s |\n", qPrintable(fig.name), fig.value, qPrintable(fig.unit),
                    qPrintable(fig.target), fig.met ? "yes" : "no");
    }
    if (!straced)
        std::printf("\n(writes per press: strace is missing; apt-get install strace)\n");
    return 0;
}

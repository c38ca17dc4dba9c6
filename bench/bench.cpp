// vexmo-bench: how fast and how lean the real window is against a
// pseudo-terminal. Prints one table; run it by hand (see README,
// "Performance"). Every figure is the median and the worst of several runs.

#include "app/form1.h"
#include "commands/catalogue.h"
#include "fixture.h"
#include "processstats.h"
#include "serial/mscomm.h"
#include "widgets/crlfbox.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QSysInfo>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <unistd.h>

namespace {

struct Figure
{
    QString name;
    QString unit;
    std::vector<double> samples;
    QString target;
    bool met;
};

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

double worst(const std::vector<double> &v)
{
    return v.empty() ? 0 : *std::max_element(v.begin(), v.end());
}

double percentile(std::vector<double> v, double p)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[std::min(v.size() - 1, size_t(p * double(v.size())))];
}

QPlainTextEdit *logBox(Fixture &f)
{
    return f.get<QPlainTextEdit>("Text2");
}

// Runs the event loop until the log holds `characters` characters in its
// document (a CR LF pair is one), and returns how long that took in ms.
double untilLogHolds(Fixture &f, int characters, const QElapsedTimer &since)
{
    QTextDocument *doc = logBox(f)->document();
    while (doc->characterCount() - 1 < characters)
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    return double(since.nsecsElapsed()) / 1e6;
}

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

std::vector<double> latency()
{
    ConnectedFixture f(1);
    std::vector<double> ms;
    for (int i = 0; i < 1000; ++i) {
        const int before = logBox(f)->document()->characterCount() - 1;
        QElapsedTimer clock;
        clock.start();
        f.modem().write("OK\r\n");
        ms.push_back(untilLogHolds(f, before + 3, clock));
    }
    return ms;
}

struct LogSize
{
    double megabytes;
    std::vector<double> appendMs;
    double bytesPerCharacter;
    double residentMb;
};

// The log filled through the real receive path, from the pty, to each size
// in turn; at each, 1 KB more is timed and the memory is read.
std::vector<LogSize> appendCostAndMemory(const std::vector<double> &sizesMb)
{
    ConnectedFixture f(1);
    QTextDocument *doc = logBox(f)->document();
    const double emptyMb = ProcessStats::residentMb();
    const QByteArray line = "+CMGL: 1,\"REC READ\",\"+4930123456\",\"\",\"26/12/07\"\r\n";
    const QByteArray chunk = QByteArray(1022, 'x') + "\r\n";
    std::vector<LogSize> result;
    for (double mb : sizesMb) {
        const int target = int(mb * 1e6);
        const int missing = target - (doc->characterCount() - 1);
        if (missing > 0) {
            const QByteArray fill = line.repeated(missing / (line.size() - 1) + 1);
            std::future<void> writer = f.modem().writeInBackground(fill);
            while (doc->characterCount() - 1 < target)
                QCoreApplication::processEvents(QEventLoop::AllEvents);
            writer.wait();
        }
        LogSize size{mb, {}, 0, ProcessStats::residentMb()};
        const int held = doc->characterCount() - 1;
        size.bytesPerCharacter = held > 0 ? (ProcessStats::residentMb() - emptyMb) * 1024 * 1024 / held : 0;
        for (int run = 0; run < 7; ++run) {
            const int before = doc->characterCount() - 1;
            QElapsedTimer clock;
            clock.start();
            f.modem().write(chunk);
            size.appendMs.push_back(untilLogHolds(f, before + 1023, clock));
        }
        result.push_back(size);
    }
    return result;
}

// 20 MB at full speed from another thread; the window is ticked every 10 ms
// meanwhile, and the longest gap between ticks says how responsive it stayed.
std::pair<double, double> throughput()
{
    ConnectedFixture f(1);
    const QByteArray line = "+CSQ: 17,0\r\n";
    const QByteArray data = line.repeated(20 * 1000 * 1000 / line.size());
    qint64 received = 0;
    QObject::connect(logBox(f)->document(), &QTextDocument::contentsChange,
                     [&received](int, int, int added) { received += added; });
    QElapsedTimer clock, tick;
    double longestGap = 0;
    QTimer ticker;
    ticker.setInterval(10);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        longestGap = std::max(longestGap, double(tick.nsecsElapsed()) / 1e6);
        tick.restart();
    });
    clock.start();
    tick.start();
    ticker.start();
    std::future<void> writer = f.modem().writeInBackground(data);
    // Each CR LF pair is one character in the box.
    const qint64 expected = data.size() - data.count("\r\n");
    while (received < expected)
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    const double seconds = double(clock.nsecsElapsed()) / 1e9;
    writer.wait();
    return {double(data.size()) / 1e6 / seconds, longestGap};
}

double idleCpuPercent()
{
    ConnectedFixture f(1);
    const double before = ProcessStats::cpuSeconds();
    QEventLoop idle;  // no polling of our own: only the window's timers run
    QTimer::singleShot(10000, &idle, &QEventLoop::quit);
    idle.exec();
    return (ProcessStats::cpuSeconds() - before) / 10.0 * 100.0;
}

std::vector<double> startUp(const QString &self)
{
    std::vector<double> ms;
    for (int run = 0; run < 7; ++run) {
        QProcess child;
        QElapsedTimer clock;
        clock.start();
        child.start(self, {QStringLiteral("--startup-child")});
        child.waitForReadyRead(10000);
        ms.push_back(double(clock.nsecsElapsed()) / 1e6);
        child.waitForFinished(10000);
    }
    return ms;
}

int startupChild(int argc, char *argv[])
{
    QApplication app(argc, argv);
    Form1 form;
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
    ConnectedFixture f(1);
    const QString device = QFileInfo(f.modem().device()).canonicalFilePath();
    for (const QFileInfo &fd : QDir(QStringLiteral("/proc/self/fd")).entryInfoList(QDir::NoDotAndDotDot | QDir::System)) {
        if (fd.symLinkTarget() == device)
            std::fprintf(stderr, "serial fd %s\n", qPrintable(fd.fileName()));
    }
    std::vector<std::pair<const char *, int>> presses;
    for (const auto &entry : Catalogue::entries())
        presses.emplace_back(entry.button, 0);
    presses.emplace_back("Command9", 1);
    presses.emplace_back("Command16", 37);  // the SMS header, then the body 500 ms later
    for (const auto &[button, bytes] : presses) {
        const QString text = f.get<QPushButton>(button)->text();
        std::fprintf(stderr, "mark %s %s\n", button, qPrintable(text));
        std::fflush(stderr);
        f.click(button);
        f.modem().read(bytes > 0 ? bytes : 2, 2000);  // at least the line's end has arrived
        f.modem().readAll(20);
    }
    std::fprintf(stderr, "mark end\n");
    return 0;
}

std::vector<double> writesPerPress(const QString &self, QStringList *perButton)
{
    const QString trace = QDir::temp().filePath(QStringLiteral("vexmo-bench-strace.txt"));
    QProcess child;
    child.start(QStringLiteral("strace"), {QStringLiteral("-f"), QStringLiteral("-e"), QStringLiteral("trace=write"), QStringLiteral("-s"), QStringLiteral("256"),
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
        if (fd == QLatin1String("2") && text.startsWith(QLatin1String("serial fd ")))
            serialFd = text.mid(10).remove(QStringLiteral("\\n"));
        else if (fd == QLatin1String("2") && text.startsWith(QLatin1String("mark "))) {
            current = text.mid(5).remove(QStringLiteral("\\n"));
            if (current != QLatin1String("end"))
                order << current;
        } else if (fd == serialFd && !current.isEmpty())
            ++counts[current];
    }
    std::vector<double> result;
    for (const QString &button : order) {
        result.push_back(counts[button]);
        *perButton << QStringLiteral("%1: %2").arg(button).arg(counts[button]);
    }
    return result;
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    if (argc > 1 && qstrcmp(argv[1], "--startup-child") == 0)
        return startupChild(argc, argv);
    if (argc > 1 && qstrcmp(argv[1], "--presses-child") == 0)
        return pressesChild(argc, argv);

    QApplication app(argc, argv);
    const QString self = QCoreApplication::applicationFilePath();
    std::vector<Figure> figures;
    auto add = [&](const QString &name, const QString &unit, std::vector<double> samples, const QString &target,
                   bool met) { figures.push_back({name, unit, std::move(samples), target, met}); };

    {
        // First, before anything larger has grown the heap.
        ConnectedFixture f(1);
        add(QStringLiteral("resident size, empty log, port open"), QStringLiteral("MB"), {ProcessStats::residentMb()},
            QStringLiteral("-"), true);
    }
    std::fprintf(stderr, "latency...\n");
    const auto lat = latency();
    add(QStringLiteral("receive-to-display latency, median of 1000"), QStringLiteral("ms"), {median(lat)},
        QStringLiteral("-"), true);
    add(QStringLiteral("receive-to-display latency, p99 of 1000"), QStringLiteral("ms"), {percentile(lat, 0.99)},
        QStringLiteral("< 20"), percentile(lat, 0.99) < 20);

    std::fprintf(stderr, "append cost and memory...\n");
    const auto sizes = appendCostAndMemory({0, 1, 10, 15});
    for (const LogSize &size : sizes) {
        const bool last = &size == &sizes.back();
        add(QStringLiteral("1 KB into a %1 MB log%2").arg(size.megabytes).arg(last ? " (capacity 16 M characters)" : ""),
            QStringLiteral("ms"), size.appendMs, last ? QStringLiteral("<= 2x empty") : QStringLiteral("-"),
            !last || median(size.appendMs) <= 2 * median(sizes.front().appendMs));
        if (size.megabytes >= 10) {
            add(QStringLiteral("resident size, %1 MB log").arg(size.megabytes), QStringLiteral("MB"),
                {size.residentMb}, QStringLiteral("-"), true);
            add(QStringLiteral("memory per log character, %1 MB log").arg(size.megabytes), QStringLiteral("bytes"),
                {size.bytesPerCharacter}, QStringLiteral("<= 25"), size.bytesPerCharacter <= 25);
        }
    }

    std::fprintf(stderr, "throughput...\n");
    std::vector<double> rates, gaps;
    for (int run = 0; run < 3; ++run) {
        const auto [rate, gap] = throughput();
        rates.push_back(rate);
        gaps.push_back(gap);
    }
    add(QStringLiteral("throughput, 20 MB at full speed (lower of runs is 'worst')"), QStringLiteral("MB/s"),
        rates, QStringLiteral(">= 1"), *std::min_element(rates.begin(), rates.end()) >= 1);
    add(QStringLiteral("longest event-loop pause during that flood"), QStringLiteral("ms"), gaps, QStringLiteral("-"),
        true);

    std::fprintf(stderr, "start-up...\n");
    const auto starts = startUp(self);
    add(QStringLiteral("start-up, process start to window shown"), QStringLiteral("ms"), starts,
        QStringLiteral("< 500"), worst(starts) < 500);

    std::fprintf(stderr, "idle (3 x 10 s)...\n");
    std::vector<double> idle;
    for (int run = 0; run < 3; ++run)
        idle.push_back(idleCpuPercent());
    add(QStringLiteral("idle CPU over 10 s, port open"), QStringLiteral("%"), idle, QStringLiteral("< 0.1"),
        worst(idle) < 0.1);

    std::fprintf(stderr, "writes per press (strace)...\n");
    QStringList perButton;
    std::vector<double> writes = writesPerPress(self, &perButton);
    if (!writes.empty()) {
        const double sms = writes.back();  // Send SMS comes last
        writes.pop_back();
        add(QStringLiteral("write system calls per press, %1 one-line buttons").arg(writes.size()),
            QStringLiteral("calls"), writes, QStringLiteral("1 each"),
            std::all_of(writes.begin(), writes.end(), [](double w) { return w == 1; }));
        add(QStringLiteral("write system calls for Send SMS (header, then body)"), QStringLiteral("calls"), {sms},
            QStringLiteral("2"), sms == 2);
    }

    std::printf("Machine: %s\n\n", qPrintable(machine()));
    std::printf("| Figure | Median | Worst | Unit | Target | Met |\n|---|---|---|---|---|---|\n");
    for (const Figure &fig : figures) {
        std::printf("| %s | %.3g | %.3g | %s | %s | %s |\n", qPrintable(fig.name), median(fig.samples),
                    worst(fig.samples), qPrintable(fig.unit), qPrintable(fig.target), fig.met ? "yes" : "no");
    }
    if (writes.empty())
        std::printf("\n(writes per press: strace is missing; apt-get install strace)\n");
    else
        std::printf("\nWrites per press: %s\n", qPrintable(perButton.join(QStringLiteral(", "))));
    return 0;
}

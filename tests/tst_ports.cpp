// Each entry of the port list says where it leads, on USB devices whose
// identity comes from the system's device database: run under umockdev,
// whose mock sysfs, udev data and device events are read through the real
// libudev. The device nodes themselves are links from /dev to
// pseudo-terminals.

// GLib names a member "signals", which Qt's keyword would rewrite.
#pragma push_macro("signals")
#undef signals
#include <umockdev.h>
#pragma pop_macro("signals")

#include "testmain.h"
#include "fixture.h"
#include "processstats.h"
#include "usbnode.h"
#include "serialdevice/devicewatch.h"
#include "serialdevice/linkwatch.h"
#include "serialdevice/mscomm.h"
#include "serialdevice/portscanner.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <unistd.h>

namespace {

// The adapter's port, as the system names it in its events.
const char *const adapter = "/sys/devices/pci0000:00/0000:00:14.0/usb1/1-3/1-3:1.0/ttyUSB4/tty/ttyUSB4";

} // namespace

class TestPorts : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase() { g_object_unref(m_testbed); }
    void eachEntrySaysWhereItLeads();
    void plugAndUnplugAreShownAtOnce();
    void aStormOfEventsCostsAFewScans();
    void aDeviceNodeThatDisappearsIsNoticed();

private:
    static QString tip(Fixture &f, int port)
    {
        auto *combo1 = f.get<QComboBox>("Combo1");
        combo1->showPopup();  // read afresh as the list opens
        f.waitForNews();
        combo1->hidePopup();
        const QString tip = combo1->itemData(port - 1, Qt::ToolTipRole).toString();
        if (combo1->itemData(port - 1, Qt::AccessibleDescriptionRole).toString() != tip)
            qFatal("Com%d: the accessible description differs from the tool tip", port);
        return tip;
    }
    UMockdevTestbed *m_testbed = nullptr;
};

void TestPorts::initTestCase()
{
    m_testbed = umockdev_testbed_new();
    QVERIFY(umockdev_testbed_add_from_file(m_testbed, DATA_DIR "/quectel-eg25.umockdev", nullptr));
    QVERIFY(umockdev_testbed_add_from_file(m_testbed, DATA_DIR "/ftdi-adapter.umockdev", nullptr));
}


void TestPorts::eachEntrySaysWhereItLeads()
{
    UsbNode usb0(0), usb1(1), usb2(2), usb4(4);  // ttyUSB3 is unplugged
    Pty pointed;
    CommandLineOptions options;
    options.ports.insert(4, pointed.device());
    Fixture f(options);
    f.mapPort(10, usb4.path());

    QCOMPARE(tip(f, 7), QStringLiteral("Com7 is /dev/ttyUSB2.\n"
                                       "Quectel EG25-G, serial number 0123456\n"
                                       "USB 2c7c:0125, interface 02\n"
                                       "/dev/serial/by-id/usb-Quectel_EG25-G_0123456-if02-port0\n"
                                       "For: AT commands"));
    QCOMPARE(tip(f, 5).section(u'\n', 4), QStringLiteral("For: diagnostics (QCDM), no AT commands"));
    QCOMPARE(tip(f, 6).section(u'\n', 4), QStringLiteral("For: GPS (NMEA)"));
    QCOMPARE(tip(f, 8), QStringLiteral("Com8 is /dev/ttyUSB3.\nNot there now."));
    // A plain adapter through a link: no role, as udev gives none.
    QCOMPARE(tip(f, 10), QStringLiteral("Com10 is %1, through the link %2.\n"
                                        "FTDI FT232R USB UART, serial number A50285BI\n"
                                        "USB 0403:6001, interface 00\n"
                                        "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0")
                             .arg(usb4.pty(), f.configDir() + QStringLiteral("/vexmo-at/ports/com10")));
    QCOMPARE(tip(f, 4), QStringLiteral("Com4 is %1 for this run (--port).\nThere now.").arg(pointed.device()));
    // The port map notice: the modem with its AT port, what this run and
    // the links point elsewhere, then the families, in six lines.
    QCOMPARE(f.get<QTextEdit>("Text1")->toPlainText(),
             QStringLiteral("Com7 Quectel EG25-G: AT\n"
                            "Com4 %1 (--port)\n"
                            "Com10 -> /dev/ttyUSB4\n"
                            "Com1-4   /dev/ttyS0-3\n"
                            "Com5-8   /dev/ttyUSB0-3\n"
                            "Com9-12  /dev/ttyACM0-3")
                 .arg(pointed.device()));
    QCOMPARE(tip(f, 1), QStringLiteral("Com1 is /dev/ttyS0.\nNot there now.").replace(
                            QStringLiteral("Not there now."),
                            QFileInfo::exists(QStringLiteral("/dev/ttyS0")) ? QStringLiteral("There now.")
                                                                             : QStringLiteral("Not there now.")));

    // Who has it open, from the same facts a refusal names.
    QProcess holder;
    holder.setStandardInputFile(usb2.path());
    holder.start(QStringLiteral("sleep"), {QStringLiteral("30")});
    QVERIFY(holder.waitForStarted());
    QCOMPARE(tip(f, 7).section(u'\n', 5), QStringLiteral("Open in sleep (process %1).").arg(holder.processId()));
    holder.kill();
    holder.waitForFinished();
    // A device that is missing: where devices are, AT ports first.
    f.selectPort(8);
    f.click("Command2");
    f.waitForNews();
    const QString present = f.noticeText().section(u'\n', -1);
    QVERIFY2(present.startsWith(QStringLiteral("Present now: Com7 (Quectel EG25-G, AT commands), ")), qPrintable(present));
    QVERIFY2(present.contains(QStringLiteral(", Com4, Com5, Com6, Com10")), qPrintable(present));
    QVERIFY(!present.contains(QStringLiteral("Com8")));

    f.selectPort(7);
    f.click("Command2");
    QVERIFY2(f.form().comm()->portOpen(), qPrintable(f.noticeText()));
    QCOMPARE(tip(f, 7).section(u'\n', 5), QStringLiteral("Connected here."));
}

void TestPorts::plugAndUnplugAreShownAtOnce()
{
    // The list is not opened: the system's events alone bring the news.
    Fixture f;
    f.mapPort(10, QStringLiteral("/dev/ttyUSB4"));
    auto *combo1 = f.get<QComboBox>("Combo1");
    const auto com10 = [combo1] { return combo1->itemData(9, Qt::ToolTipRole).toString().section(u'\n', 1); };
    QTRY_COMPARE_WITH_TIMEOUT(com10(), QStringLiteral("Not there now."), 20000);
    // Its node comes with the device, and goes with it.
    {
        UsbNode usb4(4);
        umockdev_testbed_uevent(m_testbed, adapter, "add");
        QTRY_COMPARE_WITH_TIMEOUT(com10().section(u'\n', 0, 0), QStringLiteral("FTDI FT232R USB UART, serial number A50285BI"), 20000);
    }
    umockdev_testbed_uevent(m_testbed, adapter, "remove");
    QTRY_COMPARE_WITH_TIMEOUT(com10(), QStringLiteral("Not there now."), 20000);
}

void TestPorts::aStormOfEventsCostsAFewScans()
{
    // A module that re-enumerates sends events by the dozen: they are told
    // together, and what is asked while a scan runs is merged into one
    // scan after it.
    UsbNode usb4(4);
    Fixture f;
    f.mapPort(10, usb4.path());
    auto *devices = f.form().findChild<DeviceWatch *>();
    QSignalSpy told(devices, &DeviceWatch::changed);
    QElapsedTimer storm;
    storm.start();
    for (int batch = 0; batch < 10; ++batch) {
        for (int i = 0; i < 10; ++i)
            umockdev_testbed_uevent(m_testbed, adapter, "change");
        QCoreApplication::processEvents();  // udev's socket holds a few dozen
    }
    QVERIFY(told.wait(20000));
    QVERIFY2(told.count() <= 1 + storm.elapsed() / 250, qPrintable(QString::number(told.count())));
    f.waitForNews();
    QCOMPARE(f.get<QComboBox>("Combo1")->itemData(9, Qt::ToolTipRole).toString().section(u'\n', 1, 1),
             QStringLiteral("FTDI FT232R USB UART, serial number A50285BI"));

    // What one scan costs here; a hundred told at once cost a few.
    double before = ProcessStats::cpuSeconds();
    f.form().portScanner()->request();
    f.waitForNews();
    const double one = ProcessStats::cpuSeconds() - before;
    before = ProcessStats::cpuSeconds();
    for (int i = 0; i < 100; ++i)
        emit devices->changed();
    f.waitForNews();
    const double hundred = ProcessStats::cpuSeconds() - before;
    QVERIFY2(hundred < 10 * one + 0.05, qPrintable(QStringLiteral("%1 s of CPU, %2 s for one").arg(hundred).arg(one)));
}

void TestPorts::aDeviceNodeThatDisappearsIsNoticed()
{
    // A device node cannot be made to vanish under an open pseudo-terminal,
    // so the watch is tried on a file standing for the node.
    QTemporaryDir folder;
    const QString node = folder.filePath(QStringLiteral("ttyUSB0"));
    QFile(node).open(QIODevice::WriteOnly);
    LinkWatch watch;
    QSignalSpy lost(&watch, &LinkWatch::lost);
    watch.watch(node);
    QFile(folder.filePath(QStringLiteral("ttyUSB1"))).open(QIODevice::WriteOnly);  // another device comes
    QVERIFY(!lost.wait(200));
    QVERIFY(QFile::remove(node));
    QVERIFY(lost.wait(1000));
    QCOMPARE(lost.first().first().toString(), QStringLiteral("the device is gone"));
}

VEXMO_TEST_MAIN(TestPorts)
#include "tst_ports.moc"

#include "fixture.h"

#include "pseudoterminal.h"
#include "serialdevice/modemmanager.h"
#include "serialdevice/portscanner.h"
#include "widgets/notice.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTest>

Fixture::Fixture(const CommandLineOptions &options)
{
    QApplication::setQuitOnLastWindowClosed(false);  // Exit is tested without ending the test
    qputenv("XDG_CONFIG_HOME", m_config.path().toLocal8Bit());
    QDir(m_config.path()).mkpath(QStringLiteral("vexmo-at/ports"));
    m_form = std::make_unique<Form1>(options);
    m_form->show();
    if (!QTest::qWaitForWindowExposed(m_form.get()))
        qFatal("window not exposed");
    // The ports are first scanned just after the window shows.
    if (!QTest::qWaitFor([this] { return m_form->portScanner()->latest() != nullptr; }, 20000))
        qFatal("no scan of the ports in 20 s");
}

Fixture::~Fixture() = default;

void Fixture::mapPort(int port, const QString &target)
{
    const QString link = m_config.path() + QStringLiteral("/vexmo-at/ports/com%1").arg(port);
    QFile::remove(link);
    if (!QFile::link(target, link))
        qFatal("cannot link %s", qPrintable(link));
}

void Fixture::selectPort(int port)
{
    get<QComboBox>("Combo1")->setCurrentIndex(port - 1);
}

void Fixture::click(const char *button)
{
    QTest::mouseClick(get<QPushButton>(button), Qt::LeftButton);
}

void Fixture::connectTo(int port, const Pty &pty)
{
    mapPort(port, pty.device());
    selectPort(port);
    click("Command2");
    waitForNews();
}

void Fixture::waitForNews()
{
    const PortScanner *scanner = m_form->portScanner();
    const ModemManager *modemManager = m_form->modemManager();
    if (!QTest::qWaitFor([&] { return !scanner->isScanning() && !modemManager->isAsking(); }, 20000))
        qFatal("no news in 20 s");
}

QString Fixture::noticeText() const
{
    const Notice *notice = m_form->notice();
    return notice->isVisible() ? notice->text() : QString();
}

QColor Fixture::connectColor() const
{
    auto *button = get<QPushButton>("Command2");
    // Just inside the border, clear of the caption.
    return button->grab().toImage().pixelColor(3, 3);
}

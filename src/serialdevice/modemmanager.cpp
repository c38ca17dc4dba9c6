#include "serialdevice/modemmanager.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace {

constexpr int patienceMs = 5000;  // a bus that answers later is no news
const char *const helper = "vexmo-modemmanager-ports";

} // namespace

ModemManager::ModemManager(QObject *parent)
    : QObject(parent)
{
    m_patience.setSingleShot(true);
    m_patience.setInterval(patienceMs);
    connect(&m_patience, &QTimer::timeout, &m_process, &QProcess::kill);
    connect(&m_process, &QProcess::finished, this, [this](int status, QProcess::ExitStatus how) {
        finish(how == QProcess::NormalExit && status == 0);
    });
    connect(&m_process, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            finish(false);
    });
}

ModemManager::~ModemManager()
{
    m_process.disconnect(this);
    m_process.kill();  // ended at once, however the bus is
    m_process.waitForFinished();
}

QString ModemManager::program()
{
    // Installed in libexec/vexmo-at/ one folder up from the program; in the
    // build folder beside it.
    const QString folder = QCoreApplication::applicationDirPath();
    for (const QString &candidate : {folder + QStringLiteral("/../libexec/vexmo-at/"),
                                     folder + QStringLiteral("/libexec/vexmo-at/")}) {
        if (QFileInfo(candidate + QLatin1String(helper)).isExecutable())
            return candidate + QLatin1String(helper);
    }
    return QLatin1String(helper);  // from PATH, as a last resort
}

quint64 ModemManager::request()
{
    ++m_requested;
    if (m_process.state() == QProcess::NotRunning)
        start();
    return m_requested;
}

void ModemManager::start()
{
    m_asking = m_requested;
    m_process.start(program(), {});
    m_patience.start();
}

void ModemManager::finish(bool reached)
{
    m_patience.stop();
    m_reached = reached;
    m_modems.clear();
    if (m_reached) {
        for (const QByteArray &line : m_process.readAllStandardOutput().split('\n')) {
            const qsizetype tab = line.indexOf('\t');
            if (tab > 0)
                m_modems.insert(QString::fromUtf8(line.left(tab)), QString::fromUtf8(line.mid(tab + 1)));
        }
    }
    m_answered = m_asking;
    if (m_requested > m_asking)
        start();
    emit answered();
}

std::optional<QString> ModemManager::modemUsing(const QString &kernelName) const
{
    const auto modem = m_modems.constFind(kernelName);
    return modem != m_modems.cend() ? std::optional<QString>(*modem) : std::nullopt;
}

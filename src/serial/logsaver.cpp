#include "serial/logsaver.h"

#include "textbox/crlfbox.h"
#include "widgets/notice.h"

#include <QAction>
#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QSaveFile>

LogSaver::LogSaver(CrLfBox *text2, Notice *notice, QObject *parent)
    : QObject(parent), m_text2(text2), m_notice(notice)
{
    // The box shows its own actions in its context menu.
    auto *save = new QAction(tr("Save log as..."), text2);
    save->setShortcut(QKeySequence::Save);
    save->setShortcutContext(Qt::WidgetShortcut);
    text2->addAction(save);
    connect(save, &QAction::triggered, this, &LogSaver::saveAs);
}

QByteArray LogSaver::bytesOf(const QString &text)
{
    QByteArray bytes;
    bytes.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        if (c <= 0xff) {
            bytes.append(char(c));
            continue;
        }
        const qsizetype n = QChar::isHighSurrogate(c) && i + 1 < text.size() && text.at(i + 1).isLowSurrogate() ? 2 : 1;
        bytes.append(QStringView(text).mid(i, n).toUtf8());
        i += n - 1;
    }
    return bytes;
}

bool LogSaver::saveTo(const QString &path, QString *error) const
{
    QSaveFile file(path);
    const bool saved = file.open(QIODevice::WriteOnly) && file.write(bytesOf(m_text2->text())) >= 0 && file.commit();
    if (!saved && error)
        *error = file.errorString();
    return saved;
}

void LogSaver::saveAs()
{
    const QString suggested = QDir::home().filePath(
        QStringLiteral("vexmo-at-%1.log").arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"))));
    const QString path = QFileDialog::getSaveFileName(m_text2->window(), tr("Save log as"), suggested);
    if (path.isEmpty())
        return;
    QString error;
    m_notice->show(m_text2, saveTo(path, &error) ? tr("The log was saved in %1.").arg(path)
                                                 : tr("The log could not be saved in %1: %2.").arg(path, error));
}

#pragma once
// The real window with a private port directory: ComN can be pointed at any
// path, such as a pseudo-terminal, without touching the user's own settings.

#include "app/form1.h"

#include "pseudoterminal.h"

#include <QColor>
#include <QTemporaryDir>
#include <memory>

class QPushButton;

class Fixture
{
public:
    explicit Fixture(const CommandLineOptions &options = {});
    ~Fixture();

    Form1 &form() { return *m_form; }
    // As when the program ends: the window and its serial control go.
    void destroyWindow() { m_form.reset(); }
    template <typename T = QWidget> T *get(const char *name) const
    {
        T *w = m_form->findChild<T *>(QLatin1String(name));
        if (!w)
            qFatal("no control %s", name);
        return w;
    }

    QString configDir() const { return m_config.path(); }  // XDG_CONFIG_HOME while the fixture lives
    void mapPort(int port, const QString &target);
    void selectPort(int port);
    void click(const char *button);
    // Maps ComN to the pty, selects it and presses Connect, and waits for
    // the news that Connect asked for.
    void connectTo(int port, const Pty &pty);
    // Until the scan of the ports and ModemManager's answer are in, and said.
    void waitForNews();

    QString noticeText() const;  // empty while no notice shows
    QColor connectColor() const; // as painted on screen

private:
    QTemporaryDir m_config;
    std::unique_ptr<Form1> m_form;
};

// The window connected to a pseudo-terminal mapped as ComN.
class ConnectedFixture : public Fixture
{
public:
    explicit ConnectedFixture(int port) { connectTo(port, m_modem); }
    Pty &modem() { return m_modem; }

private:
    Pty m_modem;
};

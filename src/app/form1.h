#pragma once
// The tool's one window: the controls of the design, the serial control and
// the SMS timer, and the subsystems that handle their events.

#include <QWidget>

class MSComm;
class Notice;
class QTimer;

class Form1 : public QWidget
{
    Q_OBJECT
public:
    explicit Form1(QWidget *parent = nullptr);

    MSComm *comm() const { return m_comm; }
    Notice *notice() const { return m_notice; }

    void showCentred();

protected:
    bool event(QEvent *e) override;

private:
    static QString caption();
    void Form_Load();
    void Command7_Click();
    template <typename T> T *control(const char *name) const;
    QRect centredOnScreen(QSize size) const;

    MSComm *m_comm;
    QTimer *m_timer3;
    Notice *m_notice;
    bool m_centring = false;
};

// The window on the desktops people run: light and dark palettes, and what
// a screen reader is told.

#include "textboxgeometry.h"
#include "testmain.h"
#include "fixture.h"
#include "pseudoterminal.h"
#include "textbox/crlfbox.h"
#include "widgets/notice.h"
#include "widgets/style.h"

#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QTest>

namespace {

// A dark desktop as qt6ct's "darker" scheme paints it.
QPalette darkPalette()
{
    QPalette p;
    const std::pair<QPalette::ColorRole, QColor> roles[] = {
        {QPalette::Window, QColor(0x22, 0x20, 0x20)}, {QPalette::WindowText, Qt::white},
        {QPalette::Base, QColor(0x3d, 0x3d, 0x3d)},   {QPalette::Text, Qt::white},
        {QPalette::Button, QColor(0x42, 0x42, 0x45)}, {QPalette::ButtonText, Qt::white},
        {QPalette::ToolTipBase, QColor(0x3f, 0x3f, 0x36)}, {QPalette::ToolTipText, Qt::white},
        {QPalette::Highlight, QColor(0x12, 0x60, 0x8a)},   {QPalette::HighlightedText, Qt::white},
    };
    for (const auto &[role, color] : roles)
        p.setColor(role, color);
    return p;
}

// The strongest contrast between a widget's own background, read just
// inside its border, and any pixel of its inner part, where its text is.
double textContrast(QWidget *widget, int inset)
{
    const QImage image = widget->grab().toImage();
    const qreal ratio = image.devicePixelRatio();
    const QColor background = image.pixelColor(int(2 * ratio), int(2 * ratio));
    double strongest = 1;
    const QRect inner = QRect(QPoint(0, 0), image.size()).adjusted(int(inset * ratio), int(inset * ratio),
                                                                    -int(inset * ratio), -int(inset * ratio));
    for (int y = inner.top(); y <= inner.bottom(); ++y) {
        for (int x = inner.left(); x <= inner.right(); ++x)
            strongest = std::max(strongest, Widgets::contrast(image.pixelColor(x, y), background));
    }
    return strongest;
}

} // namespace

class TestDesktops : public QObject
{
    Q_OBJECT

private slots:
    void cleanup()
    {
        QApplication::setPalette(QApplication::style()->standardPalette());
        QApplication::setFont(Widgets::sansFont());
    }

    void colorsReadOnAnyPalette_data();
    void colorsReadOnAnyPalette();
    void aThemeFontChangeLeavesTheWindowsFonts();
    void everyControlHasAnAccessibleName();
    void aNoticeIsAnnounced();
    void theLogReadsToAScreenReader();
};

void TestDesktops::colorsReadOnAnyPalette_data()
{
    QTest::addColumn<QPalette>("palette");
    QTest::newRow("light") << QApplication::style()->standardPalette();
    QTest::newRow("dark") << darkPalette();
    QPalette unreadableTips = darkPalette();  // light tool tips with the dark theme's white text
    unreadableTips.setColor(QPalette::ToolTipBase, QColor(0xff, 0xff, 0xdc));
    QTest::newRow("dark, light tool tips") << unreadableTips;
}

void TestDesktops::colorsReadOnAnyPalette()
{
    QFETCH(QPalette, palette);
    QApplication::setPalette(palette);
    Fixture f;
    // Connect's caption on light red, then on light green.
    QVERIFY2(textContrast(f.get("Command2"), 4) >= Widgets::textContrast, "on light red");
    Pty modem;
    f.connectTo(1, modem);
    QCOMPARE(f.connectColor(), QColor(192, 255, 192));
    QVERIFY2(textContrast(f.get("Command2"), 4) >= Widgets::textContrast, "on light green");

    f.click("Command3");
    f.click("Command11");  // not connected: a notice
    QVERIFY(f.form().notice()->isVisible());
    QVERIFY2(textContrast(f.form().notice(), 3) >= Widgets::textContrast, "the notice");

    // The log's control symbols stand apart from its text, yet read: the
    // box of a C1 control is drawn in the grey (and no caret is drawn).
    auto *log = f.get<CrLfBox>("Text2");
    f.get("Text4")->setFocus();
    log->append(QStringLiteral("\x9b"));
    const double grey = textContrast(log->viewport(), 0);
    QVERIFY2(grey >= Widgets::greyedContrast, qPrintable(QString::number(grey)));
    QVERIFY(grey < Widgets::contrast(log->palette().color(QPalette::Text), log->palette().color(QPalette::Base)));
}

void TestDesktops::aThemeFontChangeLeavesTheWindowsFonts()
{
    // qt6ct sets its own application font once the window shows; Connect's
    // style sheet, set anew at each press, then took that font.
    Fixture f;
    const QFont ownFont = f.get("Command2")->font();
    QApplication::setFont(QFont(QStringLiteral("DejaVu Sans"), 12));
    Pty modem;
    f.connectTo(1, modem);
    f.click("Command3");
    f.click("Command2");
    for (const char *control : {"Command2", "Frame5", "Command3", "Text2"})
        QCOMPARE(f.get(control)->font(), ownFont);
}

void TestDesktops::everyControlHasAnAccessibleName()
{
    Fixture f;
    auto spoken = [](QWidget *w) { return QAccessible::queryAccessibleInterface(w)->text(QAccessible::Name); };
    for (auto *button : f.form().findChildren<QPushButton *>())
        QCOMPARE(spoken(button), button->text());
    const std::pair<const char *, const char *> boxes[] = {
        {"Text2", "Receive log"}, {"Text4", "SIM PIN"}, {"Text5", "SMS number"}, {"Text6", "SMS text"},
        {"Text8", "SMS index"}, {"Text7", "New-message indication command"}, {"Text9", "Dial string"},
        {"Text3", "Free command"}, {"Text1", "Port map notice"},
    };
    // Qt's combo box speaks its text; the field within it, which has the
    // focus, speaks what the list is.
    QCOMPARE(spoken(f.get<QComboBox>("Combo1")->lineEdit()), QStringLiteral("Serial port"));
    for (const auto &[box, name] : boxes)
        QCOMPARE(spoken(f.get(box)), QString::fromLatin1(name));
}

void TestDesktops::aNoticeIsAnnounced()
{
    // A screen reader speaks a notification when it shows.
    Fixture f;
    f.click("Command11");  // not connected
    QAccessibleInterface *notice = QAccessible::queryAccessibleInterface(f.form().notice());
    QCOMPARE(notice->role(), QAccessible::Notification);
    QCOMPARE(notice->text(QAccessible::Name), QStringLiteral("not connected: press Connect first"));
    QVERIFY(!notice->state().invisible);
    QCOMPARE(notice->parent()->object(), &f.form());
}

void TestDesktops::theLogReadsToAScreenReader()
{
    Fixture f;
    auto *log = f.get<CrLfBox>("Text2");
    log->append(QStringLiteral("AT\r\r\nOK\r\n"));
    log->setCursorPosition(5);
    QAccessibleInterface *reader = QAccessible::queryAccessibleInterface(log);
    QCOMPARE(reader->role(), QAccessible::EditableText);
    QVERIFY(reader->state().multiLine && reader->state().editable);
    QAccessibleTextInterface *text = reader->textInterface();
    QVERIFY(text);
    QCOMPARE(text->characterCount(), 9);
    QCOMPARE(text->cursorPosition(), 5);
    QCOMPARE(text->text(0, 9), QStringLiteral("AT\r\r\nOK\r\n"));  // the text itself, as a copy gives it
    int start = 0;
    int end = 0;
    QCOMPARE(text->textAtOffset(6, QAccessible::LineBoundary, &start, &end), QStringLiteral("OK\r\n"));
    QCOMPARE(text->textBeforeOffset(6, QAccessible::LineBoundary, &start, &end), QStringLiteral("AT\r\r\n"));
    text->setSelection(0, 0, 2);
    QCOMPARE(log->selectedText(), QStringLiteral("AT"));
    QVERIFY(log->viewport()->rect().contains(characterRect(log, 6).center()));
    QCOMPARE(text->offsetAtPoint(log->viewport()->mapToGlobal(characterRect(log, 6).center())), 6);
}

VEXMO_TEST_MAIN(TestDesktops)
#include "tst_desktops.moc"

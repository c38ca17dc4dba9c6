// What a reply means, checked against the standards' own tables, typed
// here from them: every code of each table, the edges of the signal scale,
// and lines that do not follow the standard's form, which have no meaning.

#include "replies/explain.h"

#include <QTest>

namespace {

// The line of an explanation that a value gives, or why there is none.
QString said(const QString &reply, int line = 0)
{
    const auto explained = Replies::explain(reply);
    return explained ? explained->text.section(u'\n', line, line) : QStringLiteral("(no explanation)");
}

QString lastLine(const QString &reply)
{
    const auto explained = Replies::explain(reply);
    return explained ? explained->text.section(u'\n', -1) : QStringLiteral("(no explanation)");
}

// 3GPP TS 27.007, 9.2.1 and 9.2.2.
const std::pair<int, const char *> cmeCodes[] = {
    {0, "phone failure"}, {1, "no connection to phone"}, {2, "phone-adaptor link reserved"},
    {3, "operation not allowed"}, {4, "operation not supported"}, {5, "PH-SIM PIN required"},
    {6, "PH-FSIM PIN required"}, {7, "PH-FSIM PUK required"}, {10, "SIM not inserted"}, {11, "SIM PIN required"},
    {12, "SIM PUK required"}, {13, "SIM failure"}, {14, "SIM busy"}, {15, "SIM wrong"}, {16, "incorrect password"},
    {17, "SIM PIN2 required"}, {18, "SIM PUK2 required"}, {20, "memory full"}, {21, "invalid index"},
    {22, "not found"}, {23, "memory failure"}, {24, "text string too long"},
    {25, "invalid characters in text string"}, {26, "dial string too long"},
    {27, "invalid characters in dial string"}, {30, "no network service"}, {31, "network timeout"},
    {32, "network not allowed - emergency calls only"}, {40, "network personalization PIN required"},
    {41, "network personalization PUK required"}, {42, "network subset personalization PIN required"},
    {43, "network subset personalization PUK required"}, {44, "service provider personalization PIN required"},
    {45, "service provider personalization PUK required"}, {46, "corporate personalization PIN required"},
    {47, "corporate personalization PUK required"}, {48, "hidden key required"}, {49, "EAP method not supported"},
    {50, "incorrect parameters"}, {51, "command implemented but currently disabled"},
    {52, "command aborted by user"}, {53, "not attached to network due to MT functionality restrictions"},
    {54, "modem not allowed - MT restricted to emergency calls only"},
    {55, "operation not allowed because of MT functionality restrictions"},
    {56, "fixed dial number only allowed - called number is not a fixed dial number"},
    {57, "temporarily out of service due to other MT usage"}, {58, "language/alphabet not supported"},
    {59, "unexpected data value"}, {60, "system failure"}, {61, "data missing"}, {62, "call barred"},
    {63, "message waiting indication subscription failure"}, {100, "unknown"}, {102, "IMSI unknown in HSS"},
    {103, "illegal MS"}, {104, "IMSI unknown in VLR"}, {105, "IMEI not accepted"}, {106, "illegal ME"},
    {107, "GPRS services not allowed"}, {108, "GPRS services and non-GPRS services not allowed"},
    {109, "UE identity cannot be derived by the network"}, {110, "implicitly detached"}, {111, "PLMN not allowed"},
    {112, "location area not allowed"}, {113, "roaming not allowed in this location area"},
    {114, "GPRS services not allowed in this PLMN"}, {115, "no suitable cells in location area"},
    {116, "MSC temporarily not reachable"}, {117, "network failure"}, {118, "CS domain not available"},
    {119, "ESM failure"}, {122, "congestion"}, {125, "not authorized for this CSG"}, {126, "insufficient resources"},
    {127, "missing or unknown APN"}, {128, "unknown PDP address or PDP type"}, {129, "user authentication failed"},
    {130, "activation rejected by GGSN, Serving GW or PDN GW"}, {131, "activation rejected, unspecified"},
    {132, "service option not supported"}, {133, "requested service option not subscribed"},
    {134, "service option temporarily out of order"}, {148, "unspecified GPRS error"},
    {149, "PDP authentication failure"}, {150, "invalid mobile class"},
};

// 3GPP TS 27.005, 3.2.5, with 24.011's RP-Cause and 23.040's TP-FCS.
const std::pair<int, const char *> cmsCodes[] = {
    {1, "unassigned (unallocated) number"}, {8, "operator determined barring"}, {10, "call barred"},
    {21, "short message transfer rejected"}, {22, "memory capacity exceeded"}, {27, "destination out of order"},
    {28, "unidentified subscriber"}, {29, "facility rejected"}, {30, "unknown subscriber"},
    {38, "network out of order"}, {41, "temporary failure"}, {42, "congestion"},
    {47, "resources unavailable, unspecified"}, {50, "requested facility not subscribed"},
    {69, "requested facility not implemented"}, {81, "invalid short message transfer reference value"},
    {95, "semantically incorrect message"}, {96, "invalid mandatory information"},
    {97, "message type non-existent or not implemented"},
    {98, "message not compatible with short message protocol state"},
    {99, "information element non-existent or not implemented"}, {111, "protocol error, unspecified"},
    {127, "interworking, unspecified"}, {128, "telematic interworking not supported"},
    {129, "short message type 0 not supported"}, {130, "cannot replace short message"},
    {143, "unspecified TP-PID error"}, {144, "data coding scheme (alphabet) not supported"},
    {145, "message class not supported"}, {159, "unspecified TP-DCS error"}, {160, "command cannot be actioned"},
    {161, "command unsupported"}, {175, "unspecified TP-Command error"}, {176, "TPDU not supported"},
    {192, "SC busy"}, {193, "no SC subscription"}, {194, "SC system failure"}, {195, "invalid SME address"},
    {196, "destination SME barred"}, {197, "SM rejected-duplicate SM"}, {198, "TP-VPF not supported"},
    {199, "TP-VP not supported"}, {208, "(U)SIM SMS storage full"}, {209, "no SMS storage capability in (U)SIM"},
    {210, "error in MS"}, {211, "memory capacity exceeded"}, {212, "(U)SIM Application Toolkit busy"},
    {213, "(U)SIM data download error"}, {255, "unspecified error cause"}, {300, "ME failure"},
    {301, "SMS service of ME reserved"}, {302, "operation not allowed"}, {303, "operation not supported"},
    {304, "invalid PDU mode parameter"}, {305, "invalid text mode parameter"}, {310, "(U)SIM not inserted"},
    {311, "(U)SIM PIN required"}, {312, "PH-(U)SIM PIN required"}, {313, "(U)SIM failure"}, {314, "(U)SIM busy"},
    {315, "(U)SIM wrong"}, {316, "(U)SIM PUK required"}, {317, "(U)SIM PIN2 required"},
    {318, "(U)SIM PUK2 required"}, {320, "memory failure"}, {321, "invalid memory index"}, {322, "memory full"},
    {330, "SMSC address unknown"}, {331, "no network service"}, {332, "network timeout"},
    {340, "no +CNMA acknowledgement expected"}, {500, "unknown error"},
};

} // namespace

class TestReplies : public QObject
{
    Q_OBJECT

private slots:
    void resultCodes_data();
    void resultCodes();
    void everyCmeError();
    void everyCmsError();
    void signalStrength_data();
    void signalStrength();
    void registration_data();
    void registration();
    void theOtherReplies_data();
    void theOtherReplies();
    void linesOutsideTheStandardHaveNoMeaning_data();
    void linesOutsideTheStandardHaveNoMeaning();
};

void TestReplies::resultCodes_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("meaning");
    QTest::newRow("OK") << "OK" << "The command line was carried out.";
    QTest::newRow("CONNECT") << "CONNECT" << "A connection is made: the module has gone from commands to data.";
    QTest::newRow("RING") << "RING" << "A call is coming in.";
    QTest::newRow("NO CARRIER") << "NO CARRIER" << "The connection ended, or could not be made.";
    QTest::newRow("ERROR") << "ERROR"
                           << "The command was not recognized, the line was too long, a value was not valid, or the "
                              "command could not be carried out.";
    QTest::newRow("NO DIALTONE") << "NO DIALTONE" << "No dial tone was heard.";
    QTest::newRow("BUSY") << "BUSY" << "The other side is busy.";
    QTest::newRow("NO ANSWER") << "NO ANSWER" << "The other side did not answer in time.";
}

void TestReplies::resultCodes()
{
    QFETCH(QString, line);
    QFETCH(QString, meaning);
    QCOMPARE(said(line + QStringLiteral("\r\n")), meaning);
    QCOMPARE(lastLine(line), QStringLiteral("From ITU-T V.250, 5.7.1."));
    QCOMPARE(Replies::explain(QStringLiteral("  ") + line)->reply, line);
}

void TestReplies::everyCmeError()
{
    for (const auto &[code, words] : cmeCodes) {
        const QString expected = QStringLiteral("Error %1: %2.").arg(code).arg(QLatin1String(words));
        QCOMPARE(said(QStringLiteral("+CME ERROR: %1").arg(code)), expected);
        // The verbose form (AT+CMEE=2), in any case and spacing.
        QCOMPARE(said(QStringLiteral("+CME ERROR: %1").arg(QLatin1String(words))), expected);
        QCOMPARE(said(QStringLiteral("+CME ERROR: %1").arg(QString::fromLatin1(words).toUpper())), expected);
        QCOMPARE(lastLine(QStringLiteral("+CME ERROR: %1").arg(code)),
                 code < 102 ? QStringLiteral("From 3GPP TS 27.007, 9.2.1.") : QStringLiteral("From 3GPP TS 27.007, 9.2.2."));
    }
    // What the user can do next, where the code says it.
    QCOMPARE(said(QStringLiteral("+CME ERROR: 11"), 1), QStringLiteral("Send the SIM's PIN with \"Set PIN number\"."));
    QCOMPARE(said(QStringLiteral("+CME ERROR: SIM PIN required"), 1),
             QStringLiteral("Send the SIM's PIN with \"Set PIN number\"."));
    QVERIFY(said(QStringLiteral("+CME ERROR: 12"), 1).contains(QLatin1String("AT+CPIN=\"<PUK>\",\"<new PIN>\"")));
    // Codes between the tables' rows mean nothing.
    for (int code : {8, 9, 19, 28, 29, 33, 39, 64, 99, 101, 120, 121, 123, 124, 135, 147, 151, 1000})
        QCOMPARE(said(QStringLiteral("+CME ERROR: %1").arg(code)), QStringLiteral("(no explanation)"));
}

void TestReplies::everyCmsError()
{
    for (const auto &[code, words] : cmsCodes) {
        QCOMPARE(said(QStringLiteral("+CMS ERROR: %1").arg(code)),
                 QStringLiteral("Error %1: %2.").arg(code).arg(QLatin1String(words)));
        const QString source = code < 128 ? QStringLiteral("From 3GPP TS 27.005, 3.2.5, and 24.011, table 8.4.")
            : code < 256                  ? QStringLiteral("From 3GPP TS 27.005, 3.2.5, and 23.040, 9.2.3.22.")
                                          : QStringLiteral("From 3GPP TS 27.005, 3.2.5.");
        QCOMPARE(lastLine(QStringLiteral("+CMS ERROR: %1").arg(code)), source);
    }
    QCOMPARE(said(QStringLiteral("+CMS ERROR: 321"), 1),
             QStringLiteral("\"Read ALL SMS\" lists the messages and their indexes."));
    // Words two causes share say nothing of which one it was.
    QCOMPARE(said(QStringLiteral("+CMS ERROR: memory capacity exceeded")), QStringLiteral("(no explanation)"));
    QCOMPARE(said(QStringLiteral("+CMS ERROR: invalid memory index")), QStringLiteral("Error 321: invalid memory index."));
    for (int code : {0, 2, 126, 131, 224, 254, 256, 306, 319, 341, 499, 501, 512})
        QCOMPARE(said(QStringLiteral("+CMS ERROR: %1").arg(code)), QStringLiteral("(no explanation)"));
}

void TestReplies::signalStrength_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("strength");
    QTest::addColumn<QString>("errors");
    QTest::newRow("rssi 0") << "+CSQ: 0,0" << "Signal strength (rssi 0 of 0 to 31): -113 dBm or less, weak: calls and "
                                              "messages may fail."
                            << "Bit error rate (ber 0): less than 0.2 %.";
    QTest::newRow("rssi 1") << "+CSQ: 1,7" << "Signal strength (rssi 1 of 0 to 31): -111 dBm, weak: calls and messages "
                                              "may fail."
                            << "Bit error rate (ber 7): more than 12.8 %.";
    QTest::newRow("rssi 9") << "+CSQ: 9,3" << "Signal strength (rssi 9 of 0 to 31): -95 dBm, weak: calls and messages "
                                              "may fail."
                            << "Bit error rate (ber 3): 0.8 % to 1.6 %.";
    QTest::newRow("rssi 10") << "+CSQ: 10,4" << "Signal strength (rssi 10 of 0 to 31): -93 dBm, fair."
                             << "Bit error rate (ber 4): 1.6 % to 3.2 %.";
    QTest::newRow("rssi 17") << "+CSQ: 17,99" << "Signal strength (rssi 17 of 0 to 31): -79 dBm, good."
                             << "Bit error rate (ber 99): not known or not detectable.";
    QTest::newRow("rssi 30") << "+CSQ: 30,1" << "Signal strength (rssi 30 of 0 to 31): -53 dBm, excellent."
                             << "Bit error rate (ber 1): 0.2 % to 0.4 %.";
    QTest::newRow("rssi 31") << "+CSQ: 31,99" << "Signal strength (rssi 31 of 0 to 31): -51 dBm or more, excellent."
                             << "Bit error rate (ber 99): not known or not detectable.";
    QTest::newRow("rssi 99") << "+CSQ: 99,99" << "Signal strength (rssi 99): not known or not detectable."
                             << "Bit error rate (ber 99): not known or not detectable.";
    QTest::newRow("blanks") << "+CSQ:  17 , 2 " << "Signal strength (rssi 17 of 0 to 31): -79 dBm, good."
                            << "Bit error rate (ber 2): 0.4 % to 0.8 %.";
    QTest::newRow("ber 5, 6") << "+CSQ: 12,5" << "Signal strength (rssi 12 of 0 to 31): -89 dBm, fair."
                              << "Bit error rate (ber 5): 3.2 % to 6.4 %.";
    QTest::newRow("ber 6") << "+CSQ: 15,6" << "Signal strength (rssi 15 of 0 to 31): -83 dBm, good."
                           << "Bit error rate (ber 6): 6.4 % to 12.8 %.";
    QTest::newRow("rssi 20") << "+CSQ: 20,0" << "Signal strength (rssi 20 of 0 to 31): -73 dBm, excellent."
                             << "Bit error rate (ber 0): less than 0.2 %.";
}

void TestReplies::signalStrength()
{
    QFETCH(QString, line);
    QFETCH(QString, strength);
    QFETCH(QString, errors);
    QCOMPARE(said(line, 0), strength);
    QCOMPARE(said(line, 1), errors);
    QCOMPARE(lastLine(line), QStringLiteral("From 3GPP TS 27.007, 8.5, and 45.008, 8.2.4."));
}

void TestReplies::registration_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QStringList>("lines");
    const QStringList stats = {
        "not registered, and not searching for an operator", "registered, home network",
        "not registered, but searching for an operator", "registration denied", "unknown (out of coverage, say)",
        "registered, roaming", "registered for SMS only, home network", "registered for SMS only, roaming",
        "attached for emergency bearer services only", "registered for \"CSFB not preferred\", home network",
        "registered for \"CSFB not preferred\", roaming", "attached for access to RLOS"};
    for (int stat = 0; stat < stats.size(); ++stat) {
        QTest::addRow("unasked, stat %d", stat)
            << QStringLiteral("+CREG: %1").arg(stat)
            << QStringList{QStringLiteral("Registration (stat %1): %2.").arg(stat).arg(stats.at(stat)),
                           QStringLiteral("From 3GPP TS 27.007, 7.2.")}.mid(stat == 0 || stat == 2 ? 0 : 0);
    }
    QTest::newRow("read, n 1, not registered")
        << "+CREG: 1,0"
        << QStringList{"Reporting (n 1): a change of registration is reported unasked.",
                       "Registration (stat 0): not registered, and not searching for an operator.",
                       "AT+COPS=0 lets the module choose an operator.", "From 3GPP TS 27.007, 7.2."};
    QTest::newRow("read, n 2, with where and how")
        << "+CREG: 2,5,\"1a2B\",\"0C3F4E01\",7"
        << QStringList{"Reporting (n 2): a change of registration, area or cell is reported unasked, with where.",
                       "Registration (stat 5): registered, roaming.",
                       "Location area: 1A2B (6699); cell: 0C3F4E01 (205475329).",
                       "Access technology (AcT 7): E-UTRAN (LTE).", "From 3GPP TS 27.007, 7.2; 3GPP TS 27.007, 7.3."};
    QTest::newRow("unasked, with where")
        << "+CREG: 1,\"00C3\",\"0000A1B2\",0"
        << QStringList{"Registration (stat 1): registered, home network.",
                       "Location area: 00C3 (195); cell: 0000A1B2 (41394).", "Access technology (AcT 0): GSM.",
                       "From 3GPP TS 27.007, 7.2; 3GPP TS 27.007, 7.3."};
    QTest::newRow("packet, read")
        << "+CGREG: 0,1"
        << QStringList{"Reporting (n 0): registration is not reported unasked.",
                       "Registration (stat 1): registered, home network.",
                       "From 3GPP TS 27.007, 7.2; 3GPP TS 27.007, 10.1.20 and 10.1.22."};
    QTest::newRow("EPS, unasked, with where")
        << "+CEREG: 5,\"2F1A\",\"01A2B3C4\",7"
        << QStringList{"Registration (stat 5): registered, roaming.",
                       "Tracking area: 2F1A (12058); cell: 01A2B3C4 (27440068).",
                       "Access technology (AcT 7): E-UTRAN (LTE).",
                       "From 3GPP TS 27.007, 10.1.20 and 10.1.22; 3GPP TS 27.007, 7.3."};
}

void TestReplies::registration()
{
    QFETCH(QString, line);
    QFETCH(QStringList, lines);
    const auto explained = Replies::explain(line);
    QVERIFY(explained);
    QStringList got = explained->text.split(u'\n');
    if (lines.size() == 2)  // an unasked stat: the next step, if any, before the source
        got = QStringList{got.constFirst(), got.constLast()};
    QCOMPARE(got, lines);
}

void TestReplies::theOtherReplies_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("first");
    QTest::newRow("+CPIN: READY") << "+CPIN: READY" << "READY: no PIN or PUK is wanted.";
    QTest::newRow("+CPIN: SIM PIN") << "+CPIN: SIM PIN" << "SIM PIN: the SIM's PIN is wanted.";
    QTest::newRow("+CPIN: SIM PUK2") << "+CPIN: SIM PUK2" << "SIM PUK2: the SIM's PUK2 is wanted.";
    QTest::newRow("+CPIN: PH-NETSUB PUK")
        << "+CPIN: PH-NETSUB PUK" << "PH-NETSUB PUK: the network subset personalization unblocking password is wanted.";
    QTest::newRow("+COPS, registered") << "+COPS: 0,0,\"Vodafone.de\",7"
                                       << "Choice (mode 0): the module chooses the operator.";
    QTest::newRow("+COPS, none") << "+COPS: 0" << "Choice (mode 0): the module chooses the operator.";
    QTest::newRow("+CMGF: 1") << "+CMGF: 1" << "Message format (mode 1): text mode: messages as text.";
    QTest::newRow("+CMGF: 0") << "+CMGF: 0" << "Message format (mode 0): PDU mode: messages as hexadecimal PDUs.";
    QTest::newRow("+CMTI") << "+CMTI: \"SM\",12" << "A new message is stored in the SIM (SM), at index 12.";
    QTest::newRow("+CLIP, international") << "+CLIP: \"+4930123456\",145" << "A call from +4930123456.";
    QTest::newRow("+CBC") << "+CBC: 0,87" << "Power (bcs 0): powered by its battery.";
    QTest::newRow("+CMGL, text") << "+CMGL: 1,\"REC READ\",\"+4930123456\",,\"26/12/07,17:09:41+04\""
                                 << "The message at index 1.";
    QTest::newRow("+CMGR, PDU") << "+CMGR: 0,,25" << "State (stat 0): received, not read yet.";
}

void TestReplies::theOtherReplies()
{
    QFETCH(QString, line);
    QFETCH(QString, first);
    QCOMPARE(said(line), first);
}

void TestReplies::linesOutsideTheStandardHaveNoMeaning_data()
{
    QTest::addColumn<QString>("line");
    for (const char *line :
         {"", "   ", "ok", "O K", "NO  CARRIER", "OK OK", "AT+CSQ", "+CSQ:", "+CSQ: 17", "+CSQ: 17,99,3", "+CSQ: 32,99",
          "+CSQ: 17,8", "+CSQ: -1,99", "+CSQ: a,b", "+CSQ: 17;99", "+CME ERROR:", "+CME ERROR: 11a",
          "+CME ERROR: SIM PIN wanted", "+CME ERROR: 11,12", "+CMS ERROR: \"321\"", "+CREG: 12", "+CREG: 4,1",
          "+CREG: 1,\"XYZ\",\"0000A1B2\"", "+CREG: 1,\"00C3\"", "+CREG: 1,\"00C3\",\"0000A1B2\",14", "+CPIN: SIM PIN3",
          "+COPS: 5", "+COPS: 0,3,\"x\"", "+COPS: (2,\"Vodafone\",\"VF\",\"26202\",7)", "+CMGF: 2", "+CMTI: \"XY\",1",
          "+CMTI: \"SM\"", "+CLIP: +4930123456,145", "+CLIP: \"+4930123456\",146", "+CBC: 4,50", "+CBC: 0,101",
          "+CMGL: 1,\"REC SOON\"", "+CMGR: 5,,25", "+XYZ: 1", "+CSQ: \"17\",99", "+CPIN: \"READY"}) {
        QTest::newRow(line) << QString::fromLatin1(line);
    }
}

void TestReplies::linesOutsideTheStandardHaveNoMeaning()
{
    QFETCH(QString, line);
    QVERIFY2(!Replies::explain(line), qPrintable(Replies::explain(line) ? Replies::explain(line)->text : QString()));
}

QTEST_APPLESS_MAIN(TestReplies)
#include "tst_replies.moc"

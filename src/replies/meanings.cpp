#include "replies/meanings.h"

#include <QCoreApplication>
#include <iterator>

namespace Meanings {

namespace {

struct Row
{
    Field field;
    int code;          // -1: a row of names alone
    const char *name;  // as a modem spells it; nullptr: the words are the name
    const char *words;
    const char *next;
    const char *clause;
};

constexpr const char *v250 = "ITU-T V.250, 5.7.1";
constexpr const char *cme = "3GPP TS 27.007, 9.2.1";
constexpr const char *cmePacket = "3GPP TS 27.007, 9.2.2";
constexpr const char *cmsRp = "3GPP TS 27.005, 3.2.5, and 24.011, table 8.4";
constexpr const char *cmsTp = "3GPP TS 27.005, 3.2.5, and 23.040, 9.2.3.22";
constexpr const char *cms = "3GPP TS 27.005, 3.2.5";
constexpr const char *csq = "3GPP TS 27.007, 8.5, and 45.008, 8.2.4";
constexpr const char *creg = "3GPP TS 27.007, 7.2";
constexpr const char *cgreg = "3GPP TS 27.007, 10.1.20 and 10.1.22";
constexpr const char *cops = "3GPP TS 27.007, 7.3";
constexpr const char *cpin = "3GPP TS 27.007, 8.3";
constexpr const char *cmgf = "3GPP TS 27.005, 3.2.3";
constexpr const char *cmti = "3GPP TS 27.005, 3.4.1 and 3.1";
constexpr const char *smsState = "3GPP TS 27.005, 3.1";
constexpr const char *clip = "3GPP TS 27.007, 7.6, and 24.008, 10.5.4.7";
constexpr const char *cbc = "3GPP TS 27.007, 8.4";

constexpr const char *setPin = QT_TRANSLATE_NOOP("Meanings", "Send the SIM's PIN with \"Set PIN number\".");
constexpr const char *enterPuk = QT_TRANSLATE_NOOP(
    "Meanings", "The PIN was given wrong three times: send AT+CPIN=\"<PUK>\",\"<new PIN>\" as a command, with the "
                "PUK that came with the SIM.");
constexpr const char *insertSim = QT_TRANSLATE_NOOP("Meanings", "Put a SIM in the module, then switch it off and on.");
constexpr const char *wait = QT_TRANSLATE_NOOP("Meanings", "Wait a few seconds and send it again.");
constexpr const char *listSms = QT_TRANSLATE_NOOP("Meanings", "\"Read ALL SMS\" lists the messages and their indexes.");
constexpr const char *textMode = QT_TRANSLATE_NOOP("Meanings", "For text, press \"Set SMS Text Mode\" first.");
constexpr const char *askWhy = QT_TRANSLATE_NOOP(
    "Meanings", "The modem gives no reason. \"Detail Debug\" (AT+CMEE=2) makes it say why, in words, with +CME "
                "ERROR or +CMS ERROR.");

#define W(text) QT_TRANSLATE_NOOP("Meanings", text)

const Row rows[] = {
    // Result codes, verbose and numeric (ATV0).
    {Field::ResultCode, 0, "OK", W("The command line was carried out."), nullptr, v250},
    {Field::ResultCode, 1, "CONNECT", W("A connection is made: the module has gone from commands to data."), nullptr,
     v250},
    {Field::ResultCode, 2, "RING", W("A call is coming in."), W("\"Answer Call\" (ATA) takes it."), v250},
    {Field::ResultCode, 3, "NO CARRIER", W("The connection ended, or could not be made."), nullptr, v250},
    {Field::ResultCode, 4, "ERROR",
     W("The command was not recognized, the line was too long, a value was not valid, or the command could not be "
       "carried out."),
     askWhy, v250},
    {Field::ResultCode, 6, "NO DIALTONE", W("No dial tone was heard."), nullptr, v250},
    {Field::ResultCode, 7, "BUSY", W("The other side is busy."), nullptr, v250},
    {Field::ResultCode, 8, "NO ANSWER", W("The other side did not answer in time."), nullptr, v250},

    // +CME ERROR: general errors.
    {Field::CmeError, 0, nullptr, W("phone failure"), nullptr, cme},
    {Field::CmeError, 1, nullptr, W("no connection to phone"), nullptr, cme},
    {Field::CmeError, 2, nullptr, W("phone-adaptor link reserved"), nullptr, cme},
    {Field::CmeError, 3, nullptr, W("operation not allowed"), nullptr, cme},
    {Field::CmeError, 4, nullptr, W("operation not supported"), nullptr, cme},
    {Field::CmeError, 5, nullptr, W("PH-SIM PIN required"), nullptr, cme},
    {Field::CmeError, 6, nullptr, W("PH-FSIM PIN required"), nullptr, cme},
    {Field::CmeError, 7, nullptr, W("PH-FSIM PUK required"), nullptr, cme},
    {Field::CmeError, 10, nullptr, W("SIM not inserted"), insertSim, cme},
    {Field::CmeError, 11, nullptr, W("SIM PIN required"), setPin, cme},
    {Field::CmeError, 12, nullptr, W("SIM PUK required"), enterPuk, cme},
    {Field::CmeError, 13, nullptr, W("SIM failure"), nullptr, cme},
    {Field::CmeError, 14, nullptr, W("SIM busy"), wait, cme},
    {Field::CmeError, 15, nullptr, W("SIM wrong"), nullptr, cme},
    {Field::CmeError, 16, nullptr, W("incorrect password"), nullptr, cme},
    {Field::CmeError, 17, nullptr, W("SIM PIN2 required"), nullptr, cme},
    {Field::CmeError, 18, nullptr, W("SIM PUK2 required"), nullptr, cme},
    {Field::CmeError, 20, nullptr, W("memory full"), nullptr, cme},
    {Field::CmeError, 21, nullptr, W("invalid index"), nullptr, cme},
    {Field::CmeError, 22, nullptr, W("not found"), nullptr, cme},
    {Field::CmeError, 23, nullptr, W("memory failure"), nullptr, cme},
    {Field::CmeError, 24, nullptr, W("text string too long"), nullptr, cme},
    {Field::CmeError, 25, nullptr, W("invalid characters in text string"), nullptr, cme},
    {Field::CmeError, 26, nullptr, W("dial string too long"), nullptr, cme},
    {Field::CmeError, 27, nullptr, W("invalid characters in dial string"), nullptr, cme},
    {Field::CmeError, 30, nullptr, W("no network service"), nullptr, cme},
    {Field::CmeError, 31, nullptr, W("network timeout"), wait, cme},
    {Field::CmeError, 32, nullptr, W("network not allowed - emergency calls only"), nullptr, cme},
    {Field::CmeError, 40, nullptr, W("network personalization PIN required"), nullptr, cme},
    {Field::CmeError, 41, nullptr, W("network personalization PUK required"), nullptr, cme},
    {Field::CmeError, 42, nullptr, W("network subset personalization PIN required"), nullptr, cme},
    {Field::CmeError, 43, nullptr, W("network subset personalization PUK required"), nullptr, cme},
    {Field::CmeError, 44, nullptr, W("service provider personalization PIN required"), nullptr, cme},
    {Field::CmeError, 45, nullptr, W("service provider personalization PUK required"), nullptr, cme},
    {Field::CmeError, 46, nullptr, W("corporate personalization PIN required"), nullptr, cme},
    {Field::CmeError, 47, nullptr, W("corporate personalization PUK required"), nullptr, cme},
    {Field::CmeError, 48, nullptr, W("hidden key required"), nullptr, cme},
    {Field::CmeError, 49, nullptr, W("EAP method not supported"), nullptr, cme},
    {Field::CmeError, 50, nullptr, W("incorrect parameters"), nullptr, cme},
    {Field::CmeError, 51, nullptr, W("command implemented but currently disabled"), nullptr, cme},
    {Field::CmeError, 52, nullptr, W("command aborted by user"), nullptr, cme},
    {Field::CmeError, 53, nullptr, W("not attached to network due to MT functionality restrictions"), nullptr, cme},
    {Field::CmeError, 54, nullptr, W("modem not allowed - MT restricted to emergency calls only"), nullptr, cme},
    {Field::CmeError, 55, nullptr, W("operation not allowed because of MT functionality restrictions"), nullptr, cme},
    {Field::CmeError, 56, nullptr, W("fixed dial number only allowed - called number is not a fixed dial number"),
     nullptr, cme},
    {Field::CmeError, 57, nullptr, W("temporarily out of service due to other MT usage"), nullptr, cme},
    {Field::CmeError, 58, nullptr, W("language/alphabet not supported"), nullptr, cme},
    {Field::CmeError, 59, nullptr, W("unexpected data value"), nullptr, cme},
    {Field::CmeError, 60, nullptr, W("system failure"), nullptr, cme},
    {Field::CmeError, 61, nullptr, W("data missing"), nullptr, cme},
    {Field::CmeError, 62, nullptr, W("call barred"), nullptr, cme},
    {Field::CmeError, 63, nullptr, W("message waiting indication subscription failure"), nullptr, cme},
    {Field::CmeError, 100, nullptr, W("unknown"), nullptr, cme},
    // +CME ERROR: the network's reasons for refusing packet service
    // (3GPP TS 24.008's causes, plus 100).
    {Field::CmeError, 102, nullptr, W("IMSI unknown in HSS"), nullptr, cmePacket},
    {Field::CmeError, 103, nullptr, W("illegal MS"), nullptr, cmePacket},
    {Field::CmeError, 104, nullptr, W("IMSI unknown in VLR"), nullptr, cmePacket},
    {Field::CmeError, 105, nullptr, W("IMEI not accepted"), nullptr, cmePacket},
    {Field::CmeError, 106, nullptr, W("illegal ME"), nullptr, cmePacket},
    {Field::CmeError, 107, nullptr, W("GPRS services not allowed"), nullptr, cmePacket},
    {Field::CmeError, 108, nullptr, W("GPRS services and non-GPRS services not allowed"), nullptr, cmePacket},
    {Field::CmeError, 109, nullptr, W("UE identity cannot be derived by the network"), nullptr, cmePacket},
    {Field::CmeError, 110, nullptr, W("implicitly detached"), nullptr, cmePacket},
    {Field::CmeError, 111, nullptr, W("PLMN not allowed"), nullptr, cmePacket},
    {Field::CmeError, 112, nullptr, W("location area not allowed"), nullptr, cmePacket},
    {Field::CmeError, 113, nullptr, W("roaming not allowed in this location area"), nullptr, cmePacket},
    {Field::CmeError, 114, nullptr, W("GPRS services not allowed in this PLMN"), nullptr, cmePacket},
    {Field::CmeError, 115, nullptr, W("no suitable cells in location area"), nullptr, cmePacket},
    {Field::CmeError, 116, nullptr, W("MSC temporarily not reachable"), nullptr, cmePacket},
    {Field::CmeError, 117, nullptr, W("network failure"), nullptr, cmePacket},
    {Field::CmeError, 118, nullptr, W("CS domain not available"), nullptr, cmePacket},
    {Field::CmeError, 119, nullptr, W("ESM failure"), nullptr, cmePacket},
    {Field::CmeError, 122, nullptr, W("congestion"), nullptr, cmePacket},
    {Field::CmeError, 125, nullptr, W("not authorized for this CSG"), nullptr, cmePacket},
    {Field::CmeError, 126, nullptr, W("insufficient resources"), nullptr, cmePacket},
    {Field::CmeError, 127, nullptr, W("missing or unknown APN"), nullptr, cmePacket},
    {Field::CmeError, 128, nullptr, W("unknown PDP address or PDP type"), nullptr, cmePacket},
    {Field::CmeError, 129, nullptr, W("user authentication failed"), nullptr, cmePacket},
    {Field::CmeError, 130, nullptr, W("activation rejected by GGSN, Serving GW or PDN GW"), nullptr, cmePacket},
    {Field::CmeError, 131, nullptr, W("activation rejected, unspecified"), nullptr, cmePacket},
    {Field::CmeError, 132, nullptr, W("service option not supported"), nullptr, cmePacket},
    {Field::CmeError, 133, nullptr, W("requested service option not subscribed"), nullptr, cmePacket},
    {Field::CmeError, 134, nullptr, W("service option temporarily out of order"), nullptr, cmePacket},
    {Field::CmeError, 148, nullptr, W("unspecified GPRS error"), nullptr, cmePacket},
    {Field::CmeError, 149, nullptr, W("PDP authentication failure"), nullptr, cmePacket},
    {Field::CmeError, 150, nullptr, W("invalid mobile class"), nullptr, cmePacket},

    // +CMS ERROR 0 to 127: the network's reason (RP-Cause).
    {Field::CmsError, 1, nullptr, W("unassigned (unallocated) number"), nullptr, cmsRp},
    {Field::CmsError, 8, nullptr, W("operator determined barring"), nullptr, cmsRp},
    {Field::CmsError, 10, nullptr, W("call barred"), nullptr, cmsRp},
    {Field::CmsError, 21, nullptr, W("short message transfer rejected"), nullptr, cmsRp},
    {Field::CmsError, 22, nullptr, W("memory capacity exceeded"), nullptr, cmsRp},
    {Field::CmsError, 27, nullptr, W("destination out of order"), nullptr, cmsRp},
    {Field::CmsError, 28, nullptr, W("unidentified subscriber"), nullptr, cmsRp},
    {Field::CmsError, 29, nullptr, W("facility rejected"), nullptr, cmsRp},
    {Field::CmsError, 30, nullptr, W("unknown subscriber"), nullptr, cmsRp},
    {Field::CmsError, 38, nullptr, W("network out of order"), nullptr, cmsRp},
    {Field::CmsError, 41, nullptr, W("temporary failure"), wait, cmsRp},
    {Field::CmsError, 42, nullptr, W("congestion"), wait, cmsRp},
    {Field::CmsError, 47, nullptr, W("resources unavailable, unspecified"), nullptr, cmsRp},
    {Field::CmsError, 50, nullptr, W("requested facility not subscribed"), nullptr, cmsRp},
    {Field::CmsError, 69, nullptr, W("requested facility not implemented"), nullptr, cmsRp},
    {Field::CmsError, 81, nullptr, W("invalid short message transfer reference value"), nullptr, cmsRp},
    {Field::CmsError, 95, nullptr, W("semantically incorrect message"), nullptr, cmsRp},
    {Field::CmsError, 96, nullptr, W("invalid mandatory information"), nullptr, cmsRp},
    {Field::CmsError, 97, nullptr, W("message type non-existent or not implemented"), nullptr, cmsRp},
    {Field::CmsError, 98, nullptr, W("message not compatible with short message protocol state"), nullptr, cmsRp},
    {Field::CmsError, 99, nullptr, W("information element non-existent or not implemented"), nullptr, cmsRp},
    {Field::CmsError, 111, nullptr, W("protocol error, unspecified"), nullptr, cmsRp},
    {Field::CmsError, 127, nullptr, W("interworking, unspecified"), nullptr, cmsRp},
    // +CMS ERROR 128 to 255: the service centre's reason (TP-Failure-Cause).
    {Field::CmsError, 128, nullptr, W("telematic interworking not supported"), nullptr, cmsTp},
    {Field::CmsError, 129, nullptr, W("short message type 0 not supported"), nullptr, cmsTp},
    {Field::CmsError, 130, nullptr, W("cannot replace short message"), nullptr, cmsTp},
    {Field::CmsError, 143, nullptr, W("unspecified TP-PID error"), nullptr, cmsTp},
    {Field::CmsError, 144, nullptr, W("data coding scheme (alphabet) not supported"), nullptr, cmsTp},
    {Field::CmsError, 145, nullptr, W("message class not supported"), nullptr, cmsTp},
    {Field::CmsError, 159, nullptr, W("unspecified TP-DCS error"), nullptr, cmsTp},
    {Field::CmsError, 160, nullptr, W("command cannot be actioned"), nullptr, cmsTp},
    {Field::CmsError, 161, nullptr, W("command unsupported"), nullptr, cmsTp},
    {Field::CmsError, 175, nullptr, W("unspecified TP-Command error"), nullptr, cmsTp},
    {Field::CmsError, 176, nullptr, W("TPDU not supported"), nullptr, cmsTp},
    {Field::CmsError, 192, nullptr, W("SC busy"), wait, cmsTp},
    {Field::CmsError, 193, nullptr, W("no SC subscription"), nullptr, cmsTp},
    {Field::CmsError, 194, nullptr, W("SC system failure"), nullptr, cmsTp},
    {Field::CmsError, 195, nullptr, W("invalid SME address"), nullptr, cmsTp},
    {Field::CmsError, 196, nullptr, W("destination SME barred"), nullptr, cmsTp},
    {Field::CmsError, 197, nullptr, W("SM rejected-duplicate SM"), nullptr, cmsTp},
    {Field::CmsError, 198, nullptr, W("TP-VPF not supported"), nullptr, cmsTp},
    {Field::CmsError, 199, nullptr, W("TP-VP not supported"), nullptr, cmsTp},
    {Field::CmsError, 208, nullptr, W("(U)SIM SMS storage full"), nullptr, cmsTp},
    {Field::CmsError, 209, nullptr, W("no SMS storage capability in (U)SIM"), nullptr, cmsTp},
    {Field::CmsError, 210, nullptr, W("error in MS"), nullptr, cmsTp},
    {Field::CmsError, 211, nullptr, W("memory capacity exceeded"), nullptr, cmsTp},
    {Field::CmsError, 212, nullptr, W("(U)SIM Application Toolkit busy"), wait, cmsTp},
    {Field::CmsError, 213, nullptr, W("(U)SIM data download error"), nullptr, cmsTp},
    {Field::CmsError, 255, nullptr, W("unspecified error cause"), nullptr, cmsTp},
    // +CMS ERROR 300 and on: the module's own.
    {Field::CmsError, 300, nullptr, W("ME failure"), nullptr, cms},
    {Field::CmsError, 301, nullptr, W("SMS service of ME reserved"), nullptr, cms},
    {Field::CmsError, 302, nullptr, W("operation not allowed"), textMode, cms},
    {Field::CmsError, 303, nullptr, W("operation not supported"), nullptr, cms},
    {Field::CmsError, 304, nullptr, W("invalid PDU mode parameter"), textMode, cms},
    {Field::CmsError, 305, nullptr, W("invalid text mode parameter"), nullptr, cms},
    {Field::CmsError, 310, nullptr, W("(U)SIM not inserted"), insertSim, cms},
    {Field::CmsError, 311, nullptr, W("(U)SIM PIN required"), setPin, cms},
    {Field::CmsError, 312, nullptr, W("PH-(U)SIM PIN required"), nullptr, cms},
    {Field::CmsError, 313, nullptr, W("(U)SIM failure"), nullptr, cms},
    {Field::CmsError, 314, nullptr, W("(U)SIM busy"), wait, cms},
    {Field::CmsError, 315, nullptr, W("(U)SIM wrong"), nullptr, cms},
    {Field::CmsError, 316, nullptr, W("(U)SIM PUK required"), enterPuk, cms},
    {Field::CmsError, 317, nullptr, W("(U)SIM PIN2 required"), nullptr, cms},
    {Field::CmsError, 318, nullptr, W("(U)SIM PUK2 required"), nullptr, cms},
    {Field::CmsError, 320, nullptr, W("memory failure"), nullptr, cms},
    {Field::CmsError, 321, nullptr, W("invalid memory index"), listSms, cms},
    {Field::CmsError, 322, nullptr, W("memory full"), W("\"Delete ALL SMS\" makes room."), cms},
    {Field::CmsError, 330, nullptr, W("SMSC address unknown"), W("AT+CSCA? shows the service centre's number."),
     cms},
    {Field::CmsError, 331, nullptr, W("no network service"), nullptr, cms},
    {Field::CmsError, 332, nullptr, W("network timeout"), wait, cms},
    {Field::CmsError, 340, nullptr, W("no +CNMA acknowledgement expected"), nullptr, cms},
    {Field::CmsError, 500, nullptr, W("unknown error"), nullptr, cms},

    // +CSQ: <ber>, as RXQUAL.
    {Field::BitErrorRate, 0, nullptr, W("less than 0.2 %"), nullptr, csq},
    {Field::BitErrorRate, 1, nullptr, W("0.2 % to 0.4 %"), nullptr, csq},
    {Field::BitErrorRate, 2, nullptr, W("0.4 % to 0.8 %"), nullptr, csq},
    {Field::BitErrorRate, 3, nullptr, W("0.8 % to 1.6 %"), nullptr, csq},
    {Field::BitErrorRate, 4, nullptr, W("1.6 % to 3.2 %"), nullptr, csq},
    {Field::BitErrorRate, 5, nullptr, W("3.2 % to 6.4 %"), nullptr, csq},
    {Field::BitErrorRate, 6, nullptr, W("6.4 % to 12.8 %"), nullptr, csq},
    {Field::BitErrorRate, 7, nullptr, W("more than 12.8 %"), nullptr, csq},
    {Field::BitErrorRate, 99, nullptr, W("not known or not detectable"), nullptr, csq},

    // +CREG: <n>, in the read form.
    {Field::RegistrationReporting, 0, nullptr, W("registration is not reported unasked"), nullptr, creg},
    {Field::RegistrationReporting, 1, nullptr, W("a change of registration is reported unasked"), nullptr, creg},
    {Field::RegistrationReporting, 2, nullptr,
     W("a change of registration, area or cell is reported unasked, with where"), nullptr, creg},
    {Field::RegistrationReporting, 3, nullptr,
     W("a change of registration, area or cell is reported unasked, with where and why"), nullptr, creg},
    // +CREG: <stat>.
    {Field::NetworkRegistration, 0, nullptr, W("not registered, and not searching for an operator"),
     W("AT+COPS=0 lets the module choose an operator."), creg},
    {Field::NetworkRegistration, 1, nullptr, W("registered, home network"), nullptr, creg},
    {Field::NetworkRegistration, 2, nullptr, W("not registered, but searching for an operator"), wait, creg},
    {Field::NetworkRegistration, 3, nullptr, W("registration denied"), nullptr, creg},
    {Field::NetworkRegistration, 4, nullptr, W("unknown (out of coverage, say)"), nullptr, creg},
    {Field::NetworkRegistration, 5, nullptr, W("registered, roaming"), nullptr, creg},
    {Field::NetworkRegistration, 6, nullptr, W("registered for SMS only, home network"), nullptr, creg},
    {Field::NetworkRegistration, 7, nullptr, W("registered for SMS only, roaming"), nullptr, creg},
    {Field::NetworkRegistration, 8, nullptr, W("attached for emergency bearer services only"), nullptr, creg},
    {Field::NetworkRegistration, 9, nullptr, W("registered for \"CSFB not preferred\", home network"), nullptr, creg},
    {Field::NetworkRegistration, 10, nullptr, W("registered for \"CSFB not preferred\", roaming"), nullptr, creg},
    {Field::NetworkRegistration, 11, nullptr, W("attached for access to RLOS"), nullptr, creg},
    // +CGREG: and +CEREG: <stat>.
    {Field::PacketRegistration, 0, nullptr, W("not registered, and not searching for an operator"), nullptr, cgreg},
    {Field::PacketRegistration, 1, nullptr, W("registered, home network"), nullptr, cgreg},
    {Field::PacketRegistration, 2, nullptr, W("not registered, but searching for an operator"), wait, cgreg},
    {Field::PacketRegistration, 3, nullptr, W("registration denied"), nullptr, cgreg},
    {Field::PacketRegistration, 4, nullptr, W("unknown (out of coverage, say)"), nullptr, cgreg},
    {Field::PacketRegistration, 5, nullptr, W("registered, roaming"), nullptr, cgreg},
    {Field::PacketRegistration, 8, nullptr, W("attached for emergency bearer services only"), nullptr, cgreg},
    {Field::PacketRegistration, 11, nullptr, W("attached for access to RLOS"), nullptr, cgreg},
    // <AcT>.
    {Field::AccessTechnology, 0, nullptr, W("GSM"), nullptr, cops},
    {Field::AccessTechnology, 1, nullptr, W("GSM Compact"), nullptr, cops},
    {Field::AccessTechnology, 2, nullptr, W("UTRAN (3G)"), nullptr, cops},
    {Field::AccessTechnology, 3, nullptr, W("GSM with EGPRS"), nullptr, cops},
    {Field::AccessTechnology, 4, nullptr, W("UTRAN with HSDPA"), nullptr, cops},
    {Field::AccessTechnology, 5, nullptr, W("UTRAN with HSUPA"), nullptr, cops},
    {Field::AccessTechnology, 6, nullptr, W("UTRAN with HSDPA and HSUPA"), nullptr, cops},
    {Field::AccessTechnology, 7, nullptr, W("E-UTRAN (LTE)"), nullptr, cops},
    {Field::AccessTechnology, 8, nullptr, W("EC-GSM-IoT"), nullptr, cops},
    {Field::AccessTechnology, 9, nullptr, W("E-UTRAN, NB-S1 mode (NB-IoT)"), nullptr, cops},
    {Field::AccessTechnology, 10, nullptr, W("E-UTRA connected to a 5G core"), nullptr, cops},
    {Field::AccessTechnology, 11, nullptr, W("NR connected to a 5G core"), nullptr, cops},
    {Field::AccessTechnology, 12, nullptr, W("NG-RAN"), nullptr, cops},
    {Field::AccessTechnology, 13, nullptr, W("E-UTRA-NR dual connectivity"), nullptr, cops},

    // +CPIN: <code>.
    {Field::PinState, -1, "READY", W("no PIN or PUK is wanted"), nullptr, cpin},
    {Field::PinState, -1, "SIM PIN", W("the SIM's PIN is wanted"), setPin, cpin},
    {Field::PinState, -1, "SIM PUK", W("the SIM's PUK is wanted"), enterPuk, cpin},
    {Field::PinState, -1, "PH-SIM PIN", W("the phone-to-SIM password is wanted"), nullptr, cpin},
    {Field::PinState, -1, "PH-FSIM PIN", W("the phone-to-very-first-SIM password is wanted"), nullptr, cpin},
    {Field::PinState, -1, "PH-FSIM PUK", W("the phone-to-very-first-SIM unblocking password is wanted"), nullptr,
     cpin},
    {Field::PinState, -1, "SIM PIN2", W("the SIM's PIN2 is wanted"), nullptr, cpin},
    {Field::PinState, -1, "SIM PUK2", W("the SIM's PUK2 is wanted"), nullptr, cpin},
    {Field::PinState, -1, "PH-NET PIN", W("the network personalization password is wanted"), nullptr, cpin},
    {Field::PinState, -1, "PH-NET PUK", W("the network personalization unblocking password is wanted"), nullptr,
     cpin},
    {Field::PinState, -1, "PH-NETSUB PIN", W("the network subset personalization password is wanted"), nullptr,
     cpin},
    {Field::PinState, -1, "PH-NETSUB PUK", W("the network subset personalization unblocking password is wanted"),
     nullptr, cpin},
    {Field::PinState, -1, "PH-SP PIN", W("the service provider personalization password is wanted"), nullptr, cpin},
    {Field::PinState, -1, "PH-SP PUK", W("the service provider personalization unblocking password is wanted"),
     nullptr, cpin},
    {Field::PinState, -1, "PH-CORP PIN", W("the corporate personalization password is wanted"), nullptr, cpin},
    {Field::PinState, -1, "PH-CORP PUK", W("the corporate personalization unblocking password is wanted"), nullptr,
     cpin},

    // +COPS: <mode>, <format>.
    {Field::OperatorMode, 0, nullptr, W("the module chooses the operator"), nullptr, cops},
    {Field::OperatorMode, 1, nullptr, W("the operator is chosen by hand"), nullptr, cops},
    {Field::OperatorMode, 2, nullptr, W("deregistered from the network"), W("AT+COPS=0 registers again."), cops},
    {Field::OperatorMode, 3, nullptr, W("only the format was set"), nullptr, cops},
    {Field::OperatorMode, 4, nullptr, W("chosen by hand, and by the module where that fails"), nullptr, cops},
    {Field::OperatorFormat, 0, nullptr, W("its long name"), nullptr, cops},
    {Field::OperatorFormat, 1, nullptr, W("its short name"), nullptr, cops},
    {Field::OperatorFormat, 2, nullptr, W("its number, country code (MCC) then network code (MNC)"), nullptr, cops},

    // +CMGF: <mode>.
    {Field::MessageFormat, 0, nullptr, W("PDU mode: messages as hexadecimal PDUs"), textMode, cmgf},
    {Field::MessageFormat, 1, nullptr, W("text mode: messages as text"), nullptr, cmgf},

    // <mem>.
    {Field::MessageStorage, -1, "SM", W("the SIM"), nullptr, cmti},
    {Field::MessageStorage, -1, "ME", W("the module's own memory"), nullptr, cmti},
    {Field::MessageStorage, -1, "MT", W("any of the module's stores"), nullptr, cmti},
    {Field::MessageStorage, -1, "BM", W("the broadcast message store"), nullptr, cmti},
    {Field::MessageStorage, -1, "SR", W("the status report store"), nullptr, cmti},
    {Field::MessageStorage, -1, "TA", W("the terminal adaptor's store"), nullptr, cmti},

    // <stat> of a stored message: text mode, PDU mode.
    {Field::SmsState, 0, "REC UNREAD", W("received, not read yet"), nullptr, smsState},
    {Field::SmsState, 1, "REC READ", W("received and read"), nullptr, smsState},
    {Field::SmsState, 2, "STO UNSENT", W("stored, not sent yet"), nullptr, smsState},
    {Field::SmsState, 3, "STO SENT", W("stored and sent"), nullptr, smsState},
    {Field::SmsState, 4, "ALL", W("all messages"), nullptr, smsState},

    // <type> of a number, and <CLI validity>.
    {Field::NumberType, 129, nullptr, W("unknown type: a number as the network gives it, without a country code"),
     nullptr, clip},
    {Field::NumberType, 145, nullptr, W("international: the number with its country code, after +"), nullptr, clip},
    {Field::NumberType, 161, nullptr, W("national: the number without its country code"), nullptr, clip},
    {Field::CliValidity, 0, nullptr, W("the caller's number is valid"), nullptr, clip},
    {Field::CliValidity, 1, nullptr, W("the caller withheld the number"), nullptr, clip},
    {Field::CliValidity, 2, nullptr, W("the number is not available (the network could not give it)"), nullptr,
     clip},

    // +CBC: <bcs>.
    {Field::BatteryState, 0, nullptr, W("powered by its battery"), nullptr, cbc},
    {Field::BatteryState, 1, nullptr, W("a battery is connected, but does not power it"), nullptr, cbc},
    {Field::BatteryState, 2, nullptr, W("no battery is connected"), nullptr, cbc},
    {Field::BatteryState, 3, nullptr, W("power fault: calls are not possible"), nullptr, cbc},
};

#undef W

// Letters and digits alone, in lower case: "SIM PIN required" and
// "sim-pin-required" are one name.
QString folded(const QString &name)
{
    QString key;
    for (const QChar c : name) {
        if (c.isLetterOrNumber())
            key += c.toLower();
    }
    return key;
}

// The table's words in the user's language (its rows are marked for
// translation where they are written).
QString translated(const char *text)
{
    return text ? QCoreApplication::translate("Meanings", text) : QString();
}

Meaning meaningOf(const Row &row)
{
    return {translated(row.words), translated(row.next), QString::fromLatin1(row.clause)};
}

// The one row of `field` with that name; none where two rows share it (the
// same words for two causes: which one the modem meant is not known). A
// name the standard spells ("SIM PIN", "REC READ") is that spelling; words
// (a verbose error) may come in any case and spacing.
const Row *rowNamed(Field field, const QString &name)
{
    const QString key = folded(name);
    const Row *found = nullptr;
    for (const Row &row : rows) {
        const bool named = row.name ? name == QLatin1String(row.name)
                                    : !key.isEmpty() && folded(QLatin1String(row.words)) == key;
        if (row.field == field && named) {
            if (found)
                return nullptr;
            found = &row;
        }
    }
    return found;
}

} // namespace

std::optional<Meaning> byCode(Field field, int code)
{
    for (const Row &row : rows) {
        if (row.field == field && row.code == code && code >= 0)
            return meaningOf(row);
    }
    return std::nullopt;
}

std::optional<Meaning> byName(Field field, const QString &name)
{
    const Row *row = rowNamed(field, name);
    return row ? std::optional<Meaning>(meaningOf(*row)) : std::nullopt;
}

int codeOf(Field field, const QString &name)
{
    const Row *row = rowNamed(field, name);
    return row ? row->code : -1;
}

} // namespace Meanings

#pragma once
// What the values of a modem's replies mean, as the standards give them:
// ITU-T V.250 for the result codes, 3GPP TS 27.007 for the mobile
// equipment's, 3GPP TS 27.005 (and the tables it points to in 24.011 and
// 23.040) for SMS. One table; each row names the clause it comes from.

#include <QString>
#include <optional>

namespace Meanings {

// Which value of which reply a row is of.
enum class Field {
    ResultCode,      // V.250: "OK", "ERROR", ...
    CmeError,        // +CME ERROR: <err>
    CmsError,        // +CMS ERROR: <err>
    BitErrorRate,    // +CSQ: ...,<ber>
    RegistrationReporting,  // +CREG: <n>,... (the read form)
    NetworkRegistration,    // +CREG: <stat>
    PacketRegistration,     // +CGREG: <stat>, +CEREG: <stat>
    AccessTechnology,       // <AcT>
    PinState,        // +CPIN: <code>
    OperatorMode,    // +COPS: <mode>
    OperatorFormat,  // +COPS: ...,<format>
    MessageFormat,   // +CMGF: <mode>
    MessageStorage,  // +CMTI: <mem>
    SmsState,        // +CMGL:, +CMGR: <stat>, as text or number
    NumberType,      // +CLIP: ...,<type>
    CliValidity,     // +CLIP: ...,<CLI validity>
    BatteryState,    // +CBC: <bcs>
};

struct Meaning
{
    QString words;   // what it means
    QString next;    // what the user can do now; may be empty
    QString clause;  // "3GPP TS 27.007, 9.2.1"
};

// The row of `field` whose number is `code`, or whose name is `name`, as
// the standard spells it ("SIM PIN"); a verbose error's words may come in
// any letter case and spacing.
std::optional<Meaning> byCode(Field field, int code);
std::optional<Meaning> byName(Field field, const QString &name);
// The number of a row found by name; -1 for a row of names alone.
int codeOf(Field field, const QString &name);

} // namespace Meanings

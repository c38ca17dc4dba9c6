#include "replies/explain.h"

#include "replies/meanings.h"

#include <QCoreApplication>
#include <QStringList>
#include <functional>
#include <map>

namespace Replies {

namespace {

using Meanings::Field;

// A value of a reply: its text, and whether it stood in double quotes.
struct Value
{
    QString text;
    bool quoted = false;
    std::optional<int> number() const
    {
        bool ok = false;
        const int n = text.toInt(&ok);
        return ok && !quoted && !text.startsWith(u'+') && !text.startsWith(u'-') ? std::optional<int>(n)
                                                                                  : std::nullopt;
    }
};

// The values after "+NAME:", split at the commas outside double quotes;
// nothing where a quote is left open.
std::optional<std::vector<Value>> valuesOf(const QString &rest)
{
    std::vector<Value> values(1);
    bool inQuotes = false;
    bool afterQuotes = false;
    for (const QChar c : rest) {
        if (c == u'"') {
            if (!inQuotes && (afterQuotes || !values.back().text.trimmed().isEmpty()))
                return std::nullopt;  // a quote within a value
            inQuotes = !inQuotes;
            values.back().quoted = true;
            afterQuotes = !inQuotes;
        } else if (c == u',' && !inQuotes) {
            values.emplace_back();
            afterQuotes = false;
        } else if (inQuotes || !c.isSpace() || !values.back().text.isEmpty()) {
            if (afterQuotes && !c.isSpace())
                return std::nullopt;
            if (!afterQuotes)
                values.back().text += c;
        }
    }
    if (inQuotes)
        return std::nullopt;
    for (Value &value : values) {  // blanks around a value are no part of it
        if (!value.quoted)
            value.text = value.text.trimmed();
    }
    return values;
}

// What an explanation is made of: a line for each value, what to do next,
// and the clauses it comes from.
class Text
{
    Q_DECLARE_TR_FUNCTIONS(Replies)

public:
    void add(const QString &line) { m_lines << line; }
    // A line made from a meaning: its next step and clause go along.
    void add(const QString &line, const Meanings::Meaning &meaning)
    {
        m_lines << line;
        if (!meaning.next.isEmpty() && !m_next.contains(meaning.next))
            m_next << meaning.next;
        if (!m_clauses.contains(meaning.clause))
            m_clauses << meaning.clause;
    }
    // Adds the meaning of a value, if the table has it; false if it has not.
    bool add(const QString &what, Field field, int code)
    {
        const auto meaning = Meanings::byCode(field, code);
        if (meaning)
            add(what.arg(meaning->words), *meaning);
        return meaning.has_value();
    }
    QString text() const
    {
        QStringList all = m_lines + m_next;
        all << tr("From %1.").arg(m_clauses.join(QLatin1String("; ")));
        return all.join(u'\n');
    }

private:
    QStringList m_lines;
    QStringList m_next;
    QStringList m_clauses;
};

using Reader = std::function<bool(const std::vector<Value> &, Text &)>;

bool hasNumbers(const std::vector<Value> &values, size_t count)
{
    if (values.size() < count)
        return false;
    for (size_t i = 0; i < count; ++i) {
        if (!values[i].number())
            return false;
    }
    return true;
}

// An error's code, or its words (which may hold commas).
bool errorCode(Field field, const QString &rest, Text &text)
{
    const Value value{rest.trimmed()};
    if (value.text.isEmpty())
        return false;
    if (const auto code = value.number())
        return text.add(Text::tr("Error %1: %2.").arg(*code), field, *code);
    const int code = Meanings::codeOf(field, value.text);
    return code >= 0 && text.add(Text::tr("Error %1: %2.").arg(code), field, code);
}

bool signal(const std::vector<Value> &values, Text &text)
{
    if (values.size() != 2 || !hasNumbers(values, 2))
        return false;
    const int rssi = *values[0].number();
    const int ber = *values[1].number();
    if (!(rssi >= 0 && rssi <= 31) && rssi != 99)
        return false;
    if (!Meanings::byCode(Field::BitErrorRate, ber))
        return false;
    if (rssi == 99) {
        text.add(Text::tr("Signal strength (rssi 99): not known or not detectable."));
    } else {
        // -113 dBm and 2 dB a step up to -51 dBm; the words on quality are
        // the common reading of those figures, not the standard's.
        const int dBm = -113 + 2 * rssi;
        const char *quality = rssi < 10 ? "weak: calls and messages may fail"
            : rssi < 15                 ? "fair"
            : rssi < 20                 ? "good"
                                        : "excellent";
        const QString bound = rssi == 0 ? Text::tr(" or less") : rssi == 31 ? Text::tr(" or more") : QString();
        text.add(Text::tr("Signal strength (rssi %1 of 0 to 31): %2 dBm%3, %4.")
                     .arg(rssi)
                     .arg(dBm)
                     .arg(bound, Text::tr(quality)));
    }
    text.add(Text::tr("Bit error rate (ber %1): %2.").arg(ber), Field::BitErrorRate, ber);
    return true;
}

// "1A2B" as "1A2B (6699)"; nothing for what is no hexadecimal number.
std::optional<QString> hexadecimal(const Value &value)
{
    bool ok = false;
    const qulonglong n = value.text.toULongLong(&ok, 16);
    return ok ? std::optional<QString>(QStringLiteral("%1 (%2)").arg(value.text.toUpper()).arg(n)) : std::nullopt;
}

// +CREG, +CGREG, +CEREG: "<stat>[,<lac>,<ci>[,<AcT>...]]" unasked, or
// "<n>,<stat>[,<lac>,<ci>[,<AcT>...]]" when read. The area comes quoted,
// so a second value that is a plain number is the read form's <stat>.
bool registration(Field field, const char *area, const std::vector<Value> &values, Text &text)
{
    if (values.empty() || !values[0].number())
        return false;
    size_t at = 0;
    const bool read = values.size() >= 2 && values[1].number().has_value();
    if (read) {
        const int n = *values[0].number();
        if (!text.add(Text::tr("Reporting (n %1): %2.").arg(n), Field::RegistrationReporting, n))
            return false;
        at = 1;
    }
    const int stat = *values[at].number();
    if (!text.add(Text::tr("Registration (stat %1): %2.").arg(stat), field, stat))
        return false;
    ++at;
    if (at < values.size()) {
        const auto where = hexadecimal(values[at]);
        const auto cell = at + 1 < values.size() ? hexadecimal(values[at + 1]) : std::nullopt;
        if (!where || !cell)
            return false;
        text.add(Text::tr("%1: %2; cell: %3.").arg(Text::tr(area), *where, *cell));
        at += 2;
    }
    if (at < values.size() && !values[at].text.isEmpty()) {
        const auto technology = values[at].number();
        if (!technology || !text.add(Text::tr("Access technology (AcT %1): %2.").arg(*technology),
                                     Field::AccessTechnology, *technology))
            return false;
    }
    return true;
}

bool pin(const std::vector<Value> &values, Text &text)
{
    if (values.size() != 1)
        return false;
    const auto meaning = Meanings::byName(Field::PinState, values[0].text);
    if (meaning)
        text.add(Text::tr("%1: %2.").arg(values[0].text.toUpper(), meaning->words), *meaning);
    return meaning.has_value();
}

bool operatorChoice(const std::vector<Value> &values, Text &text)
{
    if (values.empty() || values.size() > 4 || !values[0].number())
        return false;
    const int mode = *values[0].number();
    if (!text.add(Text::tr("Choice (mode %1): %2.").arg(mode), Field::OperatorMode, mode))
        return false;
    if (values.size() == 1) {
        text.add(Text::tr("No operator is given: the module is registered with none."));
        return true;
    }
    const auto format = values[1].number();
    if (!format || values.size() < 3)
        return false;
    const QString name = values[2].text;
    const auto byFormat = Meanings::byCode(Field::OperatorFormat, *format);
    if (!byFormat)
        return false;
    if (name.isEmpty())
        text.add(Text::tr("No operator is given: the module is registered with none."));
    else
        text.add(Text::tr("Operator: %1, by %2.").arg(name, byFormat->words), *byFormat);
    if (values.size() == 4) {
        const auto technology = values[3].number();
        return technology && text.add(Text::tr("Access technology (AcT %1): %2.").arg(*technology),
                                      Field::AccessTechnology, *technology);
    }
    return true;
}

bool messageFormat(const std::vector<Value> &values, Text &text)
{
    return values.size() == 1 && values[0].number()
        && text.add(Text::tr("Message format (mode %1): %2.").arg(*values[0].number()), Field::MessageFormat,
                    *values[0].number());
}

bool newMessage(const std::vector<Value> &values, Text &text)
{
    if (values.size() != 2 || !values[1].number())
        return false;
    const auto store = Meanings::byName(Field::MessageStorage, values[0].text);
    if (!store)
        return false;
    const int index = *values[1].number();
    text.add(Text::tr("A new message is stored in %1 (%2), at index %3.").arg(store->words, values[0].text).arg(index),
             *store);
    text.add(Text::tr("\"Read SMS nr\" with %1 reads it.").arg(index));
    return true;
}

bool caller(const std::vector<Value> &values, Text &text)
{
    if (values.size() < 2 || !values[0].quoted || !values[1].number())
        return false;
    text.add(Text::tr("A call from %1.").arg(values[0].text.isEmpty() ? Text::tr("a number not given") : values[0].text));
    const int type = *values[1].number();
    if (!text.add(Text::tr("Number type (type %1): %2.").arg(type), Field::NumberType, type))
        return false;
    if (values.size() >= 6 && !values[5].text.isEmpty()) {
        const auto validity = values[5].number();
        return validity && text.add(Text::tr("CLI validity %1: %2.").arg(*validity), Field::CliValidity, *validity);
    }
    return true;
}

bool battery(const std::vector<Value> &values, Text &text)
{
    if (!hasNumbers(values, 2))
        return false;
    const int state = *values[0].number();
    const int level = *values[1].number();
    if (level < 0 || level > 100 || !text.add(Text::tr("Power (bcs %1): %2.").arg(state), Field::BatteryState, state))
        return false;
    text.add(state == 2 ? Text::tr("Charge (bcl %1): no battery.").arg(level) : Text::tr("Charge (bcl %1): %1 %.").arg(level));
    if (values.size() > 2)
        text.add(Text::tr("The values after these two are the module's own: its manual says what they are."));
    return true;
}

// The state of a stored message, as text ("REC READ") or as a number.
bool messageState(const Value &value, Text &text)
{
    if (const auto code = value.number())
        return text.add(Text::tr("State (stat %1): %2.").arg(*code), Field::SmsState, *code);
    const auto meaning = Meanings::byName(Field::SmsState, value.text);
    if (meaning)
        text.add(Text::tr("State (stat %1): %2.").arg(value.text, meaning->words), *meaning);
    return meaning.has_value();
}

bool listedMessage(const std::vector<Value> &values, Text &text)
{
    if (values.size() < 2 || !values[0].number())
        return false;
    text.add(Text::tr("The message at index %1.").arg(*values[0].number()));
    return messageState(values[1], text);
}

bool readMessage(const std::vector<Value> &values, Text &text)
{
    return !values.empty() && messageState(values[0], text);
}

const std::map<QString, Reader> &readers()
{
    using namespace std::placeholders;
    static const std::map<QString, Reader> table = {
        {QStringLiteral("+CSQ"), signal},
        {QStringLiteral("+CREG"),
         std::bind(registration, Field::NetworkRegistration, QT_TRANSLATE_NOOP("Replies", "Location area"), _1, _2)},
        {QStringLiteral("+CGREG"),
         std::bind(registration, Field::PacketRegistration, QT_TRANSLATE_NOOP("Replies", "Location area"), _1, _2)},
        {QStringLiteral("+CEREG"),
         std::bind(registration, Field::PacketRegistration, QT_TRANSLATE_NOOP("Replies", "Tracking area"), _1, _2)},
        {QStringLiteral("+CPIN"), pin},
        {QStringLiteral("+COPS"), operatorChoice},
        {QStringLiteral("+CMGF"), messageFormat},
        {QStringLiteral("+CMTI"), newMessage},
        {QStringLiteral("+CLIP"), caller},
        {QStringLiteral("+CBC"), battery},
        {QStringLiteral("+CMGL"), listedMessage},
        {QStringLiteral("+CMGR"), readMessage},
    };
    return table;
}

} // namespace

std::optional<Explanation> explain(const QString &line)
{
    const QString reply = line.trimmed();
    Text text;
    // A final result code is the whole line; CONNECT may carry the speed.
    const QString code = reply.startsWith(QLatin1String("CONNECT ")) ? QStringLiteral("CONNECT") : reply;
    if (const auto meaning = Meanings::byName(Field::ResultCode, code)) {
        text.add(meaning->words, *meaning);
        if (code != reply)
            text.add(Text::tr("What follows CONNECT is the module's own, often the speed: %1.").arg(reply.mid(8).trimmed()));
        return Explanation{reply, text.text()};
    }
    const qsizetype colon = reply.indexOf(u':');
    if (!reply.startsWith(u'+') || colon < 0)
        return std::nullopt;
    const QString name = reply.left(colon).trimmed().toUpper();
    const QString rest = reply.mid(colon + 1);
    if (name == QLatin1String("+CME ERROR") || name == QLatin1String("+CMS ERROR")) {
        if (!errorCode(name == QLatin1String("+CME ERROR") ? Field::CmeError : Field::CmsError, rest, text))
            return std::nullopt;
        return Explanation{reply, text.text()};
    }
    const auto reader = readers().find(name);
    const auto values = valuesOf(rest);
    if (reader == readers().end() || !values || !reader->second(*values, text))
        return std::nullopt;
    return Explanation{reply, text.text()};
}

} // namespace Replies

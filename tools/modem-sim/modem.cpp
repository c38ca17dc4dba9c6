#include "modem.h"

#include <algorithm>
#include <cctype>
#include <ctime>
#include <map>

namespace sim {

namespace {

constexpr char cr = '\r';
constexpr char lf = '\n';
constexpr char backspace = '\b';
constexpr char ctrlZ = 0x1a;
constexpr char escape = 0x1b;
const std::string crlf = "\r\n";

std::string upper(std::string s)
{
    for (char &c : s)
        c = char(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

// Blanks are not significant in a command line, except between quotes.
std::string withoutBlanks(const std::string &line)
{
    std::string out;
    bool quoted = false;
    for (char c : line) {
        if (c == '"')
            quoted = !quoted;
        if (quoted || c != ' ')
            out += c;
    }
    return out;
}

std::string unquote(const std::string &s)
{
    if (s.size() >= 2 && s.front() == '"' && s.back() == '"')
        return s.substr(1, s.size() - 2);
    return s;
}

std::vector<std::string> splitArgs(const std::string &args)
{
    std::vector<std::string> out(1);
    bool quoted = false;
    for (char c : args) {
        if (c == '"')
            quoted = !quoted;
        if (c == ',' && !quoted)
            out.emplace_back();
        else
            out.back() += c;
    }
    return out;
}

bool toInt(const std::string &s, int &value)
{
    if (s.empty() || s.size() > 9 || !std::all_of(s.begin(), s.end(), ::isdigit))
        return false;
    value = std::stoi(s);
    return true;
}

const std::map<int, const char *> cmeTexts = {
    {3, "operation not allowed"}, {4, "operation not supported"}, {11, "SIM PIN required"},
    {16, "incorrect password"},   {21, "invalid index"},          {100, "unknown"}};

const std::map<int, const char *> cmsTexts = {
    {302, "operation not allowed"}, {304, "invalid PDU mode parameter"},
    {305, "invalid text mode parameter"}, {321, "invalid memory index"}, {322, "memory full"}};

} // namespace

Modem::Modem(Options options)
    : m_options(std::move(options))
{
    resetSettings();
}

void Modem::resetSettings()
{
    m_echo = true;
    m_cmee = 0;
    m_cmgf = 0;
    static constexpr int defaultCnmi[5] = {2, 1, 0, 0, 0};
    std::copy(std::begin(defaultCnmi), std::end(defaultCnmi), m_cnmi);
    m_clip = 0;
    m_pinReady = m_options.pin.empty();
    m_line.clear();
    m_overflow = false;
    m_inBody = false;
    m_body.clear();
    m_call = Call::Idle;
}

std::string Modem::receive(std::string_view bytes)
{
    std::string out;
    for (char c : bytes) {
        if (m_poweredDown)
            break;
        out += m_inBody ? bodyByte(c) : commandByte(c);
    }
    return out;
}

std::string Modem::commandByte(char c)
{
    std::string out = m_echo ? std::string(1, c) : std::string();
    if (c == lf)
        return out;  // a line ends with CR; LF is ignored
    if (c == backspace) {
        if (!m_line.empty())
            m_line.pop_back();
        return out;
    }
    if (c == ctrlZ || c == escape) {  // the rest of a body that failed, or a line given up
        m_line.clear();
        m_overflow = false;
        return out;
    }
    if (c != cr) {
        // A command starts at "AT": whatever comes before it is passed
        // over, as a module scans for the prefix.
        const bool a = c == 'A' || c == 'a';
        if (m_line.empty() && !a)
            return out;
        if (m_line.size() == 1 && c != 'T' && c != 't') {
            m_line = a ? std::string(1, c) : std::string();
            return out;
        }
        if (m_line.size() < maxLine)
            m_line += c;
        else
            m_overflow = true;
        return out;
    }
    const std::string line = m_line;
    const bool overflow = m_overflow;
    m_line.clear();
    m_overflow = false;
    if (overflow)
        return out + format({{}, "ERROR"});
    return out + runLine(line);
}

std::string Modem::bodyByte(char c)
{
    if (c == escape) {
        m_inBody = false;
        m_body.clear();
        return format({});
    }
    if (c != ctrlZ) {
        if (m_body.size() >= maxBody) {
            // Too long for one message: the entry ends in an error.
            m_inBody = false;
            m_body.clear();
            return format(cmsError(305));
        }
        m_body += c;
        return c == cr ? std::string("\r\n> ") : (c == lf ? std::string() : std::string(1, c));
    }
    m_inBody = false;
    Message sent{0, "STO SENT", m_bodyNumber, {}, m_body};
    m_body.clear();
    store(sent);
    m_messageReference = (m_messageReference + 1) % 256;
    return format({{"+CMGS: " + std::to_string(m_messageReference)}, "OK"});
}

std::string Modem::runLine(const std::string &raw)
{
    const std::string line = withoutBlanks(raw);
    if (line.size() < 2 || upper(line.substr(0, 2)) != "AT")
        return {};  // not a command: a real module ignores it
    std::string rest = line.substr(2);
    Result total;
    while (!rest.empty()) {
        Result step;
        if (rest[0] == ';') {
            rest.erase(0, 1);
            continue;
        }
        if (rest[0] == '+') {
            // An extended command runs to the next semicolon outside quotes.
            size_t end = 1;
            bool quoted = false;
            while (end < rest.size() && (quoted || rest[end] != ';')) {
                if (rest[end] == '"')
                    quoted = !quoted;
                ++end;
            }
            const std::string command = rest.substr(0, end);
            rest.erase(0, end);
            size_t nameEnd = 1;
            while (nameEnd < command.size() && std::isalnum(static_cast<unsigned char>(command[nameEnd])))
                ++nameEnd;
            const std::string name = upper(command.substr(0, nameEnd));
            std::string form = command.substr(nameEnd);
            std::string args;
            if (form.rfind("=?", 0) == 0) {
                form = "=?";
            } else if (form.rfind('=', 0) == 0) {
                args = form.substr(1);
                form = "=";
            }
            step = extended(name, form, args);
        } else {
            const char command = char(std::toupper(static_cast<unsigned char>(rest[0])));
            rest.erase(0, 1);
            if (command == '&' && !rest.empty())
                rest.erase(0, 1);  // &F, &W and the like: accepted as they are
            int value = 0;
            while (!rest.empty() && std::isdigit(static_cast<unsigned char>(rest[0])) && command != 'D') {
                value = value * 10 + (rest[0] - '0');
                rest.erase(0, 1);
            }
            bool stop = false;
            step = basic(command, value, stop, rest);
            if (stop)
                rest.clear();
        }
        total.lines.insert(total.lines.end(), step.lines.begin(), step.lines.end());
        total.final = step.final;
        if (step.final != "OK")
            break;  // an error, a prompt or a call: the rest of the line is dropped
    }
    if (m_inBody)
        return crlf + "> ";
    return format(total);
}

Modem::Result Modem::basic(char command, int value, bool &stop, const std::string &rest)
{
    switch (command) {
    case 'E':
        m_echo = value != 0;
        return {};
    case 'V':
    case 'Q':
    case '&':
        return {};
    case 'Z':
        resetSettings();
        return {};
    case 'I':
        return {{"Vexmo GSM module simulator", "Revision: 1.0"}, "OK"};
    case 'A':
        if (m_call != Call::Ringing)
            return {{}, "NO CARRIER"};
        m_call = Call::Active;
        return {};
    case 'H':
        m_call = Call::Idle;
        return {};
    case 'D':
        stop = true;
        return dial(rest);
    default:
        return {{}, "ERROR"};
    }
}

Modem::Result Modem::dial(const std::string &dialString)
{
    if (!m_pinReady)
        return cmeError(11);
    if (m_call != Call::Idle)
        return {{}, "ERROR"};
    const bool voice = !dialString.empty() && dialString.back() == ';';
    const std::string number = voice ? dialString.substr(0, dialString.size() - 1) : dialString;
    if (!voice || number.empty())
        return {{}, "NO CARRIER"};  // data calls are not simulated
    // The other side answers at once.
    m_call = Call::Active;
    return {};
}

Modem::Result Modem::extended(const std::string &name, const std::string &form, const std::string &args)
{
    const std::vector<std::string> a = splitArgs(args);
    int n = 0;
    if (name == "+CMEE") {
        return numberSetting(name, form, args, m_cmee, 2);
    } else if (name == "+CPIN") {
        if (form == "?")
            return {{m_pinReady ? "+CPIN: READY" : "+CPIN: SIM PIN"}, "OK"};
        if (form == "=") {
            if (m_pinReady)
                return cmeError(3);
            if (unquote(a[0]) != m_options.pin)
                return cmeError(16);
            m_pinReady = true;
            return {};
        }
    } else if (name == "+COPS") {
        if (form == "?")
            return {{m_pinReady ? "+COPS: 0,0,\"" + m_options.operatorName + "\"" : "+COPS: 0"}, "OK"};
        if (form == "=?")
            return {{"+COPS: (2,\"" + m_options.operatorName + "\",\"Vexmo\",\"26201\"),,(0-4),(0-2)"}, "OK"};
    } else if (name == "+CSQ" && form.empty()) {
        return {{"+CSQ: 17,0"}, "OK"};
    } else if (name == "+CBC" && form.empty()) {
        return {{"+CBC: 0,87,4050"}, "OK"};
    } else if (name == "+CPOWD" && form == "=" && toInt(args, n) && n <= 1) {
        m_poweredDown = true;
        return {{}, n == 1 ? "NORMAL POWER DOWN" : ""};
    } else if (name == "+CMGF") {
        return numberSetting(name, form, args, m_cmgf, 1);
    } else if (name == "+CNMI") {
        if (form == "?") {
            std::string s = "+CNMI: ";
            for (int i = 0; i < 5; ++i)
                s += std::to_string(m_cnmi[i]) + (i < 4 ? "," : "");
            return {{s}, "OK"};
        }
        if (form == "=" && a.size() <= 5) {
            int values[5];
            std::copy(std::begin(m_cnmi), std::end(m_cnmi), values);
            for (size_t i = 0; i < a.size(); ++i) {
                if (!a[i].empty() && (!toInt(a[i], values[i]) || values[i] > 3))
                    return cmsError(302);
            }
            std::copy(std::begin(values), std::end(values), m_cnmi);
            return {};
        }
    } else if (name == "+CLIP") {
        if (form == "?")  // and the network's own setting: provisioned
            return {{"+CLIP: " + std::to_string(m_clip) + ",1"}, "OK"};
        return numberSetting(name, form, args, m_clip, 1);
    } else if (name == "+CMGS" && form == "=") {
        if (!m_pinReady)
            return cmsError(302);
        if (m_cmgf != 1)
            return cmsError(304);
        m_bodyNumber = unquote(a[0]);
        if (m_bodyNumber.empty())
            return cmsError(305);
        m_inBody = true;
        return {{}, ""};
    } else if (name == "+CMGL") {
        if (m_cmgf != 1)
            return cmsError(304);
        if (form.empty())
            return listMessages("REC UNREAD");
        if (form == "=")
            return listMessages(upper(unquote(args)));
    } else if (name == "+CMGR" && form == "=" && toInt(a[0], n)) {
        return m_cmgf == 1 ? readMessage(n) : cmsError(304);
    } else if (name == "+CMGD" && form == "=" && toInt(a[0], n)) {
        if (a.size() > 1 && a[1] == "4")
            return deleteMessages("DEL ALL");
        return deleteMessage(n);
    } else if (name == "+CMGDA" && form == "=") {
        return m_cmgf == 1 ? deleteMessages(upper(unquote(args))) : cmsError(304);
    }
    return {{}, "ERROR"};
}

Modem::Result Modem::numberSetting(const std::string &name, const std::string &form, const std::string &args,
                                   int &value, int max)
{
    int n = 0;
    if (form == "?")
        return {{name + ": " + std::to_string(value)}, "OK"};
    if (form == "=?")
        return {{name + ": (0-" + std::to_string(max) + ")"}, "OK"};
    if (form == "=" && toInt(args, n) && n <= max) {
        value = n;
        return {};
    }
    return {{}, "ERROR"};
}

// AT+CMEE decides how an error reads: plain, by number, or in words.
Modem::Result Modem::error(const char *prefix, int code, const std::map<int, const char *> &texts) const
{
    if (m_cmee == 0)
        return {{}, "ERROR"};
    return {{}, prefix + (m_cmee == 1 ? std::to_string(code) : std::string(texts.at(code)))};
}

Modem::Result Modem::cmeError(int code) const
{
    return error("+CME ERROR: ", code, cmeTexts);
}

Modem::Result Modem::cmsError(int code) const
{
    return error("+CMS ERROR: ", code, cmsTexts);
}

Modem::Result Modem::listMessages(const std::string &status)
{
    static const std::vector<std::string> known = {"ALL", "REC UNREAD", "REC READ", "STO SENT", "STO UNSENT"};
    if (std::find(known.begin(), known.end(), status) == known.end())
        return cmsError(302);
    Result result;
    for (Message &m : m_messages) {
        if (status != "ALL" && m.status != status)
            continue;
        result.lines.push_back("+CMGL: " + std::to_string(m.index) + ",\"" + m.status + "\",\"" + m.number
                               + "\",\"\",\"" + m.time + "\"");
        result.lines.push_back(m.text);
        if (m.status == "REC UNREAD")
            m.status = "REC READ";
    }
    return result;
}

Modem::Result Modem::readMessage(int index)
{
    for (Message &m : m_messages) {
        if (m.index != index)
            continue;
        Result result{{"+CMGR: \"" + m.status + "\",\"" + m.number + "\",\"\",\"" + m.time + "\"", m.text}, "OK"};
        if (m.status == "REC UNREAD")
            m.status = "REC READ";
        return result;
    }
    return cmsError(321);
}

Modem::Result Modem::deleteMessages(const std::string &which)
{
    static const std::map<std::string, std::vector<std::string>> groups = {
        {"DEL ALL", {"REC UNREAD", "REC READ", "STO SENT", "STO UNSENT"}},
        {"DEL READ", {"REC READ"}},
        {"DEL UNREAD", {"REC UNREAD"}},
        {"DEL SENT", {"STO SENT"}},
        {"DEL UNSENT", {"STO UNSENT"}},
        {"DEL INBOX", {"REC UNREAD", "REC READ"}}};
    const auto group = groups.find(which);
    if (group == groups.end())
        return cmsError(302);
    const auto &statuses = group->second;
    m_messages.erase(std::remove_if(m_messages.begin(), m_messages.end(), [&](const Message &m) {
                         return std::find(statuses.begin(), statuses.end(), m.status) != statuses.end();
                     }),
                     m_messages.end());
    return {};
}

Modem::Result Modem::deleteMessage(int index)
{
    if (index < 1 || index > int(storeSize))
        return cmsError(321);
    m_messages.erase(std::remove_if(m_messages.begin(), m_messages.end(),
                                    [index](const Message &m) { return m.index == index; }),
                     m_messages.end());
    return {};
}

int Modem::store(Message message)
{
    for (int index = 1; index <= int(storeSize); ++index) {
        const bool used = std::any_of(m_messages.begin(), m_messages.end(),
                                      [index](const Message &m) { return m.index == index; });
        if (!used) {
            message.index = index;
            m_messages.push_back(std::move(message));
            std::sort(m_messages.begin(), m_messages.end(),
                      [](const Message &x, const Message &y) { return x.index < y.index; });
            return index;
        }
    }
    return 0;  // full
}

std::string Modem::incomingSms(const std::string &number, const std::string &text)
{
    if (m_poweredDown)
        return {};
    const std::string time = timeStamp();
    const int mt = m_cnmi[1];
    if (mt == 2)  // routed straight to the terminal, not stored
        return unsolicited("+CMT: \"" + number + "\",\"\",\"" + time + "\"\r\n" + text);
    const int index = store({0, "REC UNREAD", number, time, text});
    if (index == 0 || mt == 0)
        return {};
    return unsolicited("+CMTI: \"SM\"," + std::to_string(index));
}

std::string Modem::incomingCall(const std::string &number, Clock::time_point now)
{
    if (m_poweredDown || m_call != Call::Idle)
        return {};
    m_call = Call::Ringing;
    m_caller = number;
    m_rings = 0;
    m_lastRing = now - std::chrono::seconds(ringEverySeconds);  // the first ring comes at once
    return tick(now);
}

std::string Modem::tick(Clock::time_point now)
{
    if (m_call != Call::Ringing || now - m_lastRing < std::chrono::seconds(ringEverySeconds))
        return {};
    m_lastRing = now;
    if (++m_rings > ringsBeforeGivingUp) {
        m_call = Call::Idle;
        return unsolicited("NO CARRIER");
    }
    std::string out = unsolicited("RING");
    if (m_clip)
        out += unsolicited("+CLIP: \"" + m_caller + "\",145,\"\",0,\"\",0");
    return out;
}

std::string Modem::remoteHangUp()
{
    if (m_poweredDown || m_call == Call::Idle)
        return {};
    m_call = Call::Idle;
    return unsolicited("NO CARRIER");
}

std::string Modem::powerOn()
{
    if (!m_poweredDown)
        return {};
    m_poweredDown = false;
    resetSettings();
    return unsolicited("RDY");
}

std::string Modem::unsolicited(const std::string &line) const
{
    return crlf + line + crlf;
}

std::string Modem::format(const Result &result)
{
    std::string out;
    if (!result.lines.empty()) {
        out += crlf;
        for (const std::string &line : result.lines)
            out += line + crlf;
    }
    if (!result.final.empty())
        out += crlf + result.final + crlf;
    return out;
}

std::string Modem::timeStamp()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char buffer[32];
    std::strftime(buffer, sizeof buffer, "%y/%m/%d,%H:%M:%S+00", &local);
    return buffer;
}

} // namespace sim

#pragma once
// A simulated GSM module: the AT command interpreter and its state, with no
// I/O of its own. Bytes from the terminal go in, the module's answer comes
// out; unsolicited events (an incoming SMS or call) are raised by the caller.

#include <chrono>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace sim {

struct Message
{
    int index;
    std::string status;  // "REC UNREAD", "REC READ", "STO SENT"
    std::string number;
    std::string time;    // service centre time stamp; empty for sent messages
    std::string text;
};

struct Options
{
    std::string pin = "4821";  // empty: the SIM asks for no PIN
    std::string operatorName = "Vexmo Sim";
};

enum class Call { Idle, Ringing, Active };

class Modem
{
public:
    using Clock = std::chrono::steady_clock;

    explicit Modem(Options options = {});

    std::string receive(std::string_view bytes);
    // Called now and then: an unanswered call rings again every few seconds.
    std::string tick(Clock::time_point now = Clock::now());

    std::string incomingSms(const std::string &number, const std::string &text);
    std::string incomingCall(const std::string &number, Clock::time_point now = Clock::now());
    std::string remoteHangUp();
    std::string powerOn();

    const std::vector<Message> &messages() const { return m_messages; }
    Call call() const { return m_call; }
    bool poweredDown() const { return m_poweredDown; }

    static constexpr size_t maxLine = 556;
    static constexpr size_t maxBody = 160;
    static constexpr size_t storeSize = 30;
    static constexpr int ringEverySeconds = 3;
    static constexpr int ringsBeforeGivingUp = 6;

private:
    struct Result
    {
        std::vector<std::string> lines;  // information text
        std::string final = "OK";        // empty: no final result code
    };

    void resetSettings();
    std::string commandByte(char c);
    std::string bodyByte(char c);
    std::string runLine(const std::string &line);
    Result extended(const std::string &name, const std::string &form, const std::string &args);
    Result basic(char command, int value, bool &stop, const std::string &rest);
    Result dial(const std::string &dialString);
    static Result numberSetting(const std::string &name, const std::string &form, const std::string &args,
                                int &value, int max);
    Result error(const char *prefix, int code, const std::map<int, const char *> &texts) const;
    Result cmeError(int code) const;
    Result cmsError(int code) const;
    Result listMessages(const std::string &status);
    Result readMessage(int index);
    Result deleteMessages(const std::string &which);
    Result deleteMessage(int index);
    int store(Message message);
    std::string unsolicited(const std::string &line) const;
    static std::string format(const Result &result);
    static std::string timeStamp();

    Options m_options;
    // Settings that a restart resets.
    bool m_echo = true;
    int m_cmee = 0;
    int m_cmgf = 0;
    int m_cnmi[5] = {2, 1, 0, 0, 0};
    int m_clip = 0;
    bool m_pinReady = false;
    // Line and SMS entry state.
    std::string m_line;
    bool m_overflow = false;
    bool m_inBody = false;
    std::string m_bodyNumber;
    std::string m_body;
    bool m_poweredDown = false;
    // Calls and messages.
    Call m_call = Call::Idle;
    std::string m_caller;
    int m_rings = 0;
    Clock::time_point m_lastRing;
    std::vector<Message> m_messages;
    int m_messageReference = 0;
};

} // namespace sim

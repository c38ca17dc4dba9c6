#pragma once
// What a line a modem sent means, from the standards (Meanings): the final
// result codes, +CME ERROR and +CMS ERROR, and the replies of the commands
// the window sends (+CSQ, +CREG, +CGREG, +CEREG, +CPIN, +COPS, +CMGF,
// +CMTI, +CLIP, +CBC, +CMGL, +CMGR). A line they do not explain, or one
// that does not follow their form, has no explanation: nothing is guessed.

#include <QString>
#include <optional>

namespace Replies {

struct Explanation
{
    QString reply;  // the line, without the blanks and line breaks around it
    QString text;   // a line for each value, what to do next, and the clauses
};

std::optional<Explanation> explain(const QString &line);

} // namespace Replies

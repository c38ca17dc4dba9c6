#include "commands/catalogue.h"

namespace Catalogue {

const std::vector<Entry> &entries()
{
    using C = CommandControls;
    static const std::vector<Entry> table = {
        {&C::Command11, "AT", nullptr, false},
        {&C::Command1, "AT+COPS?", nullptr, false},
        {&C::Command14, "AT+CPIN?", nullptr, false},
        {&C::Command13, "AT+CPIN=", &C::Text4, true},
        {&C::Command21, "AT+CSQ", nullptr, false},
        {&C::Command24, "AT+CMEE=2", nullptr, false},
        {&C::Command15, "AT+CBC", nullptr, false},
        {&C::Command22, "AT+CPOWD=1", nullptr, false},
        {&C::Command10, "AT+CMGF = 1", nullptr, false},  // the blanks are part of the line
        {&C::Command12, "AT+CMGF?", nullptr, false},
        {&C::Command18, "", &C::Text7, false},
        {&C::Command17, "AT+CMGR=", &C::Text8, false},
        {&C::Command19, "AT+CMGL=\"ALL\"", nullptr, false},
        {&C::Command20, "AT+CMGDA=\"DEL ALL\"", nullptr, false},
        {&C::Command4, "AT+CLIP=1", nullptr, false},
        {&C::Command5, "ATA", nullptr, false},
        {&C::Command6, "ATH", nullptr, false},
        {&C::Command23, "ATD", &C::Text9, false},  // the semicolon, if any, is the user's
        {&C::Command8, "", &C::Text3, false},
    };
    return table;
}

} // namespace Catalogue

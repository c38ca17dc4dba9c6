#include "commands/catalogue.h"

namespace Catalogue {

const std::vector<Entry> &entries()
{
    static const std::vector<Entry> table = {
        {"Command11", "AT", nullptr, false},
        {"Command1", "AT+COPS?", nullptr, false},
        {"Command14", "AT+CPIN?", nullptr, false},
        {"Command13", "AT+CPIN=", "Text4", true},
        {"Command21", "AT+CSQ", nullptr, false},
        {"Command24", "AT+CMEE=2", nullptr, false},
        {"Command15", "AT+CBC", nullptr, false},
        {"Command22", "AT+CPOWD=1", nullptr, false},
        {"Command10", "AT+CMGF = 1", nullptr, false},  // the blanks are part of the line
        {"Command12", "AT+CMGF?", nullptr, false},
        {"Command18", "", "Text7", false},
        {"Command17", "AT+CMGR=", "Text8", false},
        {"Command19", "AT+CMGL=\"ALL\"", nullptr, false},
        {"Command20", "AT+CMGDA=\"DEL ALL\"", nullptr, false},
        {"Command4", "AT+CLIP=1", nullptr, false},
        {"Command5", "ATA", nullptr, false},
        {"Command6", "ATH", nullptr, false},
        {"Command23", "ATD", "Text9", false},  // the semicolon, if any, is the user's
        {"Command8", "", "Text3", false},
    };
    return table;
}

} // namespace Catalogue

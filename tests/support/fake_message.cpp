#include "fake_message.h"

#include "interface/platform.h"

namespace tovra_test {

std::vector<std::string> &Messages() {
    static std::vector<std::string> messages;
    return messages;
}

void ClearMessages() { Messages().clear(); }

}  // namespace tovra_test

namespace tovra {

void ShowMessage(const char *text) { tovra_test::Messages().push_back(text); }

}  // namespace tovra

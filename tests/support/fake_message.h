// Tests link this in place of the platform's message: every text shown is
// recorded, and nothing waits.
#ifndef TOVRA_TESTS_FAKE_MESSAGE_H
#define TOVRA_TESTS_FAKE_MESSAGE_H

#include <string>
#include <vector>

namespace tovra_test {

// The texts shown since the last ClearMessages(), in order.
std::vector<std::string> &Messages();
void ClearMessages();

}  // namespace tovra_test

#endif

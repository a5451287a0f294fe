// The namespaced test network of scripts/testnet, seen from a test process.
#pragma once

#include <QString>

namespace testnet {

// Brings the network up (root only) and moves the calling thread, and every thread it starts
// afterwards, into the client host. Call it before the test starts any thread. Returns false
// with the reason when the network cannot be used here.
bool enterClient(QString *reason);

// Takes the network down again if enterClient had to create it.
void leave();

} // namespace testnet

#pragma once

#include "tests/support/NetNamespace.h"

#include <QString>

// A device that never answers, for the server's time-outs: two network namespaces of the test's
// own joined by a veth pair on one /30 — `here` at <subnet>.1, where the pinging side runs, and
// `peer` at <subnet>.2, which ignores echo requests. Callers skip first when
// NetNamespace::UnavailableReason() is not empty.
struct SilentPeer {
    // subnet: the first three parts of the addresses, e.g. "10.201.0".
    explicit SilentPeer(const QString& subnet);

    NetNamespace here;
    NetNamespace peer;
};

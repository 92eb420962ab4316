#include "tests/server/SilentPeer.h"

SilentPeer::SilentPeer(const QString& subnet)
{
    NetNamespace::link(here, QStringLiteral("va"), subnet + QStringLiteral(".1/30"), peer,
        QStringLiteral("vb"), subnet + QStringLiteral(".2/30"));
    peer.setSysctl(QStringLiteral("net.ipv4.icmp_echo_ignore_all"), QStringLiteral("1"));
}

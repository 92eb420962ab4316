#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <future>

// A named network namespace that a test builds its own small network in, so that its ICMP
// traffic never reaches the host's real network. Created with `ip netns add`, deleted by name
// when the object goes, also when the test failed.
class NetNamespace
{
public:
    // Empty when namespaces can be made here; otherwise why not, for GTEST_SKIP.
    static QString UnavailableReason();

    // Name vigilo-<pid>-<n>. Throws std::runtime_error when it cannot be created.
    NetNamespace();
    ~NetNamespace();
    NetNamespace(const NetNamespace&) = delete;
    NetNamespace& operator=(const NetNamespace&) = delete;

    QString name() const { return FName; }

    // Runs `ip -n <name> <arguments>`; throws std::runtime_error with its output on failure.
    void ip(const QStringList& arguments) const;
    // Sets a sysctl of this namespace, e.g. ("net.ipv4.ip_forward", "1").
    void setSysctl(const QString& key, const QString& value) const;
    // Runs work on a thread of its own that has entered this namespace; sockets it opens belong
    // to the namespace. Exceptions reach the caller through the future.
    std::future<void> start(std::function<void()> work) const;
    void run(std::function<void()> work) const { start(std::move(work)).get(); }

    // A veth pair from interface nameA with address addressA (CIDR) in a to nameB/addressB in b,
    // both up.
    static void link(const NetNamespace& a, const QString& nameA, const QString& addressA,
        const NetNamespace& b, const QString& nameB, const QString& addressB);

private:
    QString FName;
};

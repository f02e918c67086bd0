#include "support/ServerTestSupport.h"

#include <QCoreApplication>
#include <atomic>

#include "store/Error.h"
#include "store/ErrorText.h"
#include "store/ServerConnection.h"

namespace testing_support {

QString testClusterConninfo() {
    return qEnvironmentVariable("VEYRA_TEST_PG");
}

QString noTestClusterText() {
    return "no PostgreSQL test cluster: run scripts/test, or start one with\n"
           "    eval \"$(tests/support/pg_cluster.sh build-test/pg)\"\n"
           "and stop it with tests/support/pg_cluster.sh --stop build-test/pg";
}

ServerDatabase::ServerDatabase() {
    const QString maintenance = testClusterConninfo();
    if (maintenance.isEmpty()) {
        error_ = noTestClusterText();
        return;
    }
    static std::atomic<int> counter{0};
    const QString name =
        QString("vt_%1_%2").arg(QCoreApplication::applicationPid()).arg(counter.fetch_add(1) + 1);
    try {
        store::ServerConnection c;
        c.connect("postgresql:" + maintenance);
        c.executeScript("DROP DATABASE IF EXISTS " + name + " WITH (FORCE)");
        c.executeScript("CREATE DATABASE " + name);
        name_ = name;
    } catch (const store::Error& e) {
        error_ = "the test cluster refused a database: " + store::errorLine(e);
    }
}

ServerDatabase::~ServerDatabase() {
    if (name_.isEmpty()) return;
    try {
        store::ServerConnection c;
        c.connect("postgresql:" + testClusterConninfo());
        c.executeScript("DROP DATABASE IF EXISTS " + name_ + " WITH (FORCE)");
    } catch (...) {
    }
}

QString ServerDatabase::conninfo(const QString& role) const {
    // A keyword given again takes the place of the earlier one.
    QString info = testClusterConninfo() + " dbname=" + name_;
    if (!role.isEmpty()) info += " user=" + role;
    return info;
}

QString ServerDatabase::address(const QString& role) const {
    return "postgresql:" + conninfo(role);
}

}  // namespace testing_support

#pragma once

#include <QString>

namespace testing_support {

// The private test cluster's maintenance database (VEYRA_TEST_PG, set by
// scripts/test through tests/support/pg_cluster.sh). Empty when there is
// none: the caller fails the test, saying how to start one (these tests do
// not skip).
QString testClusterConninfo();
// The failure text for a run without a test cluster.
QString noTestClusterText();

// A database of its own on the test cluster, dropped with everything in it
// when this goes.
class ServerDatabase {
  public:
    ServerDatabase();
    ~ServerDatabase();
    ServerDatabase(const ServerDatabase&) = delete;
    ServerDatabase& operator=(const ServerDatabase&) = delete;

    bool ok() const { return !name_.isEmpty(); }
    // Why there is none: no test cluster, or the cluster's refusal.
    const QString& error() const { return error_; }
    const QString& name() const { return name_; }
    // libpq's connection string of the database, as another role when given.
    QString conninfo(const QString& role = QString()) const;
    // The register address the program takes ("postgresql:...").
    QString address(const QString& role = QString()) const;

  private:
    QString name_;
    QString error_;
};

}  // namespace testing_support

#pragma once

#include <gtest/gtest.h>

#include <QString>

#include "store/ServerConnection.h"
#include "store/ServerRegister.h"
#include "support/ServerTestSupport.h"

// A test with a database of its own on the private test cluster. Without a
// cluster the test fails, saying how to start one: it never skips.
class ServerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!db.ok()) GTEST_FAIL() << db.error().toStdString();
    }
    // A new register in the test's database.
    void createRegister() { store::createServerRegister(db.address()); }

    testing_support::ServerDatabase db;
};

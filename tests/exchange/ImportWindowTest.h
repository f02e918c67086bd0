#pragma once

#include <gtest/gtest.h>

#include <QDate>
#include <memory>

#include "exchange/TForm_import.h"
#include "platform/Clock.h"
#include "platform/Settings.h"
#include "support/TestSupport.h"

namespace fixtures {

// The data exchange window shown over a fresh working directory on a fixed day.
// Dialogs records what the window shows; a fixture may keep more.
template <class Dialogs = testing_support::RecordingDialogs>
class ImportWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        platform::setToday(QDate(2026, 12, 10));
        form = std::make_unique<TForm_import>();
        form->FormShow();
    }
    void TearDown() override { form.reset(); }
    // The day's transfer log in the data directory the settings name now.
    QString logFile() const { return platform::dataDir() + "/离休统筹导数日志文件2026-12-10.log"; }

    testing_support::WorkDir work;
    Dialogs dialogs;
    std::unique_ptr<TForm_import> form;
};

}  // namespace fixtures

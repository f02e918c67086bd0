#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <memory>

#include "employer/TForm_cop_info.h"
#include "support/TestSupport.h"

// An employer window over a fresh database, shown and active so the focus
// behaves as on a desktop, prepared for a new employer as the main menu does.
class EmployerWindowTest : public testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // Opens the window for a new employer (the main menu's "单位增加").
    void startNewEmployer();
    // Opens a stored employer as the query window does.
    void openStored(const QString& ssn);
    // Fills every field so that all checks pass.
    void fillValid();
    // Stores an employer row directly (columns by name).
    void storeEmployer(const QVariantMap& columns);
    // One column of the stored employer with this number.
    QVariant storedValue(const QString& ssn, const QString& column);
    int storedCount();

    // Keys go where the operator's focus is.
    void key(int k, Qt::KeyboardModifiers mods = Qt::NoModifier);
    void focus(QWidget* w);
    // Types into the focused control.
    void type(const QString& text);
    QWidget* focused() const { return QApplication::focusWidget(); }

    testing_support::WorkDir dir;
    testing_support::RecordingDialogs dialogs;
    testing_support::ModalRecorder modal;
    std::unique_ptr<TForm_cop_info> w;
};

inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

inline const char* kSsn = "110000000001";

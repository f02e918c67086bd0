#pragma once

#include <QString>
#include <QStringList>
#include <QVariantMap>

namespace store {
class Connection;
}

// Sample employers and persons for looking at the printed forms (the render
// tool) and for the tests of the forms.
namespace reports::samples {

// Inserts a row of M_CORPORATION from column → value.
void insertEmployer(store::Connection& connection, const QVariantMap& values);
// Inserts a person and, when hospitals are given, the person's institution row (d_hos codes in slot order).
void insertPerson(store::Connection& connection, const QVariantMap& values,
                  const QStringList& hospitals = {});

// A fully filled employer of registration number ssn whose second-level
// company is superiorSsn (empty: none).
QVariantMap employer(const QString& ssn, const QString& superiorSsn = {});
// A fully filled person of employer ssn.
QVariantMap person(const QString& idCard, const QString& ssn);

struct Sample {
    QString employerSsn;
    QString secondLevelSsn;
    QString personIdCard;
};
// One employer with its second-level company, and one person of it with two institutions.
Sample insertSample(store::Connection& connection);

}  // namespace reports::samples

#include "RegisterGenerator.h"

#include <QDate>

#include "platform/Settings.h"
#include "store/Connection.h"
#include "store/DatabaseFactory.h"
#include "store/Statement.h"

namespace bench {

QString validIdNumber(int serial, const QString& area) {
    static const int weights[17] = {7, 9, 10, 5, 8, 4, 2, 1, 6, 3, 7, 9, 10, 5, 8, 4, 2};
    static const char checks[] = "10x98765432";
    const QDate birth = QDate(1920, 1, 1).addDays(serial % 10950);
    const QString body = area + QString("%1").arg(serial / 1000 % 100, 2, 10, QChar('0')) +
                         birth.toString("yyyyMMdd") + QString("%1").arg(serial % 1000, 3, 10, QChar('0'));
    int sum = 0;
    for (int i = 0; i < 17; ++i) sum += body[i].digitValue() * weights[i];
    return body + QChar(checks[sum % 11]);
}

QString registrationNumber(int i) {
    return QString("11%1").arg(i, 10, 10, QChar('0'));
}

void fillRegister(const QString& databasePath, int employers, int persons) {
    store::Connection c;
    c.open(databasePath);
    store::Transaction t(c);
    store::Statement corp(
        c.handle(),
        "INSERT INTO M_CORPORATION (SSN, NAME, SHORTNAME, FEEAREACODE, PAYAREA, FEETYPE, "
        "SRETFLAG, CORPSRETFEETYPE, FEEPERIOD, ADDRESS, TEL) VALUES (?, ?, ?, '01', '01', '2', "
        "'1', ?, 1, ?, ?)");
    for (int i = 1; i <= employers; ++i)
        corp.exec({registrationNumber(i), QString("北京第%1机械厂").arg(i), QString("机械%1").arg(i),
                   QString::number(i % 3 + 1), QString("北京市海淀区学院路%1号").arg(i), "010-62345678"});
    store::Statement person(
        c.handle(),
        "INSERT INTO M_PERSON (CORPSN, IDCARD, NAME, SEX, BIRTH, NATION, FEEPSNTYPE, MEDPSNTYPE, "
        "RETIRETYPE, ADDRESS, SSN) VALUES (?, ?, ?, ?, ?, '01', '14', '27', '1', ?, ?)");
    store::Statement hosp(
        c.handle(), "INSERT INTO M_PSNAPPOINTEDHOSPITAL (PSNSN, HOSP_1, HOSP_2, IDCARD) VALUES (?, ?, ?, ?)");
    const QStringList hospitals =
        c.select("SELECT CODE FROM d_hos ORDER BY CODE").isEmpty() ? QStringList{"01010001"} : [&] {
            QStringList l;
            for (const auto& r : c.select("SELECT CODE FROM d_hos ORDER BY CODE")) l.append(r[0].toString());
            return l;
        }();
    for (int p = 1; p <= persons; ++p) {
        const int e = (p - 1) % qMax(1, employers) + 1;
        const QString id = validIdNumber(p);
        const QDate birth = QDate::fromString(id.mid(6, 8), "yyyyMMdd");
        person.exec({e, id, QString("离休%1").arg(p), (id[16].digitValue() % 2) ? "1" : "2",
                     birth.toString("yyyy-MM-dd"), QString("北京市西城区%1号").arg(p),
                     registrationNumber(e)});
        hosp.exec({c.lastInsertRowId(), hospitals[p % hospitals.size()],
                   hospitals[(p + 7) % hospitals.size()], id});
    }
    t.commit();
}

QString prepareWorkingDirectory(const QString& dir, int employers, int persons) {
    platform::setSettingsFilePath(dir + "/Veyra.ini");
    platform::setShortDateFormat("yyyy-MM-dd");
    platform::writeSetting("DataDir", dir + "/orvanta");
    store::createWorkingDirectory(dir);
    const QString db = dir + "/" + store::workingDatabaseFileName();
    fillRegister(db, employers, persons);
    store::setWorkingDatabasePath(db);
    return db;
}

}  // namespace bench

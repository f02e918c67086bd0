#include "ExchangeFixtures.h"

#include <QDir>
#include <QFile>
#include <stdexcept>

#include "store/Connection.h"
#include "store/DatabaseFactory.h"

namespace fixtures {

QStringList statistics(int employers, int employersFailed, int persons, int personsFailed) {
    return {"",
            "单位信息导入统计",
            QString("总数 ：%1 条").arg(employers),
            QString("成功 ：%1 条").arg(employers - employersFailed),
            QString("失败 ：%1 条").arg(employersFailed),
            "",
            "个人信息导入统计",
            QString("总数 ：%1 条").arg(persons),
            QString("成功 ：%1 条").arg(persons - personsFailed),
            QString("失败 ：%1 条").arg(personsFailed)};
}

void addEmployer(store::Connection& c, const QString& ssn, const QString& name) {
    c.execute("INSERT INTO M_CORPORATION (SSN, NAME, OPERATEDATE) VALUES (?, ?, '2020-01-02')", {ssn, name});
}

void addPerson(store::Connection& c, const QString& ssn, const QString& idcard, const QString& name) {
    const QVariant corpsn = c.scalar("SELECT CORPSN FROM M_CORPORATION WHERE SSN = ?", {ssn});
    c.execute("INSERT INTO M_PERSON (CORPSN, IDCARD, NAME, SEX, SSN) VALUES (?, ?, ?, '1', ?)",
              {corpsn, idcard, name, ssn});
}

void addInstitution(store::Connection& c, const QString& idcard, const QString& hosp1) {
    const QVariant psnsn = c.scalar("SELECT PSNSN FROM M_PERSON WHERE IDCARD = ?", {idcard});
    c.execute("INSERT INTO M_PSNAPPOINTEDHOSPITAL (PSNSN, HOSP_1, IDCARD) VALUES (?, ?, ?)",
              {psnsn, hosp1, idcard});
}

void newSubmission(const QString& path) {
    store::createTemplateDatabase(path);
}

void dropUniqueKeys(store::Connection& c) {
    c.execute("DROP INDEX idx_M_CORPORATION_SSN");
    c.execute("DROP INDEX idx_M_PERSON_IDCARD");
    c.execute("CREATE INDEX idx_M_CORPORATION_SSN ON M_CORPORATION (SSN)");
    c.execute("CREATE INDEX idx_M_PERSON_IDCARD ON M_PERSON (IDCARD)");
}

void exportTo(const QString& from, const QString& to) {
    newSubmission(to);
    store::Connection src, dst;
    src.open(from, store::databasePassword(), store::Connection::Mode::ReadOnly);
    dst.open(to);
    NullObserver o;
    exchange::Transfer t(src.handle(), dst, o);
    t.setRecordChecksum(true);
    if (!t.run()) throw std::runtime_error(t.errorText().toStdString());
}

QStringList dump(const QString& path) {
    store::Connection c;
    c.open(path, store::databasePassword(), store::Connection::Mode::ReadOnly);
    QStringList out;
    for (const char* t : {"M_CORPORATION", "M_PERSON", "M_PSNAPPOINTEDHOSPITAL"}) {
        for (const QVariantList& row : c.select(QString("SELECT * FROM %1 ORDER BY rowid").arg(t))) {
            QStringList cells;
            for (const QVariant& v : row)
                cells.append(v.isNull() ? "<null>" : QString(v.typeName()) + ":" + v.toString());
            out.append(QString(t) + "|" + cells.join('|'));
        }
    }
    return out;
}

bool integrityOk(const QString& path) {
    store::Connection c;
    c.open(path);
    return c.select("PRAGMA integrity_check") == QList<QVariantList>{{QVariant(QString("ok"))}};
}

QByteArray bytesOf(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return f.readAll();
}

void writeBytes(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size())
        throw std::runtime_error("cannot write fixture");
}

QMap<QString, QByteArray> dirBytes(const QString& dir) {
    QMap<QString, QByteArray> m;
    for (const QString& name : QDir(dir).entryList(QDir::Files | QDir::Hidden))
        m[name] = bytesOf(dir + "/" + name);
    return m;
}

}  // namespace fixtures

#include "reports/tools/SampleForms.h"

#include "store/Connection.h"

namespace reports::samples {
namespace {

void insertRow(store::Connection& connection, const QString& table, const QVariantMap& values) {
    QStringList columns;
    QStringList marks;
    QVariantList params;
    for (auto it = values.cbegin(); it != values.cend(); ++it) {
        columns << QLatin1Char('"') + it.key() + QLatin1Char('"');
        marks << QStringLiteral("?");
        params << it.value();
    }
    connection.execute(QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                           .arg(table, columns.join(QLatin1Char(',')), marks.join(QLatin1Char(','))),
                       params);
}

}  // namespace

void insertEmployer(store::Connection& connection, const QVariantMap& values) {
    insertRow(connection, QStringLiteral("M_CORPORATION"), values);
}

void insertPerson(store::Connection& connection, const QVariantMap& values, const QStringList& hospitals) {
    insertRow(connection, QStringLiteral("M_PERSON"), values);
    if (hospitals.isEmpty()) return;
    QVariantMap hospitalRow;
    hospitalRow.insert(QStringLiteral("PSNSN"), connection.lastInsertRowId());
    hospitalRow.insert(QStringLiteral("IDCARD"), values.value(QStringLiteral("IDCARD")));
    for (int i = 0; i < hospitals.size() && i < 5; ++i)
        hospitalRow.insert(QStringLiteral("HOSP_%1").arg(i + 1), hospitals.at(i));
    insertRow(connection, QStringLiteral("M_PSNAPPOINTEDHOSPITAL"), hospitalRow);
}

QVariantMap employer(const QString& ssn, const QString& superiorSsn) {
    QVariantMap v;
    v["SSN"] = ssn;
    v["NAME"] = QStringLiteral("北京市东城区示例机械制造有限公司");
    v["SHORTNAME"] = QStringLiteral("示例机械");
    v["CORPTYPE"] = QStringLiteral("10");
    v["BELONG"] = QStringLiteral("1");
    v["ECOTYPE"] = QStringLiteral("110");
    v["TRADE"] = QStringLiteral("01");
    v["TRADEPROPERTY"] = QStringLiteral("13");
    v["TRADECODE"] = QStringLiteral("1310");
    v["SUPERIOR"] = QStringLiteral("北京市机械工业局");
    v["INCOREGADDR"] = QStringLiteral("北京市东城区和平里东街 18 号");
    v["INCOLICENSETYPE"] = QStringLiteral("1");
    v["INCOLICENSENO"] = QStringLiteral("1100001234567");
    v["INCOLICENSEDATE"] = QStringLiteral("1998-06-15");
    v["INCOLICENSEUSEFULLIFE"] = 20;
    v["APPROVECORP"] = QStringLiteral("北京市人民政府");
    v["APPROVEDATE"] = QStringLiteral("1998-05-20");
    v["APPROVEFILENO"] = QStringLiteral("京政发〔1998〕12号");
    v["DELEGATECORPTYPE"] = QStringLiteral("1");
    v["DELEGATENAME"] = QStringLiteral("王建国");
    v["DELEGATEIDNO"] = QStringLiteral("11010119600101001X");
    v["DELEGATETEL"] = QStringLiteral("010-64001234");
    v["FEEMANAGER"] = QStringLiteral("李秀英");
    v["FEEMANAGERDEPT"] = QStringLiteral("人力资源部");
    v["FEEMANAGERTEL"] = QStringLiteral("010-64005678");
    v["FEEBANK"] = QStringLiteral("10&");
    v["FEEBANKACCNAME"] = QStringLiteral("北京市东城区示例机械制造有限公司");
    v["FEEBANKACCOUNT"] = QStringLiteral("0200001234567890123");
    v["ORGCODE"] = QStringLiteral("10123456-7");
    v["SSREGORG"] = QStringLiteral("01");
    v["LICENSEDDATE"] = QStringLiteral("1999-01-08");
    v["DISTRICTCODE"] = QStringLiteral("110101");
    v["FEEAREACODE"] = QStringLiteral("01");
    v["ADDRESS"] = QStringLiteral("北京市东城区和平里东街 18 号院 3 号楼");
    v["ZIP"] = QStringLiteral("100013");
    v["TEL"] = QStringLiteral("010-64001000");
    v["FAX"] = QStringLiteral("010-64001001");
    v["URL"] = QStringLiteral("www.example.com.cn");
    v["EMAIL"] = QStringLiteral("office@example.com.cn");
    v["ZGCCORP"] = QStringLiteral("0");
    if (!superiorSsn.isEmpty()) v["SUPERIORSSN"] = superiorSsn;
    return v;
}

QVariantMap person(const QString& idCard, const QString& ssn) {
    QVariantMap v;
    v["IDCARD"] = idCard;
    v["SSN"] = ssn;
    v["NAME"] = QStringLiteral("张德明");
    v["SEX"] = QStringLiteral("1");
    v["BIRTH"] = QStringLiteral("1930-03-07");
    v["NATION"] = QStringLiteral("01");
    v["HOMEPLACE"] = QStringLiteral("河北省保定市");
    v["MARRIAGE"] = QStringLiteral("20");
    v["RESIDENTTYPE"] = QStringLiteral("1");
    v["EDUCATION"] = QStringLiteral("10");
    v["PSNSTATUS"] = QStringLiteral("11");
    v["WORKDATE"] = QStringLiteral("1946-10-01");
    v["ADMINDUTY"] = QStringLiteral("101");
    v["SPECDUTY"] = QStringLiteral("1");
    v["TECHLEVEL"] = QStringLiteral("1");
    v["RETIREDATE"] = QStringLiteral("1990-03-07");
    v["RETIRETYPE"] = QStringLiteral("1");
    v["RESIDENT"] = QStringLiteral("和平里街道");
    v["RESIDENTADDR"] = QStringLiteral("北京市东城区和平里七区 5 号楼 201");
    v["ADDRESS"] = QStringLiteral("北京市东城区和平里七区 5 号楼 201");
    v["ZIP"] = QStringLiteral("100013");
    v["TEL"] = QStringLiteral("010-64210000");
    v["LINKMAN"] = QStringLiteral("张小明");
    v["LINKMANTEL"] = QStringLiteral("13900000000");
    v["FEEPSNTYPE"] = QStringLiteral("12");
    v["MEDPSNTYPE"] = QStringLiteral("21");
    return v;
}

Sample insertSample(store::Connection& connection) {
    Sample sample{QStringLiteral("110101000001"), QStringLiteral("110101000099"),
                  QStringLiteral("110101193003070012")};
    QVariantMap parent = employer(sample.secondLevelSsn);
    parent["NAME"] = QStringLiteral("北京示例机械集团总公司");
    parent["SHORTNAME"] = QStringLiteral("示例集团");
    parent["ORGCODE"] = QStringLiteral("10199999-1");
    insertEmployer(connection, parent);
    insertEmployer(connection, employer(sample.employerSsn, sample.secondLevelSsn));
    insertPerson(connection, person(sample.personIdCard, sample.employerSsn),
                 {QStringLiteral("01010001"), QStringLiteral("01010002")});
    return sample;
}

}  // namespace reports::samples

#include "reports/TForm_print1.h"

#include "reports/DatasetRowSource.h"
#include "reports/FormLayouts.h"
#include "reports/Layout.h"
#include "store/DatabaseFactory.h"
#include "store/Error.h"

namespace {

// cop_print1 carries SUPERIORSSN as its 67th column.
constexpr int kSuperiorSsnColumn = 66;

}  // namespace

TForm_print1::TForm_print1(QObject* parent) : TForm_print1(store::workingDatabasePath(), parent) {}

TForm_print1::TForm_print1(const QString& databasePath, QObject* parent)
    : QObject(parent),
      ADOStoredProc1(&ADOConnection1, QStringLiteral("cop_print1")),
      ADOStoredProc2(&ADOConnection1, QStringLiteral("person_print")),
      ADOQuery_EJ(&ADOConnection1),
      quickRep1_(reports::forms::employerSheet1()),
      quickRep2_(reports::forms::employerSheet2()),
      quickRep3_(reports::forms::personForm()) {
    setObjectName(QStringLiteral("Form_print1"));
    ADOStoredProc1.setObjectName(QStringLiteral("ADOStoredProc1"));
    ADOStoredProc2.setObjectName(QStringLiteral("ADOStoredProc2"));
    ADOQuery_EJ.setObjectName(QStringLiteral("ADOQuery_EJ"));
    ADOQuery_EJ.setSql(QStringLiteral("SELECT ORGCODE,NAME FROM M_CORPORATION"));
    ADOStoredProc1.setFiltered(true);
    ADOStoredProc2.setFiltered(true);
    connect(&ADOStoredProc1, &store::Dataset::afterScroll, this, &TForm_print1::ADOStoredProc1AfterScroll);
    ADOConnection1.open(databasePath);
}

TForm_print1::~TForm_print1() = default;

void TForm_print1::ADOStoredProc1AfterScroll() {
    ADOQuery_EJ.close();
    if (ADOStoredProc1.fieldCount() <= kSuperiorSsnColumn)
        throw store::Error(QStringLiteral("cop_print1 只有 %1 列，缺少第 67 列（二级公司社会保险登记证编码）")
                               .arg(ADOStoredProc1.fieldCount()));
    const QVariant superior = ADOStoredProc1.value(kSuperiorSsnColumn);
    const QString ssn = superior.isNull() ? QString() : superior.toString();
    // The number is bound: a quote in a stored number cannot change the statement.
    ADOQuery_EJ.setSql(QStringLiteral("SELECT ORGCODE,NAME FROM M_CORPORATION WHERE SSN = ?"), {ssn});
    ADOQuery_EJ.open();
}

TForm_print1::Batch::Batch(TForm_print1* module) : output_(module ? &module->output() : nullptr) {
    if (output_) output_->beginBatch();
}

TForm_print1::Batch::~Batch() {
    if (output_) output_->endBatch();
}

void TForm_print1::printEmployerForm(const QString& filter, Sheets sheets) {
    const Batch both(this);
    openFiltered(ADOStoredProc1, filter);
    if (sheets != Sheets::Two) output().print(layEmployer(quickRep1_));
    if (sheets != Sheets::One) output().print(layEmployer(quickRep2_));
}

void TForm_print1::previewEmployerForm(const QString& filter, Sheets sheet) {
    openFiltered(ADOStoredProc1, filter);
    output().preview(layEmployer(sheet == Sheets::Two ? quickRep2_ : quickRep1_));
}

void TForm_print1::printPersonForm(const QString& filter) {
    openFiltered(ADOStoredProc2, filter);
    output().print(layPerson());
}

void TForm_print1::previewPersonForm(const QString& filter) {
    openFiltered(ADOStoredProc2, filter);
    output().preview(layPerson());
}

void TForm_print1::openFiltered(store::StoredQuery& rows, const QString& filter) {
    rows.setFilter(filter);
    rows.setFiltered(true);
    rows.close();
    rows.open();
}

reports::LaidOutDocument TForm_print1::layEmployer(const reports::ReportDefinition& report) {
    reports::DatasetRowSource employers(ADOStoredProc1);
    reports::DatasetRowSource secondLevel(ADOQuery_EJ);
    const reports::RowSources sources{{reports::forms::kEmployerRows, &employers},
                                      {reports::forms::kSecondLevelRows, &secondLevel}};
    return reports::layoutReport(report, sources);
}

reports::LaidOutDocument TForm_print1::layPerson() {
    reports::DatasetRowSource persons(ADOStoredProc2);
    const reports::RowSources sources{{reports::forms::kPersonRows, &persons}};
    return reports::layoutReport(quickRep3_, sources);
}

reports::ReportOutput& TForm_print1::output() {
    return output_ ? *output_ : deviceOutput_;
}
